#include "rotation_test_support.hpp"

namespace {

using namespace rotation_test;

constexpr double kHalfPi = 1.5707963267948966;
constexpr double kDeg = 3.141592653589793 / 180;

Mat rebuild(const Angulos& a) { return from_angles(a.omega, a.fi, a.kappa); }

TEST(AnglesFromMatrix, InverseOfTheBuilderOnBothSidesOfTheGimbalThreshold) {
    // fi from 0 to 89 degrees crosses |sin fi| = 0.9 near 64.16 degrees.
    for (double fi_deg : {-89.0, -75.0, -64.2, -64.1, -30.0, 0.0, 30.0, 64.1, 64.2, 75.0, 89.0, 89.99})
        for (double omega = -3.0; omega < 3.1; omega += 0.75)
            for (double kappa = -3.1; kappa < 3.1; kappa += 0.65) {
                const Mat R = from_angles(omega, fi_deg * kDeg, kappa);
                const Angulos a = Gmatriz_ωφκ_seg(R.data());
                EXPECT_TRUE(near(rebuild(a), R)) << omega << " " << fi_deg << " " << kappa;
                EXPECT_LE(std::fabs(a.fi), kHalfPi);
            }
}

TEST(AnglesFromMatrix, RecoversTheAnglesAwayFromThePole) {
    const Angulos a = Gmatriz_ωφκ_seg(from_angles(-2.0, 0.5, 2.9).data());
    EXPECT_NEAR(a.omega, -2.0, kTolerance);
    EXPECT_NEAR(a.fi, 0.5, kTolerance);
    EXPECT_NEAR(a.kappa, 2.9, kTolerance);
}

Mat at_pole(double sin_fi, double omega, double kappa) {
    SenCos sc = sincos_of(omega, 0, kappa);
    sc.sen_fi = sin_fi;
    sc.cos_fi = 0;
    Mat R;
    MatrizRotGT_ωφκ(sc, R.data());
    return R;
}

TEST(AnglesFromMatrix, ExactPoleGivesZeroOmegaAndTheCoupledAngle) {
    Angulos a = Gmatriz_ωφκ_seg(at_pole(1, 0.3, 1.1).data());
    EXPECT_EQ(a.omega, 0.0);
    EXPECT_EQ(a.fi, kHalfPi);
    EXPECT_NEAR(a.kappa, 0.8, kTolerance);  // kappa - omega

    a = Gmatriz_ωφκ_seg(at_pole(1, -2.5, 2.0).data());  // 4.5 is brought into [-pi, pi]
    EXPECT_NEAR(a.kappa, 4.5 - 2 * M_PI, kTolerance);

    a = Gmatriz_ωφκ_seg(at_pole(-1, 0.3, 1.1).data());
    EXPECT_EQ(a.omega, 0.0);
    EXPECT_EQ(a.fi, -kHalfPi);
    EXPECT_NEAR(a.kappa, 1.4, kTolerance);  // kappa + omega
}

TEST(AnglesFromMatrix, ThresholdIsInclusiveAtSinFiOfNineTenths) {
    // Column 0 zero: the pole method reads fi from |cos fi| = 0 and gives -90
    // degrees, the ordinary method asin(s).
    const Mat at = {0, 0, 0, 0, 0, 0, 0.9, 0, 1};
    const Mat below = {0, 0, 0, 0, 0, 0, 0.8999999999999999, 0, 1};
    EXPECT_EQ(Gmatriz_ωφκ_seg(at.data()).fi, -kHalfPi);
    EXPECT_EQ(Gmatriz_ωφκ_seg(below.data()).fi, std::asin(-0.8999999999999999));
}

}  // namespace
