// Small helpers shared by the rotation tests: matrices as arrays, elementary
// rotations, products, and element-wise comparison.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "VQ2D3D.h"
#include "support/bits.hpp"

namespace rotation_test {

using Mat = std::array<double, 9>;

// Rounding error of a few operations on values of order one.
constexpr double kTolerance = 1e-13;

inline Mat Rx(double a) { return {1, 0, 0, 0, std::cos(a), -std::sin(a), 0, std::sin(a), std::cos(a)}; }
inline Mat Ry(double a) { return {std::cos(a), 0, std::sin(a), 0, 1, 0, -std::sin(a), 0, std::cos(a)}; }
inline Mat Rz(double a) { return {std::cos(a), -std::sin(a), 0, std::sin(a), std::cos(a), 0, 0, 0, 1}; }

inline Mat operator*(const Mat& A, const Mat& B) {
    Mat C{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) C[3 * i + j] += A[3 * i + k] * B[3 * k + j];
    return C;
}

inline Mat transpose(const Mat& A) {
    return {A[0], A[3], A[6], A[1], A[4], A[7], A[2], A[5], A[8]};
}

inline double determinant(const Mat& A) {
    return A[0] * (A[4] * A[8] - A[5] * A[7]) - A[1] * (A[3] * A[8] - A[5] * A[6]) +
           A[2] * (A[3] * A[7] - A[4] * A[6]);
}

inline SenCos sincos_of(double omega, double fi, double kappa) {
    return {std::sin(omega), std::cos(omega), std::sin(fi), std::cos(fi), std::sin(kappa), std::cos(kappa)};
}

inline Mat from_angles(double omega, double fi, double kappa) {
    Mat R;
    MatrizRotGT_ωφκ(sincos_of(omega, fi, kappa), R.data());
    return R;
}

inline ::testing::AssertionResult near(const Mat& A, const Mat& B, double tol = kTolerance) {
    for (int i = 0; i < 9; ++i)
        if (!(std::fabs(A[i] - B[i]) <= tol))
            return ::testing::AssertionFailure()
                   << "element " << i << ": " << A[i] << " vs " << B[i];
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult is_rotation(const Mat& R, double tol = kTolerance) {
    const Mat I = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    auto orth = near(R * transpose(R), I, tol);
    if (!orth) return orth << " (R R^T != I)";
    if (!(std::fabs(determinant(R) - 1) <= tol))
        return ::testing::AssertionFailure() << "det = " << determinant(R);
    return ::testing::AssertionSuccess();
}

using vq_test::same_bits;

}  // namespace rotation_test
