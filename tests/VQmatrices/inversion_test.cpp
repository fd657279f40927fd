// In-place inversion of symmetric matrices in full storage: worked examples,
// the array left by a failed positivity test, the unread lower triangle, and
// agreement of the three methods on random positive definite matrices.
#include <cmath>
#include <limits>
#include <vector>

#include "twins.hpp"

namespace {

using namespace vqtest;

template <class T> class SymmetricInverse : public ::testing::Test {};
TYPED_TEST_SUITE(SymmetricInverse, Twins);

template <class T> constexpr T kNaN = std::numeric_limits<T>::quiet_NaN();
// Marks entries of the strict lower triangle that must stay untouched.
template <class T> constexpr T kLower = T(77);

template <class T> void expect_near_all(const std::vector<T>& got, const std::vector<T>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t k = 0; k < got.size(); ++k)
        EXPECT_NEAR(got[k], want[k], 4 * std::numeric_limits<T>::epsilon()) << "at " << k;
}

TYPED_TEST(SymmetricInverse, OrderOneTakesTheReciprocal) {
    using T = TypeParam;
    for (T v : {T(4), T(3), T(0.1)}) {
        T a = v, p = v, c = v;
        EXPECT_EQ(invsim(&a, 1), 0);
        EXPECT_EQ(invsim_pos(&p, 1), 0);
        EXPECT_EQ(invsim_cho(&c, 1), 0);
        EXPECT_TRUE(same_bits(a, T(1) / v));
        EXPECT_TRUE(same_bits(p, T(1) / v));
        const T root = T(1) / std::sqrt(v);
        EXPECT_TRUE(same_bits(c, root * root));
    }
    for (T v : {T(0), T(-0.0), T(-2)}) {
        T p = v, c = v;
        EXPECT_EQ(invsim_pos(&p, 1), 1);
        EXPECT_EQ(invsim_cho(&c, 1), 1);
        EXPECT_TRUE(same_bits(p, v));
        EXPECT_TRUE(same_bits(c, v));
    }
}

TYPED_TEST(SymmetricInverse, TwoByTwoDefinite) {
    using T = TypeParam;
    const std::vector<T> input{4, 2, kNaN<T>, 3};
    const std::vector<T> inverse{0.375, -0.25, -0.25, 0.5};
    auto a = input, p = input, c = input;
    EXPECT_EQ(invsim(a.data(), 2), 0);
    EXPECT_EQ(invsim_pos(p.data(), 2), 0);
    EXPECT_EQ(invsim_cho(c.data(), 2), 0);
    EXPECT_TRUE(same_bits(a, inverse));
    EXPECT_TRUE(same_bits(p, inverse));
    expect_near_all(c, inverse);
}

TYPED_TEST(SymmetricInverse, TwoByTwoIndefinite) {
    using T = TypeParam;
    const std::vector<T> input{1, 2, kLower<T>, 1};
    auto a = input, p = input, c = input;
    EXPECT_EQ(invsim(a.data(), 2), 0);
    expect_near_all(a, {T(-1) / 3, T(2) / 3, T(2) / 3, T(-1) / 3});
    // The second pivot, reduced to 1 - 2*2, fails.
    EXPECT_EQ(invsim_pos(p.data(), 2), 1);
    EXPECT_TRUE(same_bits(p, {1, -2, kLower<T>, -3}));
    // The last row factors to 1/sqrt(1) and 2 above it; the first radicand is 1 - 4.
    EXPECT_EQ(invsim_cho(c.data(), 2), 1);
    EXPECT_TRUE(same_bits(c, {1, 2, kLower<T>, 1}));
}

TYPED_TEST(SymmetricInverse, ZeroFirstPivot) {
    using T = TypeParam;
    const std::vector<T> input{0, 1, kLower<T>, 1};
    auto a = input, p = input;
    EXPECT_EQ(invsim(a.data(), 2), 0);
    EXPECT_FALSE(std::isfinite(a[0]));
    EXPECT_EQ(invsim_pos(p.data(), 2), 1);
    EXPECT_TRUE(same_bits(p, input));
}

// A NaN pivot passes the elimination's test and fails the Cholesky radicand's.
TYPED_TEST(SymmetricInverse, NaNOnTheDiagonal) {
    using T = TypeParam;
    const std::vector<T> input{4, 1, 1, kLower<T>, kNaN<T>, 1, kLower<T>, kLower<T>, 4};
    auto p = input, c = input;
    EXPECT_EQ(invsim_pos(p.data(), 3), 0);
    for (T v : p) EXPECT_TRUE(std::isnan(v));
    EXPECT_EQ(invsim_cho(c.data(), 3), 1);
    EXPECT_TRUE(std::isnan(c[4]));
}

