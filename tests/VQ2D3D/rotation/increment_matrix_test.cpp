#include "rotation_test_support.hpp"

namespace {

using namespace rotation_test;

// Single-precision rounding of a few operations on values of order one.
constexpr double kFloatTolerance = 1e-6;

template <class T> float increment(Angulos_fl theta, T* D);
template <> float increment<float>(Angulos_fl theta, float* D) { return MatrizDeltafl_fl(theta, D); }
template <> float increment<double>(Angulos_fl theta, double* D) { return MatrizDeltafl_dbl(theta, D); }

template <class T>
Mat widened(Angulos_fl theta, float* s = nullptr) {
    T D[9];
    const float r = increment<T>(theta, D);
    if (s) *s = r;
    Mat M;
    for (int i = 0; i < 9; ++i) M[i] = D[i];
    return M;
}

template <class T> class IncrementMatrix : public ::testing::Test {};
using ElementTypes = ::testing::Types<float, double>;
TYPED_TEST_SUITE(IncrementMatrix, ElementTypes);

TYPED_TEST(IncrementMatrix, ZeroCorrectionIsExactIdentity) {
    float s = -1;
    EXPECT_EQ(widened<TypeParam>({0, 0, 0}, &s), (Mat{1, 0, 0, 0, 1, 0, 0, 0, 1}));
    EXPECT_EQ(s, 0.0f);
}

TYPED_TEST(IncrementMatrix, CorrectionOfTwoAboutZIsAQuarterTurn) {
    float s = 0;
    EXPECT_EQ(widened<TypeParam>({0, 0, 2}, &s), (Mat{0, -1, 0, 1, 0, 0, 0, 0, 1}));
    EXPECT_EQ(s, 4.0f);
}

TYPED_TEST(IncrementMatrix, SmallCorrectionIsTheSmallRotation) {
    float s = 0;
    const Mat D = widened<TypeParam>({0.001f, 0, 0}, &s);
    EXPECT_TRUE(near(D, Rx(0.001), kFloatTolerance));
    EXPECT_NEAR(s, 1e-6, 1e-12);
}

TYPED_TEST(IncrementMatrix, IsTheCayleyRotationForAnyCorrection) {
    for (Angulos_fl t : {Angulos_fl{0.3f, -0.2f, 0.1f}, Angulos_fl{-1.5f, 2.0f, 0.7f},
                         Angulos_fl{10.0f, -4.0f, 3.0f}, Angulos_fl{1e-4f, 3e-5f, -2e-4f}}) {
        float s = 0;
        const Mat D = widened<TypeParam>(t, &s);
        EXPECT_TRUE(is_rotation(D, 4 * kFloatTolerance));
        Mat C;
        MatrizRot_26({t.omega, t.fi, t.kappa}, C.data());
        EXPECT_TRUE(near(D, C, 4 * kFloatTolerance));
        EXPECT_EQ(s, (t.omega * t.omega + t.fi * t.fi) + t.kappa * t.kappa);
    }
}

TEST(IncrementMatrixTwins, DoubleTwinWidensTheFloatProducts) {
    const Angulos_fl t = {0.37f, -0.81f, 0.29f};
    const Mat F = widened<float>(t), D = widened<double>(t);
    // Same float terms; only the final sums are rounded to double instead of float.
    for (int i = 0; i < 9; ++i) EXPECT_EQ(static_cast<float>(D[i]), F[i]) << i;
    EXPECT_NE(D, F);
}

TEST(IncrementMatrixTwins, NaNCorrectionPoisonsEverything) {
    float s = 0;
    const Mat D = widened<double>({NAN, 0, 0}, &s);
    EXPECT_TRUE(std::isnan(s));
    for (double e : D) EXPECT_TRUE(std::isnan(e));
}

}  // namespace
