// The three walks of the 3D similarity fit over its pairs, one pair at a time:
// the reference for the vector walks (pair_walks_avx2.cpp), and the walks
// themselves where those cannot run. Every sum adds its terms in pair order,
// each term formed as written here; a vector walk may form several sums' terms
// side by side but must give these bits.
//
//   centroid_sums    sum a_i, sum b_i
//   reduce_pairs     a' = a - ma, b' = b - mb (stored), and the spreads
//                    Sa = sum |a'|^2, Sb = sum |b'|^2, the cross sums
//                    K[i][j] = sum b'_i a'_j and the source moments
//                    S[i][j] = sum a'_i a'_j (upper triangle); K's third row
//                    and column and S only for the general start
//   refinement_sums  with r = R a': g = sum r x b' and the upper triangle of
//                    N = sum (r.b') I - (r b'^T + b' r^T) / 2 before its
//                    off-diagonal halving; g and N are float in both twins,
//                    g's terms rounded from T, N's formed from r and b'
//                    rounded to float.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vq {

// Reduced pairs in the estimator's work buffer: a', b' as six values a pair.
// The buffer has one value more than its pairs need, so that a vector walk
// may read and write a fourth lane after the last b'.
template <class T> struct BufferedPairs {
    T* values;
    T* source(std::size_t i) const { return values + 6 * i; }
    T* destination(std::size_t i) const { return values + 6 * i + 3; }
};

// Pairs reduced in place, where the caller's pointers point (three values
// each, nothing around them may be touched).
template <class T> struct PointedPairs {
    T* const* pointers;
    T* source(std::size_t i) const { return pointers[2 * i]; }
    T* destination(std::size_t i) const { return pointers[2 * i + 1]; }
};

template <class T> struct ReductionSums {
    T Sa = T(0), Sb = T(0);
    T K[9] = {};
    T S[9] = {};
};

template <class T> struct RefinementSums {
    float g[3] = {0.0f, 0.0f, 0.0f};
    float N[9] = {};  // positions 0, 1, 2, 4, 5, 8
};

namespace reference {

template <class T> void centroid_sums(T* const* puntos, uint32_t n, T sum_a[3], T sum_b[3]) {
    for (int c = 0; c < 3; ++c) sum_a[c] = sum_b[c] = T(0);
    for (uint32_t i = 0; i < n; ++i) {
        const T* a = puntos[2 * std::size_t(i)];
        const T* b = puntos[2 * std::size_t(i) + 1];
        for (int c = 0; c < 3; ++c) {
            sum_a[c] = sum_a[c] + a[c];
            sum_b[c] = sum_b[c] + b[c];
        }
    }
}

template <class T, class Reduced>
void reduce_pairs(T* const* puntos, uint32_t n, const T mean_a[3], const T mean_b[3],
                  const Reduced& out, bool general, ReductionSums<T>& s) {
    for (uint32_t i = 0; i < n; ++i) {
        const T* src = puntos[2 * std::size_t(i)];
        const T* dst = puntos[2 * std::size_t(i) + 1];
        const T a[3] = {src[0] - mean_a[0], src[1] - mean_a[1], src[2] - mean_a[2]};
        const T b[3] = {dst[0] - mean_b[0], dst[1] - mean_b[1], dst[2] - mean_b[2]};
        std::memcpy(out.source(i), a, sizeof a);
        std::memcpy(out.destination(i), b, sizeof b);
        s.Sa = s.Sa + ((a[0] * a[0] + a[1] * a[1]) + a[2] * a[2]);
        s.Sb = s.Sb + ((b[0] * b[0] + b[1] * b[1]) + b[2] * b[2]);
        s.K[0] = s.K[0] + b[0] * a[0];
        s.K[1] = s.K[1] + b[0] * a[1];
        s.K[3] = s.K[3] + b[1] * a[0];
        s.K[4] = s.K[4] + b[1] * a[1];
        if (general) {
            s.K[2] = s.K[2] + b[0] * a[2];
            s.K[5] = s.K[5] + b[1] * a[2];
            s.K[6] = s.K[6] + b[2] * a[0];
            s.K[7] = s.K[7] + b[2] * a[1];
            s.K[8] = s.K[8] + b[2] * a[2];
            s.S[0] = s.S[0] + a[0] * a[0];
            s.S[1] = s.S[1] + a[0] * a[1];
            s.S[2] = s.S[2] + a[0] * a[2];
            s.S[4] = s.S[4] + a[1] * a[1];
            s.S[5] = s.S[5] + a[1] * a[2];
            s.S[8] = s.S[8] + a[2] * a[2];
        }
    }
}

template <class T, class Reduced>
void refinement_sums(const Reduced& pairs, uint32_t n, const T R[9], RefinementSums<T>& s) {
    float* g = s.g;
    float* N = s.N;
    for (uint32_t i = 0; i < n; ++i) {
        const T* a = pairs.source(i);
        const T* b = pairs.destination(i);
        T r[3];
        for (int row = 0; row < 3; ++row) {
            T sum = T(0);
            for (int c = 0; c < 3; ++c) sum = sum + R[3 * row + c] * a[c];
            r[row] = sum;
        }
        // g += r x b': each component formed in T, then rounded to float.
        g[0] = g[0] + static_cast<float>(r[1] * b[2] - r[2] * b[1]);
        g[1] = g[1] + static_cast<float>(r[2] * b[0] - r[0] * b[2]);
        g[2] = g[2] + static_cast<float>(r[0] * b[1] - r[1] * b[0]);

        // N from r and b' rounded to float first.
        const float rx = static_cast<float>(r[0]);
        const float ry = static_cast<float>(r[1]);
        const float rz = static_cast<float>(r[2]);
        const float bx = static_cast<float>(b[0]);
        const float by = static_cast<float>(b[1]);
        const float bz = static_cast<float>(b[2]);
        N[1] = N[1] + (rx * by + ry * bx);
        N[2] = N[2] + (rz * bx + rx * bz);
        N[5] = N[5] + (ry * bz + rz * by);
        N[0] = N[0] + (ry * by + rz * bz);
        N[4] = N[4] + (rz * bz + rx * bx);
        N[8] = N[8] + (rx * bx + ry * by);
    }
}

}  // namespace reference
}  // namespace vq
