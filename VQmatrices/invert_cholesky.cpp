// Exports of the Cholesky inverse of a symmetric positive definite matrix in
// full storage. See cholesky_inverse.hpp for the algorithm.
#include "VQmatrices.h"
#include "cholesky_inverse.hpp"

int32_t VQinvsim_cho_fl(float* a, uint32_t n) { return vq::invert_by_cholesky(a, n); }

int32_t VQinvsim_cho_dbl(double* a, uint32_t n) { return vq::invert_by_cholesky(a, n); }
