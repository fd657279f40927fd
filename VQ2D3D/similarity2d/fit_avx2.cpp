// The centroid fits for processors with AVX2, chosen at run time; the float
// one is fit_float_avx.hpp with two pairs per vector.
//
// Double:
//
// The second pass forms the terms of four pairs at once, one pair per lane:
// dxo, dyo, dxd, dyd of pairs 0..3 as four vectors, then
//   Qo = dxo*dxo + dyo*dyo,  Qd = dxd*dxd + dyd*dyd,
//   Scross = dxo*dyd - dyo*dxd,  Sdot = dxo*dxd + dyo*dyd
// exactly as the scalar code forms them. The terms are then transposed to one
// vector per pair, [Qo, Qd, Scross, Sdot], and added to the four sums pair by
// pair, in order: every sum remains one chain over the pairs. The last n mod 4
// pairs go through the SSE2 step, whose sums are the two halves of these.
// Additions and multiplications are written with a fixed operand order, as
// in fit_sse2.hpp, so that NaN results keep the signs of the scalar code.
#include "fit_sse2.hpp"

#if defined(__x86_64__)
#include <cstring>
#include <immintrin.h>

#include "target_region.hpp"

VQ_TARGET_REGION_BEGIN("avx2")

namespace vq {
namespace avx2 {
namespace {

inline __m256d add(__m256d a, __m256d b) {
    asm("vaddpd %2, %1, %0" : "=x"(a) : "x"(a), "x"(b));
    return a;
}
inline __m256d mul(__m256d a, __m256d b) {
    asm("vmulpd %2, %1, %0" : "=x"(a) : "x"(a), "x"(b));
    return a;
}

// Points at two addresses as one vector [x0, y0, x1, y1].
inline __m256d load_two_points(Address first, Address second) {
    const __m128d lo = _mm_loadu_pd(reinterpret_cast<const double*>(first));
    const __m128d hi = _mm_loadu_pd(reinterpret_cast<const double*>(second));
    return _mm256_insertf128_pd(_mm256_castpd128_pd256(lo), hi, 1);
}

template <class PairReader> Hel2Dg_t<double> fit(const PairReader& pairs, uint32_t n) {
    // The walks go through the readers' cursors, not visit_addresses: a
    // lambda compiled for AVX2 could not be inlined into the generic visit.
    __m256d sums = _mm256_setzero_pd();  // sxo syo sxd syd
    auto first_pass = pairs.cursor();
    for (uint32_t i = 0; i < n; ++i) {
        Address s, d;
        first_pass.next(s, d);
        sums = add(sums, load_two_points(s, d));
    }

    const __m256d means = mul(sums, _mm256_set1_pd(1.0 / static_cast<double>(n)));
    alignas(32) double m[4];
    _mm256_store_pd(m, means);
    Hel2Dg_t<double> g;
    g.xm_origen = m[0];
    g.ym_origen = m[1];
    g.xm_destino = m[2];
    g.ym_destino = m[3];
    const __m128d source_mean = _mm256_castpd256_pd128(means);
    const __m128d destination_mean = _mm256_extractf128_pd(means, 1);
    const __m256d source_means = _mm256_set_m128d(source_mean, source_mean);
    const __m256d destination_means = _mm256_set_m128d(destination_mean, destination_mean);

    __m256d acc = _mm256_setzero_pd();  // Qo Qd Scross Sdot
    auto second_pass = pairs.cursor();
    uint32_t i = 0;
    for (; n - i >= 4; i += 4) {  // i + 4 would wrap for n > 2^32 - 4
        Address s[4], d[4];
        for (int k = 0; k < 4; ++k) second_pass.next(s[k], d[k]);
        const __m256d a02 = _mm256_sub_pd(load_two_points(s[0], s[2]), source_means);
        const __m256d a13 = _mm256_sub_pd(load_two_points(s[1], s[3]), source_means);
        const __m256d b02 = _mm256_sub_pd(load_two_points(d[0], d[2]), destination_means);
        const __m256d b13 = _mm256_sub_pd(load_two_points(d[1], d[3]), destination_means);
        const __m256d dxo = _mm256_unpacklo_pd(a02, a13);  // pairs 0 1 2 3
        const __m256d dyo = _mm256_unpackhi_pd(a02, a13);
        const __m256d dxd = _mm256_unpacklo_pd(b02, b13);
        const __m256d dyd = _mm256_unpackhi_pd(b02, b13);
        const __m256d qo = add(mul(dxo, dxo), mul(dyo, dyo));
        const __m256d qd = add(mul(dxd, dxd), mul(dyd, dyd));
        const __m256d scross = _mm256_sub_pd(mul(dxo, dyd), mul(dyo, dxd));
        const __m256d sdot = add(mul(dxo, dxd), mul(dyo, dyd));
        const __m256d q02 = _mm256_unpacklo_pd(qo, qd);  // Qo Qd of pairs 0 | 2
        const __m256d q13 = _mm256_unpackhi_pd(qo, qd);
        const __m256d s02 = _mm256_unpacklo_pd(scross, sdot);
        const __m256d s13 = _mm256_unpackhi_pd(scross, sdot);
        acc = add(acc, _mm256_permute2f128_pd(q02, s02, 0x20));
        acc = add(acc, _mm256_permute2f128_pd(q13, s13, 0x20));
        acc = add(acc, _mm256_permute2f128_pd(q02, s02, 0x31));
        acc = add(acc, _mm256_permute2f128_pd(q13, s13, 0x31));
    }
    __m128d squares = _mm256_castpd256_pd128(acc);
    __m128d products = _mm256_extractf128_pd(acc, 1);
    for (; i < n; ++i) {
        Address s, d;
        second_pass.next(s, d);
        sse2::add_pair_terms(sse2::load_point(s), sse2::load_point(d), source_mean, destination_mean,
                             squares, products);
    }

    alignas(16) double s[4];
    _mm_store_pd(s, squares);
    _mm_store_pd(s + 2, products);
    set_scale_and_rotation(g, s[0], s[1], s[3], s[2]);
    return g;
}

}  // namespace

#define VQ_FIT_PAIRS_PER_VECTOR 2
#include "fit_float_avx.hpp"

Hel2Dg_t<float> fit_float_pairs(const AlternatingWalk<float>& pairs, uint32_t n) { return fit_float(pairs, n); }
Hel2Dg_t<float> fit_float_pairs(const ParallelWalks<float>& pairs, uint32_t n) { return fit_float(pairs, n); }
Hel2Dg_t<float> fit_float_pairs(const PointerPairs<float>& pairs, uint32_t n) { return fit_float(pairs, n); }
Hel2Dg_t<double> fit_double_pairs(const AlternatingWalk<double>& pairs, uint32_t n) { return fit(pairs, n); }
Hel2Dg_t<double> fit_double_pairs(const ParallelWalks<double>& pairs, uint32_t n) { return fit(pairs, n); }
Hel2Dg_t<double> fit_double_pairs(const PointerPairs<double>& pairs, uint32_t n) { return fit(pairs, n); }

}  // namespace avx2
}  // namespace vq

VQ_TARGET_REGION_END

namespace vq::avx2 {
bool available() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
}  // namespace vq::avx2

#endif
