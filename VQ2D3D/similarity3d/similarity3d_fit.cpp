// 3D similarity (seven parameters) between paired point sets, centroid form:
//     b ~ mb + escala * R * (a - ma),
// with R row-major and applied to column vectors.
//
// The centroids are plain means, escala = sqrt(Sb / Sa) is the ratio of the
// spreads of the centred sets (not the least-squares scale), and R starts from
// either the rotation about z of the planimetric 2D fit or, for n >= 9 on
// request, the orthonormalised linear part K S^-1 of the affine fit. R is then
// refined by at most four Newton steps maximising sum b'.(R a'), each a small
// left correction R <- D(theta) R with N theta = sum (R a') x b'.
//
// Precision: everything is in T except the correction equations, which are
// held in float in both twins. In the double twin each pair's term of g is a
// double cross-product component rounded to float, and N is accumulated from
// r and b' rounded to float. N^-1, theta and the stopping test are float.
#include "similarity3d_fit.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "VQ2D3D.h"
#include "product3.hpp"
#include "rotation_from_matrix.hpp"
#include "symmetric_inverse3.hpp"

namespace vq {
namespace {

// The one heap block of the estimator: reduced source and destination
// coordinates of each pair, six values per pair, released on every path out.
template <class T>
class WorkBuffer {
public:
    WorkBuffer() = default;
    WorkBuffer(const WorkBuffer&) = delete;
    WorkBuffer& operator=(const WorkBuffer&) = delete;
    ~WorkBuffer() { std::free(data_); }

    // The size is formed in size_t: n * 6 values overflow 32 bits for large n.
    bool allocate(uint32_t n) {
        constexpr std::size_t kPerPair = 6 * sizeof(T);
        if (static_cast<std::size_t>(n) > SIZE_MAX / kPerPair) return false;
        data_ = static_cast<T*>(std::malloc(static_cast<std::size_t>(n) * kPerPair));
        return data_ != nullptr;
    }
    T* data() const { return data_; }

private:
    T* data_ = nullptr;
};

inline float increment_rotation(Angulos_fl theta, float* D) { return MatrizDeltafl_fl(theta, D); }
inline float increment_rotation(Angulos_fl theta, double* D) { return MatrizDeltafl_dbl(theta, D); }

// Rotation about z by the angle of the 2D similarity fit of x and y, from the
// cross sums K[i][j] = sum b'_i a'_j.
template <class T>
void planimetric_start(const T* K, T* R) {
    const T p = K[0] + K[4];
    const T q = K[3] - K[1];
    const T h = T(1) / std::sqrt(p * p + q * q);
    const T c = p * h;
    const T s = q * h;
    const T start[9] = {c, -s, T(0), s, c, T(0), T(0), T(0), T(1)};
    std::memcpy(R, start, sizeof start);
}

// Linear part K S^-1 of the affine fit of b' on a', made a rotation. S holds
// the upper triangle of the source moments and is inverted in place.
template <class T>
void general_start(const T* K, T* S, T* R) {
    invert_symmetric3(S);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            T sum = T(0);
            for (int k = 0; k < 3; ++k) sum = sum + K[3 * i + k] * S[3 * j + k];
            R[3 * i + j] = sum;
        }
    }
    rotation_from_matrix(R);
}

}  // namespace

