// The float centroid fit for the AVX2 and AVX-512 kernels: the terms of
// fit_sse2.hpp for several pairs at a time, one pair in each 128-bit lane of
// a vector, then added to the four sums one pair after the other, so that
// every sum stays one chain over the pairs.
//
// Included inside an instruction-set region, in the kernel's own namespace,
// after defining VQ_FIT_PAIRS_PER_VECTOR: 2 (256-bit vectors, AVX2) or 4
// (512-bit vectors, AVX-512). The wider vectors halve the shuffles, blends
// and multiplications per pair; the sums' additions stay one per pair, and
// with two pairs per vector the other operations already fill the
// processor's four floating-point pipes on the Zen 5 class.
//
// Points are put together from broadcasting loads and blends, which keep the
// shuffle units free for the terms. Additions and multiplications keep the
// scalar code's operand order (inline assembly, as in ordered_sse2.hpp), so
// that NaN results keep its signs.
//
// No software prefetching: at 10^7 pairs, prefetches 2 to 64 KB ahead (into
// the first- or second-level cache, in either pass or both) and a first pass
// over packed pairs with plain loads timed within 1.5% of this kernel, also
// with the other core storing to memory (Zen 5 class, median of paired runs).

namespace {

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
inline __m256d four_points(Address first) {  // four consecutive points
    return _mm256_loadu_pd(reinterpret_cast<const double*>(first));
}
inline __m256d spread(Address point) { return _mm256_set1_pd(point_bits(point)); }
inline __m256d two_point_pairs(Address s0, Address d0, Address s1, Address d1) {
    return _mm256_blend_pd(_mm256_blend_pd(spread(s0), spread(d0), 0xA),
                           _mm256_blend_pd(spread(s1), spread(d1), 0xA), 0xC);
}

// [Scross, Qo, Qd, Sdot] of the pair in each 128-bit lane, as float_pair_terms.
inline __m256 pair_terms(__m256 c) {
    const __m256 p = _mm256_shuffle_ps(c, c, _MM_SHUFFLE(0, 2, 0, 0));
    const __m256 q = _mm256_shuffle_ps(c, c, _MM_SHUFFLE(2, 2, 0, 3));
    const __m256 u = _mm256_shuffle_ps(c, c, _MM_SHUFFLE(1, 3, 1, 1));
    const __m256 v = _mm256_shuffle_ps(c, c, _MM_SHUFFLE(3, 3, 1, 2));
    const __m256 pq = mul(p, q);
    const __m256 uv = mul(u, v);
    return _mm256_blend_ps(add(pq, uv), _mm256_sub_ps(pq, uv), 0x11);
}

#if VQ_FIT_PAIRS_PER_VECTOR == 4
inline __m512 add(__m512 a, __m512 b) {
    asm("vaddps %2, %1, %0" : "=v"(a) : "v"(a), "v"(b));
    return a;
}
inline __m512 mul(__m512 a, __m512 b) {
    asm("vmulps %2, %1, %0" : "=v"(a) : "v"(a), "v"(b));
    return a;
}
inline __m512 pair_terms(__m512 c) {
    const __m512 p = _mm512_shuffle_ps(c, c, _MM_SHUFFLE(0, 2, 0, 0));
    const __m512 q = _mm512_shuffle_ps(c, c, _MM_SHUFFLE(2, 2, 0, 3));
    const __m512 u = _mm512_shuffle_ps(c, c, _MM_SHUFFLE(1, 3, 1, 1));
    const __m512 v = _mm512_shuffle_ps(c, c, _MM_SHUFFLE(3, 3, 1, 2));
    const __m512 pq = mul(p, q);
    const __m512 uv = mul(u, v);
    return _mm512_mask_blend_ps(0x1111, add(pq, uv), _mm512_sub_ps(pq, uv));
}
#endif

template <class PairReader> Hel2Dg_t<float> fit_float(const PairReader& pairs, uint32_t n) {
    __m128 sums = _mm_setzero_ps();  // sxo syo sxd syd
    auto first_pass = pairs.cursor();
    for (uint32_t i = 0; i < n; ++i) {
        Address s, d;
        first_pass.next(s, d);
        sums = add(sums, _mm_castpd_ps(point_pair(s, d)));
    }

    Hel2Dg_t<float> g;
    const __m128 means = sse2::float_means(sums, n, g);
    const __m256 means2 = _mm256_set_m128(means, means);

    __m128 acc = _mm_setzero_ps();  // Scross Qo Qd Sdot
    auto second_pass = pairs.cursor();
    uint32_t i = 0;
    // Where the points lie packed, four pairs come from plain loads instead of
    // eight point loads and their blends: two arrays of points (the pp
    // layout), or one array of pairs (the p layout, and one or two walks over
    // it with the stride of a point or of a pair). The cursor is moved past
    // those pairs afterwards.
    enum class Packed { no, two_arrays, pair_array } packed = Packed::no;
    constexpr uint64_t kPoint = kPackedPointStride<float>;
    Address sources = 0, destinations = 0;  // point i at + i * kPoint; pair i at sources + 2 i kPoint
    if constexpr (std::is_same_v<PairReader, ParallelWalks<float>>) {
        sources = pairs.source_start;
        destinations = pairs.destination_start;
        if (pairs.source_stride == kPoint && pairs.destination_stride == kPoint)
            packed = Packed::two_arrays;
        else if (pairs.source_stride == 2 * kPoint && pairs.destination_stride == 2 * kPoint &&
                 destinations == sources + kPoint)
            packed = Packed::pair_array;
    } else if constexpr (std::is_same_v<PairReader, AlternatingWalk<float>>) {
        sources = pairs.start;
        if (pairs.stride == kPoint) packed = Packed::pair_array;
    }
#if VQ_FIT_PAIRS_PER_VECTOR == 4
    const __m512 means4 = __builtin_shufflevector(means2, means2, 0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4, 5, 6, 7);
    for (; n - i >= 4; i += 4) {
        // [s0 d0 s1 d1 s2 d2 s3 d3], each point one double's bits. Lanes are
        // joined and split by __builtin_shufflevector: GCC 12 warns about
        // the undefined lanes inside the intrinsics that would do it.
        __m512d points;
        if (packed == Packed::two_arrays) {
            points = __builtin_shufflevector(four_points(sources + i * kPoint),
                                             four_points(destinations + i * kPoint), 0, 4, 1, 5, 2, 6, 3, 7);
        } else if (packed == Packed::pair_array) {
            const Address at = sources + i * (2 * kPoint);
            points = __builtin_shufflevector(four_points(at), four_points(at + 4 * kPoint), 0, 1, 2, 3, 4, 5, 6, 7);
        } else {
            Address s[4], d[4];
            for (int k = 0; k < 4; ++k) second_pass.next(s[k], d[k]);
            points = __builtin_shufflevector(two_point_pairs(s[0], d[0], s[1], d[1]),
                                             two_point_pairs(s[2], d[2], s[3], d[3]), 0, 1, 2, 3, 4, 5, 6, 7);
        }
        const __m512 t = pair_terms(_mm512_sub_ps(_mm512_castpd_ps(points), means4));
        // The four pairs' terms through the two 256-bit halves: one 512-bit
        // shuffle and two 128-bit extractions instead of three 512-bit
        // shuffles, which processors that split 512-bit operations run in
        // two passes on the pipes the sums' additions share (Zen 4 class:
        // this pass from 1.13 to 1.10 of its chain of additions; the AVX2
        // kernel is faster still there, and runs instead).
        const __m256 low = __builtin_shufflevector(t, t, 0, 1, 2, 3, 4, 5, 6, 7);
        const __m256 high = __builtin_shufflevector(t, t, 8, 9, 10, 11, 12, 13, 14, 15);
        acc = add(acc, _mm256_castps256_ps128(low));
        acc = add(acc, _mm256_extractf128_ps(low, 1));
        acc = add(acc, _mm256_castps256_ps128(high));
        acc = add(acc, _mm256_extractf128_ps(high, 1));
    }
#else
    for (; packed == Packed::two_arrays && n - i >= 4; i += 4) {  // pairs 0 2 and 1 3
        const __m256d s = four_points(sources + i * kPoint), d = four_points(destinations + i * kPoint);
        const __m256 t = pair_terms(_mm256_sub_ps(_mm256_castpd_ps(_mm256_unpacklo_pd(s, d)), means2));
        const __m256 u = pair_terms(_mm256_sub_ps(_mm256_castpd_ps(_mm256_unpackhi_pd(s, d)), means2));
        acc = add(acc, _mm256_castps256_ps128(t));
        acc = add(acc, _mm256_castps256_ps128(u));
        acc = add(acc, _mm256_extractf128_ps(t, 1));
        acc = add(acc, _mm256_extractf128_ps(u, 1));
    }
    for (; packed == Packed::pair_array && n - i >= 4; i += 4) {  // pairs 0 1 and 2 3
        const Address at = sources + i * (2 * kPoint);
        const __m256 t = pair_terms(_mm256_sub_ps(_mm256_castpd_ps(four_points(at)), means2));
        const __m256 u = pair_terms(_mm256_sub_ps(_mm256_castpd_ps(four_points(at + 4 * kPoint)), means2));
        acc = add(acc, _mm256_castps256_ps128(t));
        acc = add(acc, _mm256_extractf128_ps(t, 1));
        acc = add(acc, _mm256_castps256_ps128(u));
        acc = add(acc, _mm256_extractf128_ps(u, 1));
    }
#endif
    if (packed != Packed::no) {
        if constexpr (std::is_same_v<PairReader, ParallelWalks<float>>) {
            second_pass.s += i * pairs.source_stride;
            second_pass.d += i * pairs.destination_stride;
        } else if constexpr (std::is_same_v<PairReader, AlternatingWalk<float>>) {
            second_pass.at += i * (2 * pairs.stride);
        }
    }
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
