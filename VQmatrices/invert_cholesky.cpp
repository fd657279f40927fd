// Exports of the Cholesky inverse of a symmetric positive definite matrix in
// full storage. See cholesky_inverse.hpp for the algorithm and
// blocked_cholesky_inverse.hpp for the kernel that runs it.
#include "VQmatrices.h"
#include "kernel_paths.hpp"

int32_t VQinvsim_cho_fl(float* a, uint32_t n) { return vq::invert_by_cholesky(a, n); }

int32_t VQinvsim_cho_dbl(double* a, uint32_t n) { return vq::invert_by_cholesky(a, n); }
