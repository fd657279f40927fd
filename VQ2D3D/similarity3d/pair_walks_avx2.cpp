// The walks of pair_walks.hpp for processors with AVX2, chosen at run time.
//
// One pair at a time, its x, y, z in the first three lanes of a vector of
// four T (a fourth lane rides along and is never summed into anything read):
// a', b' and r = R a' are formed lane by lane as the scalar code forms each
// component, and the sums sit in lanes side by side, each adding its own term
// in pair order:
//   centroids   [sum a] and [sum b]
//   reduction   [Sa Sb], [K0 K1 K3 K4] and, for the general start,
//               [K2 K5 K6 K7], [K8 S0 S1 S2], [S4 S5 S8]
//   refinement  [g0 g1 g2], [N1 N2 N5 N0], [N4 N8]
// Terms with two products are lanes of two products added, each product with
// its factors in the scalar code's order. So the walks give the reference's
// bits; only the sign of a NaN that meets another NaN is not fixed.
#include "walk_paths.hpp"

#if defined(__x86_64__)
#include <cstring>
#include <immintrin.h>

#include "target_region.hpp"

VQ_TARGET_REGION_BEGIN("avx2")

namespace vq::avx2 {
namespace {

template <class T> struct Lanes4;
template <> struct Lanes4<float> {
    typedef float type __attribute__((vector_size(16)));
};
template <> struct Lanes4<double> {
    typedef double type __attribute__((vector_size(32)));
};
template <class T> using V4 = typename Lanes4<T>::type;
using F4 = V4<float>;

// Three values, the fourth lane 0, and back: built from one 16-byte and one
// single-value access, which the processor forwards from earlier stores.
inline V4<double> load3(const double* p) {
    const __m128d xy = _mm_loadu_pd(p), z = _mm_load_sd(p + 2);
    return (V4<double>)_mm256_insertf128_pd(_mm256_castpd128_pd256(xy), z, 1);
}
inline V4<float> load3(const float* p) {
    const __m128 xy = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i_u*>(p)));
    return (V4<float>)_mm_movelh_ps(xy, _mm_load_ss(p + 2));
}
inline V4<double> load4(const double* p) { return (V4<double>)_mm256_loadu_pd(p); }
inline V4<float> load4(const float* p) { return (V4<float>)_mm_loadu_ps(p); }
inline void store3(double* p, V4<double> v) {
    _mm_storeu_pd(p, _mm256_castpd256_pd128((__m256d)v));
    _mm_store_sd(p + 2, _mm256_extractf128_pd((__m256d)v, 1));
}
inline void store3(float* p, V4<float> v) {
    _mm_storel_epi64(reinterpret_cast<__m128i_u*>(p), _mm_castps_si128((__m128)v));
    _mm_store_ss(p + 2, _mm_movehl_ps((__m128)v, (__m128)v));
}
inline void store4(double* p, V4<double> v) { _mm256_storeu_pd(p, (__m256d)v); }
inline void store4(float* p, V4<float> v) { _mm_storeu_ps(p, (__m128)v); }
template <class T> V4<T> splat(const T* p) {
    const T x = *p;
    return V4<T>{x, x, x, x};
}

// The work buffer has room for a fourth lane after each point; the caller's
// points have not.
template <class T> V4<T> load_point(const BufferedPairs<T>&, const T* p) { return load4(p); }
template <class T> V4<T> load_point(const PointedPairs<T>&, const T* p) { return load3(p); }
template <class T> void store_point(const BufferedPairs<T>&, T* p, V4<T> v) { store4(p, v); }
template <class T> void store_point(const PointedPairs<T>&, T* p, V4<T> v) { store3(p, v); }

template <class T> void centroids(T* const* puntos, uint32_t n, T sum_a[3], T sum_b[3]) {
    V4<T> sa = {}, sb = {};
    for (uint32_t i = 0; i < n; ++i) {
        sa = sa + load3(puntos[2 * std::size_t(i)]);
        sb = sb + load3(puntos[2 * std::size_t(i) + 1]);
    }
    for (int c = 0; c < 3; ++c) sum_a[c] = sa[c], sum_b[c] = sb[c];
}