template <class T>
int32_t fit_similarity3d(T* const* puntos, uint32_t n, Hel3Dg_t<T>* resultado,
                         int32_t aproximacion_afin, int32_t reducir_en_sitio,
                         float* cofactores, int* passes) {
    if (passes) *passes = 0;
    const bool use_general_start = aproximacion_afin != 0 && n >= 9;
    const bool in_place = reducir_en_sitio != 0;

    // No pairs need no buffer: n = 0 runs on to its non-finite record.
    WorkBuffer<T> buffer;
    if (!in_place && n > 0 && !buffer.allocate(n)) return kNoWorkBuffer;

    // Centroids.
    T sum_a[3] = {T(0), T(0), T(0)};
    T sum_b[3] = {T(0), T(0), T(0)};
    for (uint32_t i = 0; i < n; ++i) {
        const T* a = puntos[2 * std::size_t(i)];
        const T* b = puntos[2 * std::size_t(i) + 1];
        for (int c = 0; c < 3; ++c) {
            sum_a[c] = sum_a[c] + a[c];
            sum_b[c] = sum_b[c] + b[c];
        }
    }
    const T inv_n = T(1) / static_cast<T>(n);
    T mean_a[3], mean_b[3];
    for (int c = 0; c < 3; ++c) {
        mean_a[c] = sum_a[c] * inv_n;
        mean_b[c] = sum_b[c] * inv_n;
    }

    // Reduction, spreads and cross sums. K[i][j] = sum b'_i a'_j; K's third
    // row and column and S are needed only by the general start.
    T Sa = T(0), Sb = T(0);
    T K[9] = {};
    T S[9] = {};
    for (uint32_t i = 0; i < n; ++i) {
        T* src = puntos[2 * std::size_t(i)];
        T* dst = puntos[2 * std::size_t(i) + 1];
        const T a[3] = {src[0] - mean_a[0], src[1] - mean_a[1], src[2] - mean_a[2]};
        const T b[3] = {dst[0] - mean_b[0], dst[1] - mean_b[1], dst[2] - mean_b[2]};
        if (in_place) {
            std::memcpy(src, a, sizeof a);
            std::memcpy(dst, b, sizeof b);
        } else {
            std::memcpy(buffer.data() + 6 * std::size_t(i), a, sizeof a);
            std::memcpy(buffer.data() + 6 * std::size_t(i) + 3, b, sizeof b);
        }
        Sa = Sa + ((a[0] * a[0] + a[1] * a[1]) + a[2] * a[2]);
        Sb = Sb + ((b[0] * b[0] + b[1] * b[1]) + b[2] * b[2]);
        K[0] = K[0] + b[0] * a[0];
        K[1] = K[1] + b[0] * a[1];
        K[3] = K[3] + b[1] * a[0];
        K[4] = K[4] + b[1] * a[1];
        if (use_general_start) {
            K[2] = K[2] + b[0] * a[2];
            K[5] = K[5] + b[1] * a[2];
            K[6] = K[6] + b[2] * a[0];
            K[7] = K[7] + b[2] * a[1];
            K[8] = K[8] + b[2] * a[2];
            S[0] = S[0] + a[0] * a[0];
            S[1] = S[1] + a[0] * a[1];
            S[2] = S[2] + a[0] * a[2];
            S[4] = S[4] + a[1] * a[1];
            S[5] = S[5] + a[1] * a[2];
            S[8] = S[8] + a[2] * a[2];
        }
    }
    const T escala = std::sqrt(Sb / Sa);

    T R[9];
    if (use_general_start) {
        general_start(K, S, R);
    } else {
        planimetric_start(K, R);
    }

    // Newton refinement. N and g are float in both twins.
    float N[9];
    int pass = 0;
    for (;;) {
        float g[3] = {0.0f, 0.0f, 0.0f};
        for (float& e : N) e = 0.0f;
        for (uint32_t i = 0; i < n; ++i) {
            const T* a = in_place ? puntos[2 * std::size_t(i)] : buffer.data() + 6 * std::size_t(i);
            const T* b = in_place ? puntos[2 * std::size_t(i) + 1]
                                  : buffer.data() + 6 * std::size_t(i) + 3;
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
        // N = sum (r.b') I - (r b'^T + b' r^T) / 2, upper triangle.
        N[1] = N[1] * -0.5f;
        N[2] = N[2] * -0.5f;
        N[5] = N[5] * -0.5f;
        invert_symmetric3(N);

        float theta[3];
        for (int row = 0; row < 3; ++row) {
            float sum = 0.0f;
            for (int c = 0; c < 3; ++c) sum = sum + N[3 * row + c] * g[c];
            theta[row] = sum;
        }
        T D[9];
        const float t = increment_rotation(Angulos_fl{theta[0], theta[1], theta[2]}, D);
        T DR[9];
        multiplica3(D, R, DR);
        std::memcpy(R, DR, sizeof R);
        ++pass;
        // A NaN t fails the test and ends the refinement.
        if (!(t >= kStopSquaredCorrection && pass < kMaxRefinementPasses)) break;
    }

    Hel3Dg_t<T> record;
    record.xm_origen = mean_a[0];
    record.ym_origen = mean_a[1];
    record.zm_origen = mean_a[2];
    record.xm_destino = mean_b[0];
    record.ym_destino = mean_b[1];
    record.zm_destino = mean_b[2];
    record.escala = escala;
    std::memcpy(record.R, R, sizeof R);
    *resultado = record;
    if (cofactores) std::memcpy(cofactores, N, sizeof N);
    if (passes) *passes = pass;
    return 0;
}

template int32_t fit_similarity3d<float>(float* const*, uint32_t, Hel3Dg_fl*, int32_t, int32_t,
                                         float*, int*);
template int32_t fit_similarity3d<double>(double* const*, uint32_t, Hel3Dg_dbl*, int32_t,
                                          int32_t, float*, int*);

}  // namespace vq
