#include "rotation_test_support.hpp"

namespace {

using namespace rotation_test;

const Mat kIdentity = {1, 0, 0, 0, 1, 0, 0, 0, 1};

TEST(RotationBuilders, ZeroAnglesAndZeroVectorGiveIdentity) {
    const SenCos zero = {0, 1, 0, 1, 0, 1};
    const Angulos none = {0, 0, 0};
    Mat R;
    MatrizRotGT_ωφκ(zero, R.data());
    EXPECT_EQ(R, kIdentity);
    MatrizRotGT_κωφ(zero, R.data());
    EXPECT_EQ(R, kIdentity);
    MatrizRotGT_κwκ(zero, R.data());
    EXPECT_EQ(R, kIdentity);
    MatrizRot_κωφ(none, R.data());
    EXPECT_EQ(R, kIdentity);
    MatrizRot_24(none, R.data());
    EXPECT_EQ(R, kIdentity);
    MatrizRot_26(none, R.data());
    EXPECT_EQ(R, kIdentity);
    MatrizRot_28(none, R.data());
    EXPECT_EQ(R, kIdentity);
}

TEST(RotationBuilders, RotationVectorBuilderIsNaNForZeroVector) {
    Mat R;
    MatrizRot_20({0, 0, 0}, R.data());
    for (double e : R) EXPECT_TRUE(std::isnan(e));
}

TEST(RotationBuilders, OrdersAgreeWithoutKappaAndDifferWithIt) {
    Mat A, B;
    MatrizRotGT_ωφκ(sincos_of(0.3, -0.7, 0), A.data());
    MatrizRotGT_κωφ(sincos_of(0.3, -0.7, 0), B.data());
    EXPECT_TRUE(near(A, Ry(-0.7) * Rx(0.3)));
    EXPECT_TRUE(near(B, Ry(-0.7) * Rx(0.3)));

    MatrizRotGT_ωφκ(sincos_of(0.3, 0, 0.5), A.data());
    MatrizRotGT_κωφ(sincos_of(0.3, 0, 0.5), B.data());
    EXPECT_TRUE(near(A, Rz(0.5) * Rx(0.3)));
    EXPECT_TRUE(near(B, Rx(0.3) * Rz(0.5)));
    EXPECT_FALSE(near(A, B, 1e-3));
}

TEST(RotationBuilders, ProductsOfElementaryRotations) {
    const double omega = 0.4, fi = -1.1, kappa = 2.7;
    Mat R;
    MatrizRotGT_ωφκ(sincos_of(omega, fi, kappa), R.data());
    EXPECT_TRUE(near(R, Rz(kappa) * Ry(fi) * Rx(omega)));
    MatrizRotGT_κωφ(sincos_of(omega, fi, kappa), R.data());
    EXPECT_TRUE(near(R, Ry(fi) * Rx(omega) * Rz(kappa)));
    MatrizRotGT_κwκ(sincos_of(omega, fi, kappa), R.data());  // slots (k1, w, k2)
    EXPECT_TRUE(near(R, Rz(kappa) * Rx(fi) * Rz(omega)));
}

TEST(RotationBuilders, AngleBuilderMatchesSineCosineBuilderBitForBit) {
    for (double omega : {-3.0, -0.2, 0.0, 1.3})
        for (double fi : {-1.5, 0.1, 0.9})
            for (double kappa : {-2.2, 0.0, 3.1}) {
                Mat A, B;
                MatrizRot_κωφ({omega, fi, kappa}, A.data());
                MatrizRotGT_κωφ(sincos_of(omega, fi, kappa), B.data());
                EXPECT_EQ(A, B);
            }
}

TEST(RotationBuilders, FiAtPlusNinetyDegreesCouplesKappaAndOmega) {
    auto at_pole = [](double omega, double kappa) {
        SenCos sc = sincos_of(omega, 0, kappa);
        sc.sen_fi = 1;
        sc.cos_fi = 0;
        Mat R;
        MatrizRotGT_ωφκ(sc, R.data());
        return R;
    };
    const Mat A = at_pole(0.2, 0.9), B = at_pole(-0.5, 0.2);  // kappa - omega = 0.7
    EXPECT_EQ(A[6], -1.0);
    EXPECT_EQ(A[7], 0.0);
    EXPECT_EQ(A[8], 0.0);
    EXPECT_TRUE(near(A, B));
}

TEST(RotationBuilders, ZxzSequenceSpecialCases) {
    Mat R;
    MatrizRotGT_κwκ(sincos_of(0.4, 0, 1.1), R.data());
    EXPECT_TRUE(near(R, Rz(1.5)));
    MatrizRotGT_κwκ(sincos_of(0, -0.8, 0), R.data());
    EXPECT_TRUE(near(R, Rx(-0.8)));
}

// The four parametrisations of one turn by theta about the unit axis n.
void expect_parameter_builders_agree(const double n[3], double theta, const Mat& expected) {
    const double s20 = theta, s24 = 2 * std::sin(theta / 2), s26 = 2 * std::tan(theta / 2);
    Mat R20, R24, R26, R28;
    MatrizRot_20({s20 * n[0], s20 * n[1], s20 * n[2]}, R20.data());
    MatrizRot_24({s24 * n[0], s24 * n[1], s24 * n[2]}, R24.data());
    MatrizRot_26({s26 * n[0], s26 * n[1], s26 * n[2]}, R26.data());
    const double h = std::sin(theta / 2);
    MatrizRot_28({2 * std::asin(n[0] * h), 2 * std::asin(n[1] * h), 2 * std::asin(n[2] * h)},
                 R28.data());
    EXPECT_TRUE(near(R20, expected));
    EXPECT_TRUE(near(R24, expected));
    EXPECT_TRUE(near(R26, expected));
    EXPECT_TRUE(near(R28, expected));
    for (const Mat* R : {&R20, &R24, &R26, &R28}) EXPECT_TRUE(is_rotation(*R));
}

TEST(RotationBuilders, ParameterBuildersAgreeOnTheAxes) {
    const double x[3] = {1, 0, 0}, y[3] = {0, 1, 0}, z[3] = {0, 0, 1};
    expect_parameter_builders_agree(x, 2.5, Rx(2.5));
    expect_parameter_builders_agree(y, 2.5, Ry(2.5));
    expect_parameter_builders_agree(z, 2.5, Rz(2.5));
    expect_parameter_builders_agree(z, -0.3, Rz(-0.3));
}

TEST(RotationBuilders, ParameterBuildersAgreeOffTheAxes) {
    const double n[3] = {2.0 / 3, -1.0 / 3, 2.0 / 3};
    // Rodrigues: I + sin t [n]x + (1 - cos t) [n]x^2
    const double t = 1, s = std::sin(t), c = 1 - std::cos(t);
    const Mat K = {0, -n[2], n[1], n[2], 0, -n[0], -n[1], n[0], 0};
    const Mat K2 = K * K;
    Mat expected;
    for (int i = 0; i < 9; ++i) expected[i] = kIdentity[i] + s * K[i] + c * K2[i];
    expect_parameter_builders_agree(n, t, expected);
}

TEST(RotationBuilders, QuaternionBuilderOnExactHalfTurnIsSymmetric) {
    Mat R;
    MatrizRot_24({2, 0, 0}, R.data());
    EXPECT_EQ(R, (Mat{1, 0, 0, 0, -1, 0, 0, 0, -1}));
    MatrizRot_24({0, 0, -2}, R.data());
    EXPECT_EQ(R, (Mat{-1, 0, 0, 0, -1, 0, 0, 0, 1}));
}

TEST(RotationBuilders, OutsideTheDomainTheOffDiagonalIsNaN) {
    Mat A, B;
    MatrizRot_24({2.5, 0, 0}, A.data());    // |v| above 2
    MatrizRot_28({3.0, 3.0, 0}, B.data());  // cosines summing below 1
    for (const Mat* R : {&A, &B}) {
        for (int i : {1, 2, 3, 5, 6, 7}) EXPECT_TRUE(std::isnan((*R)[i]));
        for (int i : {0, 4, 8}) EXPECT_TRUE(std::isfinite((*R)[i]));
    }
}

TEST(RotationBuilders, ParameterBuildersGiveRotationsOverAGrid) {
    for (double a : {-3.0, -1.2, -0.01, 0.4, 1.9})
        for (double b : {-1.4, -0.3, 0.7})
            for (double c : {-2.6, 0.05, 3.0}) {
                Mat R;
                MatrizRot_20({a, b, c}, R.data());
                EXPECT_TRUE(is_rotation(R));
                MatrizRot_26({a * 40, b, c}, R.data());  // any finite vector
                EXPECT_TRUE(is_rotation(R));
                const double scale = 1.9 / std::sqrt(a * a + b * b + c * c);
                MatrizRot_24({a * scale, b * scale, c * scale}, R.data());
                EXPECT_TRUE(is_rotation(R));
            }
}
}  // namespace