template <class T, class Reduced>
void reduce(T* const* puntos, uint32_t n, const T mean_a[3], const T mean_b[3], const Reduced& out,
            bool general, ReductionSums<T>& s) {
    const V4<T> ma = load3(mean_a), mb = load3(mean_b);
    V4<T> spread = {}, k4 = {}, g1 = {}, g2 = {}, g3 = {};
    for (uint32_t i = 0; i < n; ++i) {
        const V4<T> a = load3(puntos[2 * std::size_t(i)]) - ma;
        const V4<T> b = load3(puntos[2 * std::size_t(i) + 1]) - mb;
        // The destination after the source: its store covers a buffer's
        // fourth source lane.
        store_point(out, out.source(i), a);
        store_point(out, out.destination(i), b);
        const V4<T> aa = a * a, bb = b * b;
        const V4<T> first = __builtin_shufflevector(aa, bb, 0, 4, 0, 4);
        const V4<T> second = __builtin_shufflevector(aa, bb, 1, 5, 1, 5);
        const V4<T> third = __builtin_shufflevector(aa, bb, 2, 6, 2, 6);
        spread = spread + ((first + second) + third);
        k4 = k4 + __builtin_shufflevector(b, b, 0, 0, 1, 1) * __builtin_shufflevector(a, a, 0, 1, 0, 1);
        if (general) {
            g1 = g1 + __builtin_shufflevector(b, b, 0, 1, 2, 2) * __builtin_shufflevector(a, a, 2, 2, 0, 1);
            g2 = g2 + __builtin_shufflevector(b, a, 2, 4, 4, 4) * __builtin_shufflevector(a, a, 2, 0, 1, 2);
            g3 = g3 + __builtin_shufflevector(a, a, 1, 1, 2, 3) * __builtin_shufflevector(a, a, 1, 2, 2, 3);
        }
    }
    s.Sa = spread[0];
    s.Sb = spread[1];
    s.K[0] = k4[0], s.K[1] = k4[1], s.K[3] = k4[2], s.K[4] = k4[3];
    if (general) {
        s.K[2] = g1[0], s.K[5] = g1[1], s.K[6] = g1[2], s.K[7] = g1[3];
        s.K[8] = g2[0], s.S[0] = g2[1], s.S[1] = g2[2], s.S[2] = g2[3];
        s.S[4] = g3[0], s.S[5] = g3[1], s.S[8] = g3[2];
    }
}

template <class T, class Reduced>
void refine(const Reduced& pairs, uint32_t n, const T R[9], RefinementSums<T>& s) {
    const V4<T> c0 = {R[0], R[3], R[6], T(0)}, c1 = {R[1], R[4], R[7], T(0)},
                c2 = {R[2], R[5], R[8], T(0)};
    F4 g = {}, n4 = {}, n2 = {};
    for (uint32_t i = 0; i < n; ++i) {
        const T* ap = pairs.source(i);
        const V4<T> b = load_point(pairs, pairs.destination(i));
        const V4<T> r = ((V4<T>{} + c0 * splat(ap)) + c1 * splat(ap + 1)) + c2 * splat(ap + 2);
        const V4<T> cross = __builtin_shufflevector(r, r, 1, 2, 0, 3) * __builtin_shufflevector(b, b, 2, 0, 1, 3) -
                            __builtin_shufflevector(r, r, 2, 0, 1, 3) * __builtin_shufflevector(b, b, 1, 2, 0, 3);
        g = g + __builtin_convertvector(cross, F4);
        const F4 rf = __builtin_convertvector(r, F4), bf = __builtin_convertvector(b, F4);
        n4 = n4 + (__builtin_shufflevector(rf, rf, 0, 2, 1, 1) * __builtin_shufflevector(bf, bf, 1, 0, 2, 1) +
                   __builtin_shufflevector(rf, rf, 1, 0, 2, 2) * __builtin_shufflevector(bf, bf, 0, 2, 1, 2));
        n2 = n2 + (__builtin_shufflevector(rf, rf, 2, 0, 3, 3) * __builtin_shufflevector(bf, bf, 2, 0, 3, 3) +
                   __builtin_shufflevector(rf, rf, 0, 1, 3, 3) * __builtin_shufflevector(bf, bf, 0, 1, 3, 3));
    }
    for (int c = 0; c < 3; ++c) s.g[c] = g[c];
    s.N[1] = n4[0], s.N[2] = n4[1], s.N[5] = n4[2], s.N[0] = n4[3];
    s.N[4] = n2[0], s.N[8] = n2[1];
}

}  // namespace

#define VQ_WALKS(T)                                                                                 \
    void centroid_sums(T* const* puntos, uint32_t n, T sum_a[3], T sum_b[3]) {                      \
        centroids(puntos, n, sum_a, sum_b);                                                         \
    }                                                                                               \
    void reduce_pairs(T* const* puntos, uint32_t n, const T mean_a[3], const T mean_b[3],           \
                      const BufferedPairs<T>& out, bool general, ReductionSums<T>& s) {             \
        reduce(puntos, n, mean_a, mean_b, out, general, s);                                         \
    }                                                                                               \
    void reduce_pairs(T* const* puntos, uint32_t n, const T mean_a[3], const T mean_b[3],           \
                      const PointedPairs<T>& out, bool general, ReductionSums<T>& s) {              \
        reduce(puntos, n, mean_a, mean_b, out, general, s);                                         \
    }                                                                                               \
    void refinement_sums(const BufferedPairs<T>& p, uint32_t n, const T R[9], RefinementSums<T>& s) { \
        refine(p, n, R, s);                                                                         \
    }                                                                                               \
    void refinement_sums(const PointedPairs<T>& p, uint32_t n, const T R[9], RefinementSums<T>& s) {  \
        refine(p, n, R, s);                                                                         \
    }
VQ_WALKS(float)
VQ_WALKS(double)
#undef VQ_WALKS

}  // namespace vq::avx2

VQ_TARGET_REGION_END

namespace vq::avx2 {
bool walks_available() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
}  // namespace vq::avx2

#endif
