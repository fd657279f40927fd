#include "rotation_test_support.hpp"

namespace {

using namespace rotation_test;

constexpr double kDeg = 3.141592653589793 / 180;

Mat quaternion_matrix(const Angulos& v) {
    Mat R;
    MatrizRot_24(v, R.data());
    return R;
}

TEST(ParametersFromMatrix, InverseOfTheQuaternionBuilderBelowAHalfTurn) {
    // |v| = 2 sin(theta/2): theta from a few degrees up to 179 degrees, both methods.
    const double axes[][3] = {{1, 0, 0}, {0, -1, 0}, {0.6, 0, 0.8}, {2.0 / 3, -1.0 / 3, 2.0 / 3}};
    for (const auto& n : axes)
        for (double theta_deg : {0.5, 30.0, 120.0, 150.0, 155.0, 170.0, 179.0}) {
            const double r = 2 * std::sin(theta_deg * kDeg / 2);
            const Angulos v = {r * n[0], r * n[1], r * n[2]};
            const Angulos back = Gmatriz_24_seg(quaternion_matrix(v).data());
            EXPECT_NEAR(back.omega, v.omega, 1e-12) << theta_deg;
            EXPECT_NEAR(back.fi, v.fi, 1e-12) << theta_deg;
            EXPECT_NEAR(back.kappa, v.kappa, 1e-12) << theta_deg;
        }
    const Mat I = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const Angulos zero = Gmatriz_24_seg(I.data());
    EXPECT_EQ(zero.omega, 0.0);
    EXPECT_EQ(zero.fi, 0.0);
    EXPECT_EQ(zero.kappa, 0.0);
}

TEST(ParametersFromMatrix, ExactHalfTurns) {
    const Angulos x = Gmatriz_24_seg(quaternion_matrix({2, 0, 0}).data());
    EXPECT_EQ(x.omega, 2.0);
    EXPECT_EQ(x.fi, 0.0);
    EXPECT_EQ(x.kappa, 0.0);
    // About (1, -1, 0)/sqrt 2, exactly symmetric: no sign condition holds.
    const Mat R = {0, -1, 0, -1, 0, 0, 0, 0, -1};
    const Angulos v = Gmatriz_24_seg(R.data());
    EXPECT_EQ(v.omega, std::sqrt(2.0));
    EXPECT_EQ(v.fi, std::sqrt(2.0));
    EXPECT_EQ(v.kappa, 0.0);
}

TEST(ParametersFromMatrix, NegativeRadicandFromRoundingGivesZero) {
    // Trace -1, and 2 R[1][1] + 1 - t slightly negative.
    const Mat R = {1, 0, 0, 0, -1.0000000000000002, 0, 0, 0, -0.9999999999999998};
    EXPECT_EQ(Gmatriz_24_seg(R.data()).fi, 0.0);
}

}  // namespace
