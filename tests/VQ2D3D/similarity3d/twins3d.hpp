// The _fl and _dbl exports of the 3D similarity subsystem behind one typed
// interface, plus small double-precision rotation helpers for the tests.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

#include "VQ2D3D.h"

namespace vq_test {

template <class T> struct Twin;

template <> struct Twin<float> {
    using Record = Hel3Dg_fl;
    static void invert(float* m) { VQinvsim3_fl(m); }
    static void to_rotation(float* m) { convierte_en_R_fl(m); }
    static int32_t fit(float* const* p, uint32_t n, Record* r, int32_t afin, int32_t in_place,
                       float* cof) {
        return Hel3Dg___ptr_fl(p, n, r, afin, in_place, cof);
    }
    static constexpr double kTolerance = 1e-5;  // matrix-sized results
};

template <> struct Twin<double> {
    using Record = Hel3Dg_dbl;
    static void invert(double* m) { VQinvsim3_dbl(m); }
    static void to_rotation(double* m) { convierte_en_R_dbl(m); }
    static int32_t fit(double* const* p, uint32_t n, Record* r, int32_t afin, int32_t in_place,
                       float* cof) {
        return Hel3Dg___ptr_dbl(p, n, r, afin, in_place, cof);
    }
    static constexpr double kTolerance = 1e-13;
};

using Mat3 = std::array<double, 9>;

inline Mat3 product(const Mat3& A, const Mat3& B) {
    Mat3 P{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) P[3 * i + j] += A[3 * i + k] * B[3 * k + j];
    return P;
}

inline Mat3 transpose(const Mat3& A) {
    return {A[0], A[3], A[6], A[1], A[4], A[7], A[2], A[5], A[8]};
}

inline double determinant(const Mat3& A) {
    return A[0] * (A[4] * A[8] - A[5] * A[7]) - A[1] * (A[3] * A[8] - A[5] * A[6]) +
           A[2] * (A[3] * A[7] - A[4] * A[6]);
}

inline Mat3 rot_x(double a) {
    return {1, 0, 0, 0, std::cos(a), -std::sin(a), 0, std::sin(a), std::cos(a)};
}
inline Mat3 rot_y(double a) {
    return {std::cos(a), 0, std::sin(a), 0, 1, 0, -std::sin(a), 0, std::cos(a)};
}
inline Mat3 rot_z(double a) {
    return {std::cos(a), -std::sin(a), 0, std::sin(a), std::cos(a), 0, 0, 0, 1};
}

// Largest absolute elementwise difference of two 3x3 matrices of any type.
template <class A, class B>
double max_difference(const A& a, const B& b) {
    double d = 0;
    for (int e = 0; e < 9; ++e) d = std::fmax(d, std::fabs(double(a[e]) - double(b[e])));
    return d;
}

}  // namespace vq_test
