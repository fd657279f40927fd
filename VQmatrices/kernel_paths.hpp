// The kernel paths: the same blocked kernels compiled for several vector
// widths, each in its own namespace (kernels_*.cpp), and the choice among them
// at run time. Every path gives the bits of the reference kernels, so the
// choice only changes the speed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cholesky_inverse.hpp"
#include "elimination_inverse.hpp"
#include "packed_solve.hpp"
#include "strip_width.hpp"

namespace vq {

enum class KernelPath { generic, avx2, avx512 };

// Whether this processor (and its operating system) can run the path.
bool path_available(KernelPath path);
// The widest path available.
KernelPath best_path();

// by_size on AMD processors of family 1Ah (the Zen 5 class), narrow_to_size on
// family 19h (the Zen 4 class; the Zen 3 class, also 19h, runs the AVX2 path,
// whose strips have one width), wide elsewhere.
StripWidth preferred_strip_width();

#define VQ_DECLARE_KERNEL_PATH(path)                                                   \
    namespace path {                                                                   \
    std::int32_t invert_by_elimination(float* a, std::size_t n, bool test_pivots,      \
                                       StripWidth width);                              \
    std::int32_t invert_by_elimination(double* a, std::size_t n, bool test_pivots,     \
                                       StripWidth width);                              \
    std::int32_t invert_by_cholesky(float* a, std::size_t n);                          \
    std::int32_t invert_by_cholesky(double* a, std::size_t n);                         \
    std::int32_t solve_packed(float* p, float* b, float* h, std::size_t n);            \
    std::int32_t solve_packed(double* p, double* b, double* h, std::size_t n);         \
    }

VQ_DECLARE_KERNEL_PATH(generic)
VQ_DECLARE_KERNEL_PATH(avx2)
VQ_DECLARE_KERNEL_PATH(avx512)
#undef VQ_DECLARE_KERNEL_PATH

// Up to these orders the exports run the straightforward kernels (the
// reference ones, which define the results), whose loops cost less than the
// blocked kernels' set-up. Measured through the exports on the Zen 5 class,
// against the AVX-512 path: at order 10 the elimination takes 0.4 of the
// time, the packed solve 0.6-0.7, the Cholesky inverse 0.9; the blocked
// kernels are ahead from order 28 (elimination), 20 (Cholesky) and 24
// (packed solve) on.
constexpr std::size_t kStraightEliminationOrders = 24;
constexpr std::size_t kStraightCholeskyOrders = 16;
constexpr std::size_t kStraightSolveOrders = 20;

template <class T> std::int32_t invert_by_elimination(T* a, std::size_t n, bool test_pivots) {
    if (n <= kStraightEliminationOrders)
        return test_pivots ? reference::invert_by_elimination<true>(a, n)
                           : reference::invert_by_elimination<false>(a, n);
    const StripWidth width = preferred_strip_width();
    switch (best_path()) {
    case KernelPath::avx512: return avx512::invert_by_elimination(a, n, test_pivots, width);
    case KernelPath::avx2: return avx2::invert_by_elimination(a, n, test_pivots, width);
    default: return generic::invert_by_elimination(a, n, test_pivots, width);
    }
}

template <class T> std::int32_t invert_by_cholesky(T* a, std::size_t n) {
    if (n <= kStraightCholeskyOrders) return reference::invert_by_cholesky(a, n);
    switch (best_path()) {
    case KernelPath::avx512: return avx512::invert_by_cholesky(a, n);
    case KernelPath::avx2: return avx2::invert_by_cholesky(a, n);
    default: return generic::invert_by_cholesky(a, n);
    }
}

template <class T> std::int32_t solve_packed(T* p, T* b, T* h, std::size_t n) {
    if (n <= kStraightSolveOrders) return reference::solve_packed(p, b, h, n);
    switch (best_path()) {
    case KernelPath::avx512: return avx512::solve_packed(p, b, h, n);
    case KernelPath::avx2: return avx2::solve_packed(p, b, h, n);
    default: return generic::solve_packed(p, b, h, n);
    }
}

}  // namespace vq
