#include "rotation_test_support.hpp"

namespace {

using namespace rotation_test;

constexpr double kHalfPi = 1.5707963267948966;
constexpr double kDeg = 3.141592653589793 / 180;

Mat quaternion_matrix(const Angulos& v) {
    Mat R;
    MatrizRot_24(v, R.data());
    return R;
}

// The same extraction under another address, so the generic half-turn path runs.
Angulos angles_through_wrapper(const double* R) { return Gmatriz_ωφκ_seg(R); }

TEST(QuarterTurnOffset, CountsQuarterTurnsAboutZ) {
    const struct { double deg; int32_t count; } cases[] = {{0, 0}, {90, 1}, {180, 2}, {-90, 3}};
    for (FuncionGmatriz f : {&Gmatriz_ωφκ_seg, &Gmatriz_24_seg, &angles_through_wrapper})
        for (const auto& c : cases) {
            const Mat R = Rz(c.deg * kDeg);
            const Mat before = R;
            int32_t n = -1;
            const Angulos a = Getoffset_matriz(R.data(), f, &n);
            EXPECT_EQ(n, c.count) << c.deg;
            EXPECT_NEAR(a.omega, 0, kTolerance);
            EXPECT_NEAR(a.fi, 0, kTolerance);
            EXPECT_NEAR(a.kappa, 0, kTolerance);
            EXPECT_EQ(R, before);  // read only
        }
}

TEST(QuarterTurnOffset, BoundariesAtFortyFiveAndHundredThirtyFiveDegrees) {
    const double eps = 1e-4;
    const struct { double deg; int32_t count; double kappa_deg; } cases[] = {
        {45 - eps, 0, 45 - eps}, {45 + eps, 1, 45 + eps - 90},
        {135 - eps, 1, 45 - eps}, {135 + eps, 2, 135 + eps - 180},
        {-45 + eps, 0, -45 + eps}, {-45 - eps, 3, -45 - eps + 90}};
    for (const auto& c : cases) {
        int32_t n = -1;
        const Angulos a = Getoffset_matriz(Rz(c.deg * kDeg).data(), &Gmatriz_ωφκ_seg, &n);
        EXPECT_EQ(n, c.count) << c.deg;
        EXPECT_NEAR(a.kappa, c.kappa_deg * kDeg, kTolerance) << c.deg;
    }
}

TEST(QuarterTurnOffset, ReturnedAnglesRebuildTheMatrixAfterTheOffset) {
    for (double omega = -3.0; omega < 3.1; omega += 0.8)
        for (double fi = -1.5; fi < 1.6; fi += 0.5)
            for (double kappa = -3.1; kappa < 3.1; kappa += 0.45) {
                const Mat R = from_angles(omega, fi, kappa);
                int32_t n = -1;
                const Angulos a = Getoffset_matriz(R.data(), &Gmatriz_ωφκ_seg, &n);
                ASSERT_GE(n, 0);
                ASSERT_LE(n, 3);
                EXPECT_LE(std::fabs(a.kappa), kHalfPi);
                EXPECT_TRUE(near(from_angles(a.omega, a.fi, a.kappa) * Rz(n * kHalfPi), R));

                const Angulos v = Getoffset_matriz(R.data(), &Gmatriz_24_seg, &n);
                EXPECT_TRUE(near(quaternion_matrix(v) * Rz(n * kHalfPi), R, 1e-12));
            }
}

}  // namespace
