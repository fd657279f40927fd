// Rotation from a general 3x3 matrix: worked examples of the line choice,
// scaled rotations and reflections, and the degenerate zero matrix.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "twins3d.hpp"

namespace {

using vq_test::Mat3;
using vq_test::Twin;

template <class T>
class RotationFromMatrix : public ::testing::Test {
protected:
    static Mat3 convert(const Mat3& in) {
        T m[9];
        for (int e = 0; e < 9; ++e) m[e] = T(in[e]);
        Twin<T>::to_rotation(m);
        Mat3 out;
        for (int e = 0; e < 9; ++e) out[e] = double(m[e]);
        return out;
    }
    static void expect_near(const Mat3& got, const Mat3& expected) {
        EXPECT_LT(vq_test::max_difference(got, expected), 4 * Twin<T>::kTolerance);
    }
};
using Twins = ::testing::Types<float, double>;
TYPED_TEST_SUITE(RotationFromMatrix, Twins);

TYPED_TEST(RotationFromMatrix, RotationsAndTheirPositiveMultiplesComeBack) {
    const Mat3 R = vq_test::product(vq_test::rot_z(2), vq_test::product(vq_test::rot_y(0.3),
                                                                        vq_test::rot_x(0.5)));
    this->expect_near(this->convert(R), R);
    Mat3 scaled;
    for (int e = 0; e < 9; ++e) scaled[e] = 3.5 * R[e];
    this->expect_near(this->convert(scaled), R);
    this->expect_near(this->convert({2, 0, 0, 0, 2, 0, 0, 0, 2}), {1, 0, 0, 0, 1, 0, 0, 0, 1});
}

TYPED_TEST(RotationFromMatrix, EqualLengthsReplaceColumnZero) {
    // Columns, column 2 kept, column 1 orthogonalised, column 0 := c1 x c2: the
    // input's column 0 does not matter as long as all lengths tie.
    const Mat3 m = {0, 1, 0, 0, 0, 1, 1, 0, 0};  // reflection-free permutation
    this->expect_near(this->convert(m), m);
    const Mat3 flipped = {0, 1, 0, 0, 0, 1, -1, 0, 0};  // column 0 negated: det -1
    this->expect_near(this->convert(flipped), m);
}

TYPED_TEST(RotationFromMatrix, ReflectionBecomesProperRotation) {
    const Mat3 got = this->convert({1, 0, 0, 0, 1, 0, 0, 0, -1});
    this->expect_near(got, {-1, 0, 0, 0, 1, 0, 0, 0, -1});
}

TYPED_TEST(RotationFromMatrix, ShearTieSelectsColumns) {
    const double h = std::sqrt(0.5);
    const Mat3 got = this->convert({1, 1, 0, 0, 1, 0, 0, 0, 1});
    this->expect_near(got, {h, h, 0, -h, h, 0, 0, 0, 1});
}

TYPED_TEST(RotationFromMatrix, LongerMiddleRowSelectsRows) {
    const double r3 = std::sqrt(3.0), r6 = std::sqrt(6.0), h = std::sqrt(0.5);
    const Mat3 got = this->convert({1, 0, 0, 1, 1, 0, 1, 0, 1});
    this->expect_near(got, {1 / r3, -1 / r3, -1 / r3, 1 / r6, 2 / r6, -1 / r6, h, 0, h});
}

TYPED_TEST(RotationFromMatrix, PerturbedMatricesBecomeRotations) {
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(-0.2, 0.2), angle(-3, 3);
    const Mat3 I = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (int trial = 0; trial < 200; ++trial) {
        Mat3 m = vq_test::product(vq_test::rot_z(angle(rng)),
                                  vq_test::product(vq_test::rot_y(angle(rng)),
                                                   vq_test::rot_x(angle(rng))));
        for (double& v : m) v = 2 * v + u(rng);
        const Mat3 R = this->convert(m);
        this->expect_near(vq_test::product(R, vq_test::transpose(R)), I);
        EXPECT_NEAR(vq_test::determinant(R), 1.0, 4 * Twin<TypeParam>::kTolerance);
    }
}

TYPED_TEST(RotationFromMatrix, ZeroMatrixGivesNaN) {
    const Mat3 got = this->convert({0, 0, 0, 0, 0, 0, 0, 0, 0});
    for (double v : got) EXPECT_TRUE(std::isnan(v));
}

}  // namespace
