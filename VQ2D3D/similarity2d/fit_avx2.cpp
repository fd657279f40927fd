// The double centroid fit for processors with AVX2, chosen at run time.
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

// Float: the terms of fit_sse2.hpp, two pairs at a time, one in each half of
// a 256-bit vector. Points are put together from broadcasting loads and
// blends, which keep the shuffle units free for the terms.
inline __m128 add(__m128 a, __m128 b) {
    asm("vaddps %2, %1, %0" : "=x"(a) : "x"(a), "x"(b));
    return a;
}
inline __m128 mul(__m128 a, __m128 b) {
    asm("vmulps %2, %1, %0" : "=x"(a) : "x"(a), "x"(b));
    return a;
}
inline __m256 add(__m256 a, __m256 b) {
    asm("vaddps %2, %1, %0" : "=x"(a) : "x"(a), "x"(b));
    return a;
}
inline __m256 mul(__m256 a, __m256 b) {
    asm("vmulps %2, %1, %0" : "=x"(a) : "x"(a), "x"(b));
    return a;
}

// A float point's 8 bytes as one double's bits (only moved, never computed
// with); memcpy because a float point need not be aligned for a double.
inline double point_bits(Address point) {
    double bits;
    std::memcpy(&bits, reinterpret_cast<const void*>(point), sizeof bits);
    return bits;
}
inline __m128d point_pair(Address source, Address destination) {  // [sx sy | dx dy]
    return _mm_blend_pd(_mm_set1_pd(point_bits(source)), _mm_set1_pd(point_bits(destination)), 2);
}
inline __m256d spread(Address point) { return _mm256_set1_pd(point_bits(point)); }
inline __m256d two_point_pairs(Address s0, Address d0, Address s1, Address d1) {
    return _mm256_blend_pd(_mm256_blend_pd(spread(s0), spread(d0), 0xA),
                           _mm256_blend_pd(spread(s1), spread(d1), 0xA), 0xC);
}

// [Scross, Qo, Qd, Sdot] of the pair in each 128-bit half, as float_pair_terms.
inline __m256 pair_terms(__m256 c) {
    const __m256 p = _mm256_shuffle_ps(c, c, _MM_SHUFFLE(0, 2, 0, 0));
    const __m256 q = _mm256_shuffle_ps(c, c, _MM_SHUFFLE(2, 2, 0, 3));
    const __m256 u = _mm256_shuffle_ps(c, c, _MM_SHUFFLE(1, 3, 1, 1));
    const __m256 v = _mm256_shuffle_ps(c, c, _MM_SHUFFLE(3, 3, 1, 2));
    const __m256 pq = mul(p, q);
    const __m256 uv = mul(u, v);
    return _mm256_blend_ps(add(pq, uv), _mm256_sub_ps(pq, uv), 0x11);
}

template <class PairReader> Hel2Dg_t<float> fit_float(const PairReader& pairs, uint32_t n) {
    __m128 sums = _mm_setzero_ps();  // sxo syo sxd syd
    auto first_pass = pairs.cursor();
    for (uint32_t i = 0; i < n; ++i) {
        Address s, d;
        first_pass.next(s, d);
        sums = add(sums, _mm_castpd_ps(point_pair(s, d)));
    }

    const float r = 1.0f / static_cast<float>(n);
    const __m128 means = mul(sums, _mm_set1_ps(r));
    alignas(16) float m[4];
    _mm_store_ps(m, means);
    Hel2Dg_t<float> g;
    g.xm_origen = m[0];
    g.ym_origen = m[1];
    g.xm_destino = m[2];
    g.ym_destino = m[3];
    const __m256 means2 = _mm256_set_m128(means, means);

    __m128 acc = _mm_setzero_ps();  // Scross Qo Qd Sdot
    auto second_pass = pairs.cursor();
    uint32_t i = 0;
    for (; n - i >= 2; i += 2) {
        Address s0, d0, s1, d1;
        second_pass.next(s0, d0);
        second_pass.next(s1, d1);
        const __m256 t = pair_terms(_mm256_sub_ps(_mm256_castpd_ps(two_point_pairs(s0, d0, s1, d1)), means2));
        acc = add(acc, _mm256_castps256_ps128(t));
        acc = add(acc, _mm256_extractf128_ps(t, 1));
    }
    if (i < n) {
        Address s, d;
        second_pass.next(s, d);
        const __m256 c = _mm256_castps128_ps256(_mm_sub_ps(_mm_castpd_ps(point_pair(s, d)), means));
        acc = add(acc, _mm256_castps256_ps128(pair_terms(c)));
    }
    alignas(16) float s[4];
    _mm_store_ps(s, acc);
    set_scale_and_rotation(g, s[1], s[2], s[3], s[0]);
    return g;
}

}  // namespace

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
