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
    static vec splat(T x) {
#if defined(__clang__)
        vec v;
        for (std::size_t k = 0; k < width; ++k) v[k] = x;
        return v;
#else
        // A lane-0 shuffle; GCC does not always see the broadcast in a loop.
        vec v{};
        v[0] = x;
        return __builtin_shuffle(v, index_vec{});
#endif
    }
    static vec zero() { return splat(T(0)); }
    static index_vec index_zero() { return index_vec{}; }
};

// Register blocking of the two inner kernels (see chain_kernels.hpp):
// rows and vectors per tile of chain_update, vectors per pass of
// strip_accumulate. With 32 vector registers the tiles can be larger.
#if VQ_VECTOR_REGISTERS >= 32
constexpr int kTileRows = 6;
constexpr int kTileVectors = 3;
constexpr int kStripVectors = 6;
#else
constexpr int kTileRows = 4;
constexpr int kTileVectors = 2;
constexpr int kStripVectors = 6;
#endif

}  // namespace vq::VQ_PATH
