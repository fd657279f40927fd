// Exports of the elimination inverse of a symmetric matrix in full storage:
// VQinvsim_* tests nothing, VQinvsim_pos_* stops at the first pivot that is
// not positive. See elimination_inverse.hpp for the algorithm and
// blocked_elimination_inverse.hpp for the kernel that runs it.
#include "VQmatrices.h"
#include "kernel_paths.hpp"

int32_t VQinvsim_fl(float* a, uint32_t n) { return vq::invert_by_elimination(a, n, false); }

int32_t VQinvsim_dbl(double* a, uint32_t n) { return vq::invert_by_elimination(a, n, false); }

int32_t VQinvsim_pos_fl(float* a, uint32_t n) { return vq::invert_by_elimination(a, n, true); }

int32_t VQinvsim_pos_dbl(double* a, uint32_t n) { return vq::invert_by_elimination(a, n, true); }
