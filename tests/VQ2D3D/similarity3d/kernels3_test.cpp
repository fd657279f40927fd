// 3x3 symmetric inverse and 3x3 product: worked examples, identities and the
// failure of a zero leading pivot.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <type_traits>

#include "product3.hpp"
#include "twins3d.hpp"

namespace {

using vq_test::Twin;

template <class T>
class SymmetricInverse3 : public ::testing::Test {};
using Twins = ::testing::Types<float, double>;
TYPED_TEST_SUITE(SymmetricInverse3, Twins);

TYPED_TEST(SymmetricInverse3, WorkedExampleIgnoresLowerTriangle) {
    using T = TypeParam;
    const double expected[9] = {5.0 / 12, -1.0 / 3, 1.0 / 6, -1.0 / 3, 2.0 / 3,
                                -1.0 / 3, 1.0 / 6,  -1.0 / 3, 2.0 / 3};
    T clean[9] = {4, 2, 0, 2, 3, 1, 0, 1, 2};
    T junk[9] = {4, 2, 0, -77, 3, 1, 1e6, T(NAN), 2};
    Twin<T>::invert(clean);
    Twin<T>::invert(junk);
    EXPECT_LT(vq_test::max_difference(clean, expected), Twin<T>::kTolerance);
    EXPECT_EQ(0, std::memcmp(clean, junk, sizeof clean));
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(clean[3 * i + j], clean[3 * j + i]);
}

TYPED_TEST(SymmetricInverse3, IdentityAndDiagonalAreExact) {
    using T = TypeParam;
    T identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const T expected_identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    Twin<T>::invert(identity);
    for (int e = 0; e < 9; ++e) EXPECT_EQ(identity[e], expected_identity[e]);

    T diagonal[9] = {2, 0, 0, 0, 4, 0, 0, 0, 8};
    Twin<T>::invert(diagonal);
    const T expected_diagonal[9] = {0.5, 0, 0, 0, 0.25, 0, 0, 0, 0.125};
    for (int e = 0; e < 9; ++e) EXPECT_EQ(diagonal[e], expected_diagonal[e]);
}

TYPED_TEST(SymmetricInverse3, InverseTimesMatrixIsIdentity) {
    using T = TypeParam;
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> u(-1, 1);
    for (int trial = 0; trial < 200; ++trial) {
        // A = B B^T + I is symmetric positive definite and well conditioned.
        double B[9], A[9];
        for (double& b : B) b = u(rng);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) {
                A[3 * i + j] = (i == j) ? 1.0 : 0.0;
                for (int k = 0; k < 3; ++k) A[3 * i + j] += B[3 * i + k] * B[3 * j + k];
            }
        T m[9];
        for (int e = 0; e < 9; ++e) m[e] = T(A[e]);
        Twin<T>::invert(m);
        vq_test::Mat3 Am, Mi;
        for (int e = 0; e < 9; ++e) {
            Am[e] = double(T(A[e]));
            Mi[e] = double(m[e]);
        }
        const vq_test::Mat3 I = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        EXPECT_LT(vq_test::max_difference(vq_test::product(Mi, Am), I), 100 * Twin<T>::kTolerance);
    }
}

TYPED_TEST(SymmetricInverse3, ZeroFirstPivotGivesNaNEverywhere) {
    using T = TypeParam;
    // Invertible, but the elimination has no pivot search.
    T m[9] = {0, 1, 0, 1, 1, 0, 0, 0, 1};
    Twin<T>::invert(m);
    for (int e = 0; e < 9; ++e) EXPECT_TRUE(std::isnan(m[e])) << "position " << e;
}

template <class T>
class Product3 : public ::testing::Test {};
TYPED_TEST_SUITE(Product3, Twins);

TYPED_TEST(Product3, IdentityOnEitherSide) {
    using T = TypeParam;
    const T I[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const T A[9] = {1.5, -2, 3.25, 0.1f, 7, -8, 9, 1e-3f, 0.5};
    T P[9];
    vq::multiplica3(I, A, P);
    EXPECT_EQ(0, std::memcmp(P, A, sizeof P));
    vq::multiplica3(A, I, P);
    for (int e = 0; e < 9; ++e) EXPECT_EQ(P[e], A[e]);
}

TYPED_TEST(Product3, WorkedExampleDoesNotCommute) {
    using T = TypeParam;
    const T A[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const T B[9] = {0, 1, 0, 0, 0, 1, 1, 0, 0};
    const T AB[9] = {3, 1, 2, 6, 4, 5, 9, 7, 8};
    const T BA[9] = {4, 5, 6, 7, 8, 9, 1, 2, 3};
    T P[9];
    vq::multiplica3(A, B, P);
    for (int e = 0; e < 9; ++e) EXPECT_EQ(P[e], AB[e]);
    vq::multiplica3(B, A, P);
    for (int e = 0; e < 9; ++e) EXPECT_EQ(P[e], BA[e]);
}

TYPED_TEST(Product3, AccumulatesLeftToRightFromZero) {
    using T = TypeParam;
    // ((0 + big) - big) + 1 is 1; big + (1 - big) would round to 0.
    const T big = std::is_same<T, float>::value ? T(1e8) : T(1e17);
    const T A[9] = {1, -1, 1, 0, 0, 0, 0, 0, 0};
    const T B[9] = {big, 0, 0, big, 0, 0, 1, 0, 0};
    T P[9];
    vq::multiplica3(A, B, P);
    EXPECT_EQ(P[0], T(1));
    // A sum that starts from +0 cannot end at -0.
    const T I[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const T negative_zero[9] = {-0.0, -0.0, -0.0, -0.0, -0.0, -0.0, -0.0, -0.0, -0.0};
    vq::multiplica3(I, negative_zero, P);
    for (int e = 0; e < 9; ++e) EXPECT_FALSE(std::signbit(P[e]));
}

TYPED_TEST(Product3, OutputAliasingAnInputIsNotTheProduct) {
    using T = TypeParam;
    T A[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    const T B[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    vq::multiplica3(A, B, A);  // P cleared before A is read
    for (int e = 0; e < 9; ++e) EXPECT_EQ(A[e], T(0));
}

}  // namespace
