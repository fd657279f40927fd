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
#include "walk_paths.hpp"

namespace vq {
namespace {

// The one heap block of the estimator: reduced source and destination
// coordinates of each pair, six values per pair and one more (see
// BufferedPairs), released on every path out.
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
        if (static_cast<std::size_t>(n) > (SIZE_MAX - sizeof(T)) / kPerPair) return false;
        data_ = static_cast<T*>(std::malloc(static_cast<std::size_t>(n) * kPerPair + sizeof(T)));
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

// The centroids a plain mean of each coordinate; n = 0 gives 0 * inf = NaN.
template <class T> void centroids(T* const* puntos, uint32_t n, T mean_a[3], T mean_b[3]) {
    T sum_a[3], sum_b[3];
    centroid_sums(puntos, n, sum_a, sum_b);
    const T inv_n = T(1) / static_cast<T>(n);
    for (int c = 0; c < 3; ++c) {
        mean_a[c] = sum_a[c] * inv_n;
        mean_b[c] = sum_b[c] * inv_n;
    }
}

// One Newton step: the correction equations from the pairs, solved in float,
// and R <- D(theta) R. Leaves the inverse of N in N (the cofactors) and
// returns the squared correction.
template <class T, class Reduced> float refine_once(const Reduced& pairs, uint32_t n, T* R, float* N) {
    RefinementSums<T> sums;
    refinement_sums(pairs, n, R, sums);
    std::memcpy(N, sums.N, sizeof sums.N);
    // N = sum (r.b') I - (r b'^T + b' r^T) / 2, upper triangle.
    N[1] = N[1] * -0.5f;
    N[2] = N[2] * -0.5f;
    N[5] = N[5] * -0.5f;
    invert_symmetric3(N);

    float theta[3];
    for (int row = 0; row < 3; ++row) {
        float sum = 0.0f;
        for (int c = 0; c < 3; ++c) sum = sum + N[3 * row + c] * sums.g[c];
        theta[row] = sum;
    }
    T D[9];
    const float t = increment_rotation(Angulos_fl{theta[0], theta[1], theta[2]}, D);
    T DR[9];
    multiplica3(D, R, DR);
    std::memcpy(R, DR, sizeof DR);
    return t;
}

// Reduction, start and refinement on the pairs reduced into `reduced`.
// Returns the number of refinement passes.
template <class T, class Reduced>
int reduce_and_refine(T* const* puntos, uint32_t n, const T* mean_a, const T* mean_b,
                      const Reduced& reduced, bool general, T& escala, T* R, float* N) {
    ReductionSums<T> sums;
    reduce_pairs(puntos, n, mean_a, mean_b, reduced, general, sums);
    escala = std::sqrt(sums.Sb / sums.Sa);
    if (general) general_start(sums.K, sums.S, R);
    else planimetric_start(sums.K, R);
    for (int pass = 1;; ++pass) {
        const float t = refine_once(reduced, n, R, N);
        // A NaN t fails the test and ends the refinement.
        if (!(t >= kStopSquaredCorrection && pass < kMaxRefinementPasses)) return pass;
    }
}

}  // namespace

template <class T>
int32_t fit_similarity3d(T* const* puntos, uint32_t n, Hel3Dg_t<T>* resultado,
                         int32_t aproximacion_afin, int32_t reducir_en_sitio,
                         float* cofactores, int* passes) {
    if (passes) *passes = 0;
    const bool general = aproximacion_afin != 0 && n >= 9;

    // No pairs need no buffer: n = 0 runs on to its non-finite record.
    WorkBuffer<T> buffer;
    if (!reducir_en_sitio && n > 0 && !buffer.allocate(n)) return kNoWorkBuffer;

    T mean_a[3], mean_b[3];
    centroids(puntos, n, mean_a, mean_b);
    T escala, R[9];
    float N[9];
    const int pass =
        reducir_en_sitio
            ? reduce_and_refine(puntos, n, mean_a, mean_b, PointedPairs<T>{puntos}, general, escala, R, N)
            : reduce_and_refine(puntos, n, mean_a, mean_b, BufferedPairs<T>{buffer.data()}, general,
                                escala, R, N);

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
