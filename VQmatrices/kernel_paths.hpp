// The kernel paths: the same blocked kernels compiled for several vector
// widths, each in its own namespace (kernels_*.cpp), and the choice among them
// at run time. Every path gives the bits of the reference kernels, so the
// choice only changes the speed.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vq {

enum class KernelPath { generic, avx2, avx512 };

// Whether this processor (and its operating system) can run the path.
bool path_available(KernelPath path);
// The widest path available.
KernelPath best_path();

// How many vectors of lanes the elimination inverse carries through its
// second phase side by side (blocked_elimination_inverse.hpp): wide
// (kStripVectors), narrow (kNarrowStripVectors, which only the AVX-512 path
// makes narrower: two vectors, 128 bytes a strip row) or, block by block,
// narrow where that keeps a mid-sized strip in the first-level cache. Narrow
// strips have half the sums side by side, which wait on the additions'
// latency; processors whose additions take two cycles come out ahead.
// Only the speed depends on the choice.
enum class StripWidth { wide, narrow, by_size };
// by_size on AMD processors of family 1Ah (the Zen 5 class), wide elsewhere.
StripWidth preferred_strip_width();

#define VQ_DECLARE_KERNEL_PATH(path)                                                   \
    namespace path {                                                                   \
    std::int32_t invert_by_elimination(float* a, std::size_t n, bool test_pivots,        \
                                       StripWidth width);                               \
    std::int32_t invert_by_elimination(double* a, std::size_t n, bool test_pivots,       \
                                       StripWidth width);                               \
    std::int32_t invert_by_cholesky(float* a, std::size_t n);                          \
    std::int32_t invert_by_cholesky(double* a, std::size_t n);                         \
    std::int32_t solve_packed(float* p, float* b, float* h, std::size_t n);            \
    std::int32_t solve_packed(double* p, double* b, double* h, std::size_t n);         \
    }

VQ_DECLARE_KERNEL_PATH(generic)
VQ_DECLARE_KERNEL_PATH(avx2)
VQ_DECLARE_KERNEL_PATH(avx512)
#undef VQ_DECLARE_KERNEL_PATH

template <class T> std::int32_t invert_by_elimination(T* a, std::size_t n, bool test_pivots) {
    const StripWidth width = preferred_strip_width();
    switch (best_path()) {
    case KernelPath::avx512: return avx512::invert_by_elimination(a, n, test_pivots, width);
    case KernelPath::avx2: return avx2::invert_by_elimination(a, n, test_pivots, width);
    default: return generic::invert_by_elimination(a, n, test_pivots, width);
    }
}

template <class T> std::int32_t invert_by_cholesky(T* a, std::size_t n) {
    switch (best_path()) {
    case KernelPath::avx512: return avx512::invert_by_cholesky(a, n);
    case KernelPath::avx2: return avx2::invert_by_cholesky(a, n);
    default: return generic::invert_by_cholesky(a, n);
    }
}

template <class T> std::int32_t solve_packed(T* p, T* b, T* h, std::size_t n) {
    switch (best_path()) {
    case KernelPath::avx512: return avx512::solve_packed(p, b, h, n);
    case KernelPath::avx2: return avx2::solve_packed(p, b, h, n);
    default: return generic::solve_packed(p, b, h, n);
    }
}

}  // namespace vq
