// Vectors of independent lanes for the blocked kernels.
//
// Included by one kernel-path translation unit at a time (kernels_*.cpp),
// inside that path's instruction-set region: VQ_PATH names the namespace and
// VQ_VECTOR_BYTES the register width. Every lane does the plain IEEE
// operation of the scalar code (no fused multiply-add: the build turns
// contraction off), so a vector path gives the scalar bits lane by lane.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>
#if defined(__x86_64__) || defined(__SSE2__)
#include <immintrin.h>  // already included before the region by the AVX paths
#endif

namespace vq::VQ_PATH {

template <class T> struct Simd {
    static constexpr std::size_t width = VQ_VECTOR_BYTES / sizeof(T);
    typedef T vec __attribute__((vector_size(VQ_VECTOR_BYTES)));
    typedef std::conditional_t<sizeof(T) == 4, std::int32_t, std::int64_t> index_type;
    typedef index_type index_vec __attribute__((vector_size(VQ_VECTOR_BYTES)));

    static vec load(const T* p) {
        vec v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    static void store(T* p, const vec& v) { std::memcpy(p, &v, sizeof v); }
    // Copies x into every lane; no arithmetic, so -0 and NaNs keep their bits.
    // The intrinsics become one broadcasting load when x comes from memory
    // (a lane loop or a shuffle would also occupy an arithmetic port).
    static vec splat(T x) {
#if defined(__x86_64__) && VQ_VECTOR_BYTES == 64
        if constexpr (sizeof(T) == 8) return (vec)_mm512_set1_pd(x);
        else return (vec)_mm512_set1_ps(x);
#elif defined(__x86_64__) && VQ_VECTOR_BYTES == 32
        if constexpr (sizeof(T) == 8) return (vec)_mm256_set1_pd(x);
        else return (vec)_mm256_set1_ps(x);
#elif defined(__SSE2__) && VQ_VECTOR_BYTES == 16
        if constexpr (sizeof(T) == 8) return (vec)_mm_set1_pd(x);
        else return (vec)_mm_set1_ps(x);
#else
        vec v;
        for (std::size_t k = 0; k < width; ++k) v[k] = x;
        return v;
#endif
    }
    // *p in every lane, by one broadcasting load. With 64-byte vectors it is
    // the integer one (vpbroadcastq/d), which moves the same bits: processors
    // that run 512-bit operations in two halves (the Zen 4 class) execute the
    // floating-point broadcast on the ports of the additions and
    // multiplications as well as loading it, the integer one in the load
    // unit alone, which leaves the tiles their full rate.
    static vec broadcast(const T* p) {
#if defined(__x86_64__) && VQ_VECTOR_BYTES == 64
        if constexpr (sizeof(T) == 8) {
            long long bits;
            std::memcpy(&bits, p, sizeof bits);
            return (vec)_mm512_set1_epi64(bits);
        } else {
            int bits;
            std::memcpy(&bits, p, sizeof bits);
            return (vec)_mm512_set1_epi32(bits);
        }
#else
        return splat(*p);
#endif
    }
    static vec zero() { return splat(T(0)); }
    // Lane numbers first, first + 1, ...
    static index_vec lanes_from(std::ptrdiff_t first) {
        index_vec v;
        for (std::size_t q = 0; q < width; ++q) v[q] = index_type(first + std::ptrdiff_t(q));
        return v;
    }
    static index_vec index_splat(std::ptrdiff_t x) { return index_vec{} + index_type(x); }
    static index_vec index_zero() { return index_vec{}; }
};

// The transpose of a square tile of W x W values held as W vectors: after
// log2(W) rounds of interleaving vector i with vector i + W/2 the vectors are
// the tile's columns. Only moves values, so every bit is kept.
template <class T> struct Transpose {
    using S = Simd<T>;
    using V = typename S::vec;
    static constexpr std::size_t W = S::width;

    template <std::size_t... I> static V low(V a, V b, std::index_sequence<I...>) {
        return __builtin_shufflevector(a, b, (I % 2 ? W + I / 2 : I / 2)...);
    }
    template <std::size_t... I> static V high(V a, V b, std::index_sequence<I...>) {
        return __builtin_shufflevector(a, b, (I % 2 ? W + W / 2 + I / 2 : W / 2 + I / 2)...);
    }
    static void apply(V* v) {
        for (std::size_t round = 1; round < W; round *= 2) {
            V next[W];
            for (std::size_t i = 0; i < W / 2; ++i) {
                next[2 * i] = low(v[i], v[i + W / 2], std::make_index_sequence<W>());
                next[2 * i + 1] = high(v[i], v[i + W / 2], std::make_index_sequence<W>());
            }
            for (std::size_t i = 0; i < W; ++i) v[i] = next[i];
        }
    }
};

// Elements of T from p up to the next multiple of the vector size in bytes
// (0 when p is already there). Points of one array are T-aligned, so this is
// fewer than a vector's lanes.
template <class T> std::size_t to_vector_boundary(const T* p) {
    const std::uintptr_t misalign = reinterpret_cast<std::uintptr_t>(p) % VQ_VECTOR_BYTES;
    return misalign == 0 ? 0 : (VQ_VECTOR_BYTES - misalign) / sizeof(T);
}

// Elements of T from the last vector boundary at or before p up to p.
template <class T> std::size_t past_vector_boundary(const T* p) {
    return reinterpret_cast<std::uintptr_t>(p) % VQ_VECTOR_BYTES / sizeof(T);
}

// A walk down the rows of a large matrix touches a new page at every row, and
// the processors' prefetchers stop at page boundaries; the tiles that walk so
// ask for the row kPrefetchRows steps ahead themselves. Only a hint: nothing
// computed depends on it.
constexpr std::size_t kPrefetchRows = 8;
template <class T> inline void prefetch(const T* p) { __builtin_prefetch(p); }

// Register blocking (see chain_kernels.hpp): kTileRows rows times
// kTileVectors vectors of accumulators in the tiles; kStripVectors vectors of
// lanes in the elimination's packed strips (or kNarrowStripVectors, below); at most kPassVectors in a pass
// over rows read in place (each row's multiplier there is a cache line of its
// own, which more vectors share). With 32 vector registers the tiles can be
// larger. With 16 registers of 32 bytes (AVX2) a tile of 6 x 2 leaves 2 for
// the pivot row's vectors, one for the broadcast multiplier and one for the
// product: measured on the Zen 5 class against 4 x 2, the inverse of the
// Cholesky factor takes a sixth less time, the Gram product and the
// elimination's trailing updates a twentieth; 12 vectors in a pass take the
// Cholesky factor's passes a twelfth less than 8.
#if VQ_VECTOR_REGISTERS >= 32
constexpr int kTileRows = 8;
constexpr int kTileVectors = 3;
constexpr std::size_t kPassVectors = 8;
#elif VQ_VECTOR_BYTES >= 32
constexpr int kTileRows = 6;
constexpr int kTileVectors = 2;
constexpr std::size_t kPassVectors = 12;
#else
constexpr int kTileRows = 4;
constexpr int kTileVectors = 2;
constexpr std::size_t kPassVectors = 8;
#endif
constexpr int kStripVectors = 4;
// The narrow strips (StripWidth, strip_width.hpp): 128-byte rows on
// the AVX-512 path; the narrower paths keep their strips.
#if VQ_VECTOR_BYTES >= 64
constexpr int kNarrowStripVectors = 2;
#else
constexpr int kNarrowStripVectors = kStripVectors;
#endif

}  // namespace vq::VQ_PATH
