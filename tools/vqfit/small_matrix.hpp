// Small dense matrices for the tool's own double-precision steps (the
// libraries' kernels are not involved): symmetric eigen-decomposition by
// cyclic Jacobi rotations, rotations from a rotation vector, products.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace vq {

template <std::size_t N>
using Square = std::array<std::array<double, N>, N>;

using Matrix33 = Square<3>;

// Eigenvalues (descending) and unit eigenvectors (column k of `vectors`
// belongs to values[k]) of a symmetric matrix. Jacobi rotations are exact to
// rounding for every symmetric input, repeated eigenvalues included.
template <std::size_t N>
void symmetric_eigen(Square<N> a, std::array<double, N>& values, Square<N>& vectors) {
    Square<N> v{};
    for (std::size_t i = 0; i < N; ++i) v[i][i] = 1.0;
    for (int sweep = 0; sweep < 64; ++sweep) {
        double off = 0.0, diag = 0.0;
        for (std::size_t p = 0; p < N; ++p) {
            diag += a[p][p] * a[p][p];
            for (std::size_t q = p + 1; q < N; ++q) off += a[p][q] * a[p][q];
        }
        if (!(off > 1e-34 * diag)) break;
        for (std::size_t p = 0; p + 1 < N; ++p)
            for (std::size_t q = p + 1; q < N; ++q) {
                if (a[p][q] == 0.0) continue;
                const double theta = 0.5 * std::atan2(2.0 * a[p][q], a[q][q] - a[p][p]);
                const double c = std::cos(theta), s = std::sin(theta);
                for (std::size_t k = 0; k < N; ++k) {  // A <- A J
                    const double akp = a[k][p], akq = a[k][q];
                    a[k][p] = c * akp - s * akq;
                    a[k][q] = s * akp + c * akq;
                }
                for (std::size_t k = 0; k < N; ++k) {  // A <- J^T A
                    const double apk = a[p][k], aqk = a[q][k];
                    a[p][k] = c * apk - s * aqk;
                    a[q][k] = s * apk + c * aqk;
                }
                for (std::size_t k = 0; k < N; ++k) {  // V <- V J
                    const double vkp = v[k][p], vkq = v[k][q];
                    v[k][p] = c * vkp - s * vkq;
                    v[k][q] = s * vkp + c * vkq;
                }
            }
    }
    std::array<std::size_t, N> order{};
    for (std::size_t i = 0; i < N; ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) { return a[i][i] > a[j][j]; });
    for (std::size_t k = 0; k < N; ++k) {
        values[k] = a[order[k]][order[k]];
        for (std::size_t i = 0; i < N; ++i) vectors[i][k] = v[i][order[k]];
    }
}

inline Matrix33 multiply(const Matrix33& a, const Matrix33& b) {
    Matrix33 p{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) p[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
    return p;
}

inline Matrix33 transpose(const Matrix33& a) {
    Matrix33 t{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t[i][j] = a[j][i];
    return t;
}

inline double determinant(const Matrix33& m) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// The rotation by |t| about t (Rodrigues), exact for every angle.
inline Matrix33 rotation_from_vector(const std::array<double, 3>& t) {
    const double angle = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
    Matrix33 r{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
    if (angle == 0.0) return r;
    const double n[3] = {t[0] / angle, t[1] / angle, t[2] / angle};
    const double c = std::cos(angle), s = std::sin(angle), k = 1.0 - c;
    r[0] = {c + k * n[0] * n[0], k * n[0] * n[1] - s * n[2], k * n[0] * n[2] + s * n[1]};
    r[1] = {k * n[1] * n[0] + s * n[2], c + k * n[1] * n[1], k * n[1] * n[2] - s * n[0]};
    r[2] = {k * n[2] * n[0] - s * n[1], k * n[2] * n[1] + s * n[0], c + k * n[2] * n[2]};
    return r;
}

// The nearest rotation to a matrix that is one to a few digits (polar
// decomposition by Newton's iteration X <- (X + X^-T) / 2, written as
// X <- X (3 I - X^T X) / 2, which converges quadratically from there).
inline Matrix33 orthonormalized(Matrix33 x) {
    for (int k = 0; k < 8; ++k) {
        const Matrix33 g = multiply(transpose(x), x);
        Matrix33 h{};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) h[i][j] = 0.5 * ((i == j ? 3.0 : 0.0) - g[i][j]);
        x = multiply(x, h);
    }
    return x;
}

}  // namespace vq
