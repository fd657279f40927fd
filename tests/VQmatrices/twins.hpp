// Shared helpers of the VQmatrices tests: overloads that pick the _fl or _dbl
// export from the element type, plus the shared random matrices and value
// comparison.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "VQmatrices.h"
#include "support/bits.hpp"
#include "support/random_matrices.hpp"

namespace vqtest {

inline int32_t invsim(float* a, uint32_t n) { return VQinvsim_fl(a, n); }
inline int32_t invsim(double* a, uint32_t n) { return VQinvsim_dbl(a, n); }
inline int32_t invsim_pos(float* a, uint32_t n) { return VQinvsim_pos_fl(a, n); }
inline int32_t invsim_pos(double* a, uint32_t n) { return VQinvsim_pos_dbl(a, n); }
inline int32_t invsim_cho(float* a, uint32_t n) { return VQinvsim_cho_fl(a, n); }
inline int32_t invsim_cho(double* a, uint32_t n) { return VQinvsim_cho_dbl(a, n); }
inline int32_t solve(float* p, float* b, uint32_t n) { return resuelve_sistema_sim_t_fl(p, b, n); }
inline int32_t solve(double* p, double* b, uint32_t n) { return resuelve_sistema_sim_t_dbl(p, b, n); }
inline int32_t solve2(float* p, float* b, float* h, uint32_t n) {
    return resuelve_sistema_sim_t_2_fl(p, b, h, n);
}
inline int32_t solve2(double* p, double* b, double* h, uint32_t n) {
    return resuelve_sistema_sim_t_2_dbl(p, b, h, n);
}

using Twins = ::testing::Types<float, double>;

// Agreement between methods and residuals of A * A^-1 on the diagonally
// dominant matrices of random_symmetric (condition number below n), up to
// order 64.
template <class T> constexpr double kTolerance = sizeof(T) == 4 ? 2e-4 : 1e-12;

// Shared test support: random matrices and the value comparison.
using vq_test::packed_from_full;
using vq_test::random_symmetric;
using vq_test::random_vector;
using vq_test::same_bits;

}  // namespace vqtest
