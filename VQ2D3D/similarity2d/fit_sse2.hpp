// The two-pass centroid fit of fit_core.hpp with the four sums of each pass
// held side by side in the lanes of SSE2 registers (every x86-64 processor
// has SSE2). It gives the bits of fit_similarity_2d:
//   - each sum is still one chain over i = 0 .. n-1, starting from zero, and
//     each lane adds exactly the term the scalar code adds, sum on the left;
//   - each term is formed as written there: the same products, with the same
//     operands on the same side, added or subtracted in the same order.
// Only independent values share an instruction. Lanes of the second pass:
//   float   [Scross, Qo, Qd, Sdot]         with c = [dxo, dyo, dxd, dyd]
//   double  [Qo, Qd] and [Scross, Sdot]    with a = [dxo, dyo], b = [dxd, dyd]
// Scross sits in lane 0 so that its one subtraction is taken from a second
// result by a move of the low lane.
// Additions and multiplications keep the scalar code's operand order (see
// ordered_sse2.hpp).
#pragma once

#include <cmath>
#include <cstdint>

#include "fit_core.hpp"
#include "layouts.hpp"

#include "ordered_sse2.hpp"

namespace vq {
#if defined(__SSE2__)
namespace sse2 {

inline __m128d load_point(Address at) {
    return _mm_loadu_pd(reinterpret_cast<const double*>(at));
}

// Source and destination point as one vector [sx, sy, dx, dy].
inline __m128 load_pair(Address source, Address destination) {
    const __m128i s = _mm_loadu_si64(reinterpret_cast<const void*>(source));
    const __m128i d = _mm_loadu_si64(reinterpret_cast<const void*>(destination));
    return _mm_castsi128_ps(_mm_unpacklo_epi64(s, d));
}

// The terms [Scross, Qo, Qd, Sdot] of one pair from its deviations
// c = [dxo, dyo, dxd, dyd].
inline __m128 float_pair_terms(__m128 c) {
    // Left and right factors of the first and second product of each term.
    const __m128 p = _mm_shuffle_ps(c, c, _MM_SHUFFLE(0, 2, 0, 0));  // dxo dxo dxd dxo
    const __m128 q = _mm_shuffle_ps(c, c, _MM_SHUFFLE(2, 2, 0, 3));  // dyd dxo dxd dxd
    const __m128 u = _mm_shuffle_ps(c, c, _MM_SHUFFLE(1, 3, 1, 1));  // dyo dyo dyd dyo
    const __m128 v = _mm_shuffle_ps(c, c, _MM_SHUFFLE(3, 3, 1, 2));  // dxd dyo dyd dyd
    const __m128 pq = mul(p, q);
    const __m128 uv = mul(u, v);
    return _mm_move_ss(add(pq, uv), _mm_sub_ps(pq, uv));
}

// The means [xo, yo, xd, yd] of the first pass's sums over n pairs, also
// set in g.
inline __m128 float_means(__m128 sums, uint32_t n, Hel2Dg_t<float>& g) {
    const float r = 1.0f / static_cast<float>(n);
    const __m128 means = mul(sums, _mm_set1_ps(r));
    alignas(16) float m[4];
    _mm_store_ps(m, means);
    g.xm_origen = m[0];
    g.ym_origen = m[1];
    g.xm_destino = m[2];
    g.ym_destino = m[3];
    return means;
}

template <class PairReader> Hel2Dg_t<float> fit_float_pairs(const PairReader& pairs, uint32_t n) {
    __m128 sums = _mm_setzero_ps();
    pairs.visit_addresses(n, [&](Address s, Address d) { sums = add(sums, load_pair(s, d)); });

    Hel2Dg_t<float> g;
    const __m128 means = float_means(sums, n, g);

    __m128 acc = _mm_setzero_ps();
    pairs.visit_addresses(n, [&](Address s, Address d) {
        acc = add(acc, float_pair_terms(_mm_sub_ps(load_pair(s, d), means)));
    });
    alignas(16) float s[4];
    _mm_store_ps(s, acc);
    set_scale_and_rotation(g, s[1], s[2], s[3], s[0]);
    return g;
}

// Adds the terms of one pair (source point s, destination point t) to the
// sums [Qo, Qd] and [Scross, Sdot].
inline void add_pair_terms(__m128d s, __m128d t, __m128d source_mean, __m128d destination_mean,
                           __m128d& squares, __m128d& products) {
    const __m128d a = _mm_sub_pd(s, source_mean);
    const __m128d b = _mm_sub_pd(t, destination_mean);
    const __m128d x = _mm_unpacklo_pd(a, b);  // dxo dxd
    const __m128d y = _mm_unpackhi_pd(a, b);  // dyo dyd
    squares = add(squares, add(mul(x, x), mul(y, y)));
    const __m128d first = mul(_mm_unpacklo_pd(a, a), _mm_shuffle_pd(b, b, 1));  // dxo*dyd dxo*dxd
    const __m128d second = mul(_mm_unpackhi_pd(a, a), b);  // dyo*dxd dyo*dyd
    products = add(products, _mm_move_sd(add(first, second), _mm_sub_pd(first, second)));
}

template <class PairReader> Hel2Dg_t<double> fit_double_pairs(const PairReader& pairs, uint32_t n) {
    __m128d source_sums = _mm_setzero_pd();
    __m128d destination_sums = _mm_setzero_pd();
    pairs.visit_addresses(n, [&](Address s, Address d) {
        source_sums = add(source_sums, load_point(s));
        destination_sums = add(destination_sums, load_point(d));
    });

    const __m128d r = _mm_set1_pd(1.0 / static_cast<double>(n));
    const __m128d source_mean = mul(source_sums, r);
    const __m128d destination_mean = mul(destination_sums, r);
    alignas(16) double m[4];
    _mm_store_pd(m, source_mean);
    _mm_store_pd(m + 2, destination_mean);
    Hel2Dg_t<double> g;
    g.xm_origen = m[0];
    g.ym_origen = m[1];
    g.xm_destino = m[2];
    g.ym_destino = m[3];

    __m128d squares = _mm_setzero_pd();   // Qo, Qd
    __m128d products = _mm_setzero_pd();  // Scross, Sdot
    pairs.visit_addresses(n, [&](Address s, Address d) {
        add_pair_terms(load_point(s), load_point(d), source_mean, destination_mean, squares, products);
    });
    alignas(16) double s[4];
    _mm_store_pd(s, squares);
    _mm_store_pd(s + 2, products);
    set_scale_and_rotation(g, s[0], s[1], s[3], s[2]);
    return g;
}

}  // namespace sse2
#endif

}  // namespace vq
