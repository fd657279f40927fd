// Entry points of one kernel path. Included once by each kernels_*.cpp,
// inside its instruction-set region, after VQ_PATH, VQ_VECTOR_BYTES and
// VQ_VECTOR_REGISTERS are defined; the declarations are in kernel_paths.hpp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "blocked_cholesky_inverse.hpp"
#include "blocked_elimination_inverse.hpp"
#include "blocked_packed_solve.hpp"

namespace vq::VQ_PATH {

std::int32_t invert_by_elimination(float* a, std::size_t n, bool test_pivots, StripWidth width) {
    return test_pivots ? blocked_invert_by_elimination<true>(a, n, width)
                       : blocked_invert_by_elimination<false>(a, n, width);
}

std::int32_t invert_by_elimination(double* a, std::size_t n, bool test_pivots, StripWidth width) {
    return test_pivots ? blocked_invert_by_elimination<true>(a, n, width)
                       : blocked_invert_by_elimination<false>(a, n, width);
}

std::int32_t invert_by_cholesky(float* a, std::size_t n) { return blocked_invert_by_cholesky(a, n); }

std::int32_t invert_by_cholesky(double* a, std::size_t n) { return blocked_invert_by_cholesky(a, n); }

std::int32_t solve_packed(float* p, float* b, float* h, std::size_t n) {
    return blocked_solve_packed(p, b, h, n);
}

std::int32_t solve_packed(double* p, double* b, double* h, std::size_t n) {
    return blocked_solve_packed(p, b, h, n);
}

}  // namespace vq::VQ_PATH