// Rows before the failing pivot hold reciprocals and negated multipliers, the
// trailing rows are reduced by them, the failing pivot keeps its reduced value.
TYPED_TEST(SymmetricInverse, EliminationFailureState) {
    using T = TypeParam;
    const T L = kLower<T>;
    std::vector<T> a{1, 1, 2, 1,
                     L, 3, 4, 3,
                     L, L, 3, 5,
                     L, L, L, 7};
    EXPECT_EQ(invsim_pos(a.data(), 4), 1);
    EXPECT_TRUE(same_bits(a, {1, -1, -2, -1,
                              L, 0.5, -1, -1,
                              L, L, -3, 1,
                              L, L, L, 4}));
}

// The last row is factored, its column holds R above the diagonal, and the
// failing row and the first one are otherwise unchanged.
TYPED_TEST(SymmetricInverse, CholeskyFailureState) {
    using T = TypeParam;
    const T L = kLower<T>;
    std::vector<T> a{1, 3, 2,
                     L, 3, 4,
                     L, L, 4};
    EXPECT_EQ(invsim_cho(a.data(), 3), 1);  // radicand of row 1: 3 - 2*2
    EXPECT_TRUE(same_bits(a, {1, 3, 1,
                              L, 3, 2,
                              L, L, 0.5}));
}

TYPED_TEST(SymmetricInverse, LowerTriangleIsNeverRead) {
    using T = TypeParam;
    std::mt19937 rng(7);
    for (uint32_t n : {1u, 2u, 5u, 17u}) {
        const auto spd = random_symmetric<T>(n, rng);
        auto indefinite = spd;
        indefinite[(n - 1) * n + n - 1] = T(-1);  // last pivot fails
        using Inverse = int32_t (*)(T*, uint32_t);
        for (Inverse method : {Inverse(invsim), Inverse(invsim_pos), Inverse(invsim_cho)}) {
            for (const auto& input : {spd, indefinite}) {
                auto clean = input, dirty = input, garbage = input;
                for (uint32_t i = 0; i < n; ++i)
                    for (uint32_t j = 0; j < i; ++j) {
                        clean[i * n + j] = T(0);
                        dirty[i * n + j] = kNaN<T>;
                        garbage[i * n + j] = T(1e30f) * T(i + 1);
                    }
                const int32_t status = method(clean.data(), n);
                EXPECT_EQ(method(dirty.data(), n), status);
                EXPECT_EQ(method(garbage.data(), n), status);
                for (uint32_t i = 0; i < n; ++i)
                    for (uint32_t j = status == 0 ? 0 : i; j < n; ++j) {
                        EXPECT_TRUE(same_bits(clean[i * n + j], dirty[i * n + j]));
                        EXPECT_TRUE(same_bits(clean[i * n + j], garbage[i * n + j]));
                    }
            }
        }
    }
}

TYPED_TEST(SymmetricInverse, RandomPositiveDefiniteAgree) {
    using T = TypeParam;
    std::mt19937 rng(2024);
    for (uint32_t n = 1; n <= 64; ++n) {
        const auto input = random_symmetric<T>(n, rng);
        auto a = input, p = input, c = input;
        ASSERT_EQ(invsim(a.data(), n), 0);
        ASSERT_EQ(invsim_pos(p.data(), n), 0);
        ASSERT_EQ(invsim_cho(c.data(), n), 0);
        // With every pivot positive the test changes nothing.
        EXPECT_TRUE(same_bits(a, p)) << "n = " << n;
        double worst_gap = 0, worst_residual = 0;
        for (uint32_t i = 0; i < n; ++i)
            for (uint32_t j = 0; j < n; ++j) {
                EXPECT_TRUE(same_bits(a[i * n + j], a[j * n + i]));
                EXPECT_TRUE(same_bits(c[i * n + j], c[j * n + i]));
                worst_gap = std::max(worst_gap, std::fabs(double(a[i * n + j]) - c[i * n + j]));
                double ea = i == j ? -1.0 : 0.0, ec = ea;
                for (uint32_t k = 0; k < n; ++k) {
                    ea += double(a[i * n + k]) * input[k * n + j];
                    ec += double(c[i * n + k]) * input[k * n + j];
                }
                worst_residual = std::max({worst_residual, std::fabs(ea), std::fabs(ec)});
            }
        EXPECT_LT(worst_gap, kTolerance<T>) << "n = " << n;
        EXPECT_LT(worst_residual, kTolerance<T>) << "n = " << n;
    }
}

TYPED_TEST(SymmetricInverse, OrderZeroTouchesNothing) {
    using T = TypeParam;
    EXPECT_EQ(invsim(static_cast<T*>(nullptr), 0), 0);
    EXPECT_EQ(invsim_pos(static_cast<T*>(nullptr), 0), 0);
    EXPECT_EQ(invsim_cho(static_cast<T*>(nullptr), 0), 0);
    T canary = T(-5);
    EXPECT_EQ(invsim_pos(&canary, 0), 0);
    EXPECT_EQ(invsim_cho(&canary, 0), 0);
    EXPECT_EQ(canary, T(-5));
}

}  // namespace
