// Paired 3D point sets for the estimator tests: storage, pair pointers, a
// generator through a known similarity, and an independent least-squares
// rotation (Horn's unit-quaternion method with a Jacobi eigen-solver).
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "support/point_pairs.hpp"
#include "twins3d.hpp"

namespace vq_test {

using Vec3 = std::array<double, 3>;

// Per pair: source x, y, z then destination x, y, z, reached through
// pointers[2i] and pointers[2i + 1] as the estimator expects.
template <class T>
class PairSet {
public:
    explicit PairSet(std::size_t n) : coords_(6 * n) { link(); }
    PairSet(const PairSet& other) : coords_(other.coords_) { link(); }
    PairSet& operator=(const PairSet&) = delete;

    uint32_t n() const { return uint32_t(coords_.size() / 6); }
    T* const* pointers() const { return pointers_.data(); }
    T* source(std::size_t i) { return &coords_[6 * i]; }
    T* destination(std::size_t i) { return &coords_[6 * i + 3]; }
    const std::vector<T>& coords() const { return coords_; }

    // The same pairs with source and destination exchanged.
    PairSet swapped() const {
        PairSet s(*this);
        for (std::size_t i = 0; i < n(); ++i)
            for (int c = 0; c < 3; ++c) std::swap(s.source(i)[c], s.destination(i)[c]);
        return s;
    }

private:
    void link() {
        pointers_.resize(coords_.size() / 3);
        for (std::size_t i = 0; i < pointers_.size(); ++i) pointers_[i] = &coords_[3 * i];
    }
    std::vector<T> coords_;
    std::vector<T*> pointers_;
};

// Twelve points spread through the cube [0, 10]^3.
inline std::vector<Vec3> cube_points() {
    return {{0, 0, 0},  {10, 0, 0}, {0, 10, 0}, {0, 0, 10}, {10, 10, 0}, {10, 0, 10},
            {0, 10, 10}, {10, 10, 10}, {5, 2, 7}, {3, 8, 1}, {7, 5, 4}, {2, 6, 9}};
}

// destination = shift + scale * R * source (+ Gaussian noise of deviation sigma),
// formed in double and rounded to T.
template <class T>
PairSet<T> make_pairs(const std::vector<Vec3>& source, const Mat3& R, double scale,
                      const Vec3& shift, double sigma = 0, unsigned seed = 1) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0, 1);
    PairSet<T> set(source.size());
    for (std::size_t i = 0; i < source.size(); ++i) {
        const Vec3& a = source[i];
        const auto b = similarity_image_3d(a.data(), R.data(), scale, shift.data(),
                                           [&] { return sigma > 0 ? sigma * noise(rng) : 0.0; });
        for (int r = 0; r < 3; ++r) {
            set.source(i)[r] = T(a[r]);
            set.destination(i)[r] = T(b[r]);
        }
    }
    return set;
}

// Eigenvector of the largest eigenvalue of a symmetric 4x4 matrix (row-major),
// by cyclic Jacobi rotations.
inline std::array<double, 4> dominant_eigenvector(std::array<double, 16> A) {
    std::array<double, 16> V{};
    for (int i = 0; i < 4; ++i) V[5 * i] = 1;
    for (int sweep = 0; sweep < 100; ++sweep) {
        double off = 0;
        for (int p = 0; p < 4; ++p)
            for (int q = p + 1; q < 4; ++q) off += A[4 * p + q] * A[4 * p + q];
        if (off < 1e-40) break;
        for (int p = 0; p < 4; ++p) {
            for (int q = p + 1; q < 4; ++q) {
                if (A[4 * p + q] == 0) continue;
                const double theta = (A[4 * q + q] - A[4 * p + p]) / (2 * A[4 * p + q]);
                const double t = (theta >= 0 ? 1.0 : -1.0) /
                                 (std::fabs(theta) + std::sqrt(theta * theta + 1));
                const double c = 1 / std::sqrt(t * t + 1), s = t * c;
                for (int k = 0; k < 4; ++k) {  // columns p, q
                    const double akp = A[4 * k + p], akq = A[4 * k + q];
                    A[4 * k + p] = c * akp - s * akq;
                    A[4 * k + q] = s * akp + c * akq;
                }
                for (int k = 0; k < 4; ++k) {  // rows p, q
                    const double apk = A[4 * p + k], aqk = A[4 * q + k];
                    A[4 * p + k] = c * apk - s * aqk;
                    A[4 * q + k] = s * apk + c * aqk;
                }
                for (int k = 0; k < 4; ++k) {
                    const double vkp = V[4 * k + p], vkq = V[4 * k + q];
                    V[4 * k + p] = c * vkp - s * vkq;
                    V[4 * k + q] = s * vkp + c * vkq;
                }
            }
        }
    }
    int best = 0;
    for (int i = 1; i < 4; ++i)
        if (A[5 * i] > A[5 * best]) best = i;
    return {V[best], V[4 + best], V[8 + best], V[12 + best]};
}

// Rotation R maximising sum b'.(R a') over the centred pairs, in double.
template <class T>
Mat3 least_squares_rotation(const PairSet<T>& set) {
    const std::vector<T>& x = set.coords();
    const std::size_t n = set.n();
    double ma[3] = {0, 0, 0}, mb[3] = {0, 0, 0};
    for (std::size_t i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) {
            ma[c] += x[6 * i + c] / double(n);
            mb[c] += x[6 * i + 3 + c] / double(n);
        }
    double S[3][3] = {};  // S[a][b] = sum a'_a b'_b
    for (std::size_t i = 0; i < n; ++i)
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                S[r][c] += (x[6 * i + r] - ma[r]) * (x[6 * i + 3 + c] - mb[c]);
    const double xx = S[0][0], xy = S[0][1], xz = S[0][2], yx = S[1][0], yy = S[1][1],
                 yz = S[1][2], zx = S[2][0], zy = S[2][1], zz = S[2][2];
    const std::array<double, 16> N = {
        xx + yy + zz, yz - zy,       zx - xz,       xy - yx,
        yz - zy,      xx - yy - zz,  xy + yx,       zx + xz,
        zx - xz,      xy + yx,       -xx + yy - zz, yz + zy,
        xy - yx,      zx + xz,       yz + zy,       -xx - yy + zz};
    const std::array<double, 4> q = dominant_eigenvector(N);
    const double w = q[0], a = q[1], b = q[2], c = q[3];
    return {w * w + a * a - b * b - c * c, 2 * (a * b - w * c), 2 * (a * c + w * b),
            2 * (a * b + w * c), w * w - a * a + b * b - c * c, 2 * (b * c - w * a),
            2 * (a * c - w * b), 2 * (b * c + w * a), w * w - a * a - b * b + c * c};
}

}  // namespace vq_test
