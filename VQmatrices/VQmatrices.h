/*
 * VQmatrices — in-place kernels for symmetric matrices.
 *
 * Inversion of symmetric matrices in full storage (n*n values row by row; only
 * the upper triangle, j >= i, is read; on success both triangles hold the
 * inverse) and solvers for symmetric systems in packed storage (the lower
 * triangle row by row: element (i, j), j <= i, at index i*(i+1)/2 + j).
 *
 * Every routine works in place on caller memory, allocates nothing, keeps no
 * state and is reentrant. The _fl twins compute purely in single precision,
 * the _dbl twins run the same operations in the same order in double.
 * Status: 0 on success, 1 when the routine's positivity test failed.
 * n = 0 returns 0 and touches no memory. Orders up to UINT32_MAX are indexed
 * in 64-bit arithmetic.
 */
#ifndef VQMATRICES_H
#define VQMATRICES_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(VQMATRICES_BUILDING)
#    define VQMATRICES_API __declspec(dllexport)
#  else
#    define VQMATRICES_API __declspec(dllimport)
#  endif
#else
#  define VQMATRICES_API __attribute__((visibility("default")))
#endif

#define VQMATRICES_VERSION_MAJOR 1
#define VQMATRICES_VERSION_MINOR 0
#define VQMATRICES_VERSION_PATCH 0

#ifdef __cplusplus
extern "C" {
#endif

/* Symmetric elimination without pivoting (A = U^T D U, pivots top-left first).
 * [in,out] a: n*n values; [in] n. Tests nothing: a zero pivot gives IEEE
 * infinities/NaNs. Always returns 0. */
VQMATRICES_API int32_t VQinvsim_fl(float* a, uint32_t n);
VQMATRICES_API int32_t VQinvsim_dbl(double* a, uint32_t n);

/* As VQinvsim_*, but returns 1 at the first pivot that is not > 0 (a NaN
 * pivot passes), leaving the array as reached at that moment (earlier rows
 * reduced, lower triangle untouched). 0 on success. */
VQMATRICES_API int32_t VQinvsim_pos_fl(float* a, uint32_t n);
VQMATRICES_API int32_t VQinvsim_pos_dbl(double* a, uint32_t n);

/* Inversion through A = R R^T, R upper triangular, factored from the last row
 * up. Returns 1 at the first row (from the last) whose radicand is not > 0
 * (NaN fails), with later rows factored and that row and earlier ones unchanged
 * except for the already factored columns above the diagonal. 0 on success. */
VQMATRICES_API int32_t VQinvsim_cho_fl(float* a, uint32_t n);
VQMATRICES_API int32_t VQinvsim_cho_dbl(double* a, uint32_t n);

/* Solves A x = b, A packed (n*(n+1)/2 values), eliminating from the last
 * variable to the first, then substituting forward. [in,out] p: left holding
 * the factor (1/pivot on the diagonal, negated multipliers below);
 * [in,out] b: right-hand side, overwritten with x. Returns 1 if some pivot was
 * <= 0 (the work goes on regardless; a NaN pivot does not count), else 0. */
VQMATRICES_API int32_t resuelve_sistema_sim_t_fl(float* p, float* b, uint32_t n);
VQMATRICES_API int32_t resuelve_sistema_sim_t_dbl(double* p, double* b, uint32_t n);

/* As resuelve_sistema_sim_t_*, with a second right-hand side h solved by the
 * same elimination. Factor and b come out bit-identical to the one-right-hand-
 * side routine, whatever h holds. */
VQMATRICES_API int32_t resuelve_sistema_sim_t_2_fl(float* p, float* b, float* h, uint32_t n);
VQMATRICES_API int32_t resuelve_sistema_sim_t_2_dbl(double* p, double* b, double* h, uint32_t n);

#ifdef __cplusplus
}
#endif

#endif /* VQMATRICES_H */
