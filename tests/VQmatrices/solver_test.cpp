// Packed symmetric solvers: worked examples, status handling, the second
// right-hand side never disturbing the first, and agreement with the
// full-storage inverse.
#include <cmath>
#include <limits>
#include <vector>

#include "twins.hpp"

namespace {

using namespace vqtest;

template <class T> class PackedSolve : public ::testing::Test {};
TYPED_TEST_SUITE(PackedSolve, Twins);

TYPED_TEST(PackedSolve, OrderOne) {
    using T = TypeParam;
    for (T a : {T(4), T(3), T(-2), T(0)}) {
        T p = a, b = T(3), p2 = a, b2 = T(3), h = T(5);
        const int32_t expected = a <= T(0) ? 1 : 0;
        EXPECT_EQ(solve(&p, &b, 1), expected);
        EXPECT_EQ(solve2(&p2, &b2, &h, 1), expected);
        for (T reciprocal : {p, p2}) EXPECT_TRUE(same_bits(reciprocal, T(1) / a));
        for (T solution : {b, b2}) EXPECT_TRUE(same_bits(solution, T(3) * (T(1) / a)));
        EXPECT_TRUE(same_bits(h, T(5) * (T(1) / a)));
    }
    T nan_pivot = std::numeric_limits<T>::quiet_NaN(), b = T(1);
    EXPECT_EQ(solve(&nan_pivot, &b, 1), 0);  // a NaN pivot does not count
    EXPECT_TRUE(std::isnan(b));
}

TYPED_TEST(PackedSolve, TwoByTwoDefinite) {
    using T = TypeParam;
    std::vector<T> p{4, 2, 3}, b{1, 2};
    EXPECT_EQ(solve(p.data(), b.data(), 2), 0);
    const T tol = 4 * std::numeric_limits<T>::epsilon();
    EXPECT_NEAR(b[0], T(-0.125), tol);
    EXPECT_NEAR(b[1], T(0.75), tol);
    EXPECT_NEAR(p[0], T(0.375), tol);
    EXPECT_NEAR(p[1], T(-2) / 3, tol);
    EXPECT_NEAR(p[2], T(1) / 3, tol);
}

// The first pivot, reduced to 1 - 2*2, is negative: the status says so, yet
// the work goes on and gives the exact solution of the indefinite system.
TYPED_TEST(PackedSolve, TwoByTwoIndefinite) {
    using T = TypeParam;
    std::vector<T> p{1, 2, 1}, b{3, 3}, h{0, 3};
    EXPECT_EQ(solve2(p.data(), b.data(), h.data(), 2), 1);
    EXPECT_TRUE(same_bits(b, {1, 1}));
    EXPECT_TRUE(same_bits(p, {T(1) / T(-3), -2, 1}));
    EXPECT_NEAR(h[0], T(2), 4 * std::numeric_limits<T>::epsilon());
    EXPECT_NEAR(h[1], T(-1), 4 * std::numeric_limits<T>::epsilon());
}

TYPED_TEST(PackedSolve, ZeroPivotReturnsNormally) {
    using T = TypeParam;
    std::vector<T> p{1, 1, 1}, b{1, 2};  // first pivot reduces to 1 - 1*1
    EXPECT_EQ(solve(p.data(), b.data(), 2), 1);
    EXPECT_FALSE(std::isfinite(p[0]));
    EXPECT_FALSE(std::isfinite(b[0]));
    EXPECT_FALSE(std::isfinite(b[1]));
}

// The second right-hand side shares the elimination but never feeds back:
// factor and first solution are those of the one-right-hand-side routine
// whatever h holds, and the second solution is what that routine gives for h
// alone.
TYPED_TEST(PackedSolve, SecondRightHandSideIsIndependent) {
    using T = TypeParam;
    std::mt19937 rng(99);
    const T inf = std::numeric_limits<T>::infinity();
    for (uint32_t n = 1; n <= 40; ++n) {
        auto full = random_symmetric<T>(n, rng);
        if (n % 3 == 0) full[0] = T(-1);  // some indefinite systems too
        const auto packed = packed_from_full(full, n);
        const auto rhs = random_vector<T>(n, rng);
        const auto other = random_vector<T>(n, rng);

        auto p1 = packed, x1 = rhs;
        const int32_t status = solve(p1.data(), x1.data(), n);
        auto ph = packed, xh = other;
        solve(ph.data(), xh.data(), n);

        auto p2 = packed, x2 = rhs, y2 = other;
        EXPECT_EQ(solve2(p2.data(), x2.data(), y2.data(), n), status);
        EXPECT_TRUE(same_bits(p2, p1)) << "n = " << n;
        EXPECT_TRUE(same_bits(x2, x1)) << "n = " << n;
        EXPECT_TRUE(same_bits(y2, xh)) << "n = " << n;

        for (T fill : {T(0), std::numeric_limits<T>::quiet_NaN(), inf, T(-1e30f)}) {
            std::vector<T> junk(n, fill);
            junk[n / 2] = -inf;
            auto p3 = packed, x3 = rhs;
            EXPECT_EQ(solve2(p3.data(), x3.data(), junk.data(), n), status);
            EXPECT_TRUE(same_bits(p3, p1)) << "n = " << n << ", h filled with " << fill;
            EXPECT_TRUE(same_bits(x3, x1)) << "n = " << n << ", h filled with " << fill;
        }
    }
}

TYPED_TEST(PackedSolve, AgreesWithTheFullStorageInverse) {
    using T = TypeParam;
    std::mt19937 rng(5);
    for (uint32_t n = 1; n <= 64; ++n) {
        auto inverse = random_symmetric<T>(n, rng);
        auto packed = packed_from_full(inverse, n);
        auto x = random_vector<T>(n, rng);
        const auto b = x;
        ASSERT_EQ(solve(packed.data(), x.data(), n), 0);
        ASSERT_EQ(invsim(inverse.data(), n), 0);
        for (uint32_t i = 0; i < n; ++i) {
            double y = 0;
            for (uint32_t j = 0; j < n; ++j) y += double(inverse[i * n + j]) * b[j];
            EXPECT_NEAR(x[i], y, kTolerance<T>) << "n = " << n << ", i = " << i;
        }
    }
}

TYPED_TEST(PackedSolve, OrderZeroTouchesNothing) {
    using T = TypeParam;
    T* none = nullptr;
    EXPECT_EQ(solve(none, none, 0), 0);
    EXPECT_EQ(solve2(none, none, none, 0), 0);
}

}  // namespace
