/*
 * VQmatrices — in-place kernels for symmetric matrices.
 *
 * Three inversions of a symmetric matrix in full storage and two solvers of a
 * symmetric system in packed storage, each as a single-precision twin (_fl,
 * float) and a double-precision twin (_dbl, double).
 *
 * Storage
 *   Full:   n*n values row by row, element (i, j) at i*n + j. Only the upper
 *           triangle (j >= i, diagonal included) is read; the strict lower
 *           triangle may hold anything, NaN included. On status 0 both
 *           triangles hold the symmetric inverse. (A matrix kept in the lower
 *           triangle column by column is the same memory and works the same.)
 *   Packed: the lower triangle row by row, element (i, j), j <= i, at
 *           i*(i+1)/2 + j: n*(n+1)/2 values. (The same memory read as the
 *           upper triangle column by column is the same matrix, so this is
 *           LAPACK's "U" packed storage.) The first k*(k+1)/2 values of a
 *           larger packed array are by themselves the leading k x k block.
 *
 * Rules shared by every routine
 *   - In place on the caller's arrays; nothing else is allocated or kept, no
 *     state, no threads, no output. Calls on different arrays may run at the
 *     same time; calls on the same array must not.
 *   - The _fl twin computes purely in single precision (single-precision
 *     square roots too), the _dbl twin runs the same operations in the same
 *     order in double; no product is fused with an addition. The results are
 *     therefore the same bits on every machine and compiler (but for the sign
 *     and payload of NaNs), whichever vector kernel the processor runs.
 *   - No pivot search and no row exchange: pivots are taken on the diagonal.
 *   - Nothing is validated. A zero pivot divides by zero and the results hold
 *     IEEE infinities and NaNs; only the status codes below are reported.
 *   - Status (int32_t): 0 success, 1 when the routine's positivity test failed.
 *   - n = 0 returns 0 and touches no memory: every pointer may then be NULL.
 *     Otherwise no pointer may be NULL. Orders up to UINT32_MAX are indexed
 *     in 64-bit arithmetic (the arrays' sizes are the caller's concern).
 *   - Arrays must be aligned for their element type (4 bytes for float, 8 for
 *     double); the vector kernels load them as such.
 *   - Accuracy: for a positive definite matrix of condition number k the
 *     inverse or solution has a relative error of order n*k*eps (eps = 6e-8
 *     for float, 1.1e-16 for double). Without pivoting, an indefinite matrix
 *     or one with a small leading pivot can lose every digit even when it is
 *     well conditioned; prefer the _cho_ inverse or the _pos_ test when the
 *     matrix should be positive definite.
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

/* Inverse by symmetric elimination, A = U^T D U (U unit upper triangular),
 * pivots from the top-left corner.
 * [in,out] a  n*n values in full storage; the upper triangle is read, both
 *             triangles receive the inverse.
 * [in]     n  order.
 * Returns 0 always. Handles any symmetric matrix whose successive pivots are
 * not zero, definite or not. A zero pivot (for example a zero a[0]) gives
 * infinities and NaNs in the result and still returns 0. */
VQMATRICES_API int32_t VQinvsim_fl(float* a, uint32_t n);
VQMATRICES_API int32_t VQinvsim_dbl(double* a, uint32_t n);

/* As VQinvsim_*, for positive definite matrices: before each pivot is
 * inverted it must be greater than zero.
 * Returns 0 on success (bit for bit the result of VQinvsim_*), or 1 at the
 * first pivot that is zero or negative. The array is then left as reached:
 * earlier rows hold the reciprocal pivot and negated multipliers, the failing
 * pivot its reduced value, later rows are partly reduced and the lower
 * triangle is untouched; keep a copy if the matrix is needed afterwards.
 * A NaN pivot passes the test: the routine goes on and returns 0 with NaNs. */
VQMATRICES_API int32_t VQinvsim_pos_fl(float* a, uint32_t n);
VQMATRICES_API int32_t VQinvsim_pos_dbl(double* a, uint32_t n);

/* Inverse through a Cholesky factor A = R R^T, R upper triangular, factored
 * from the last row upward, then A^-1 = S^T S with S = R^-1.
 * Returns 0 on success, or 1 at the first row (counting from the last) whose
 * radicand a[i][i] - sum_j R[i][j]^2 is not greater than zero; a NaN radicand
 * fails too. The rows after it then hold their part of the factor (1/R[i][i]
 * on the diagonal, R above it in the columns already factored); that row and
 * the rows before it are otherwise unchanged.
 * Agrees with VQinvsim_* to rounding on positive definite input (not bit for
 * bit: another factorisation). */
VQMATRICES_API int32_t VQinvsim_cho_fl(float* a, uint32_t n);
VQMATRICES_API int32_t VQinvsim_cho_dbl(double* a, uint32_t n);

/* Solves A x = b for a symmetric A in packed storage, eliminating from the
 * last variable to the first, then substituting from the first to the last.
 * [in,out] p  n*(n+1)/2 values; left holding the factor: P(i, i) = 1/d_i for
 *             the pivot d_i of row i, P(i, j) (j < i) the negated multiplier.
 * [in,out] b  n values: the right-hand side in, the solution x out.
 * [in]     n  order.
 * p and b must not overlap.
 * Returns 1 if some pivot was zero or negative, else 0. The work goes on
 * regardless: with a negative pivot x is still the solution of the indefinite
 * system, with a zero pivot it holds infinities and NaNs. A NaN pivot does
 * not set the status. */
VQMATRICES_API int32_t resuelve_sistema_sim_t_fl(float* p, float* b, uint32_t n);
VQMATRICES_API int32_t resuelve_sistema_sim_t_dbl(double* p, double* b, uint32_t n);

/* As resuelve_sistema_sim_t_*, with a second right-hand side h solved by the
 * same elimination ([in,out] h: n values, the solution y of A y = h out).
 * The factor and b come out bit for bit as from the one-right-hand-side
 * routine, whatever h holds. p, b and h must not overlap each other. */
VQMATRICES_API int32_t resuelve_sistema_sim_t_2_fl(float* p, float* b, float* h, uint32_t n);
VQMATRICES_API int32_t resuelve_sistema_sim_t_2_dbl(double* p, double* b, double* h, uint32_t n);

#ifdef __cplusplus
}
#endif

#endif /* VQMATRICES_H */
