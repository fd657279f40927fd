// Exports of the packed symmetric solvers with one and two right-hand sides.
// See packed_solve.hpp for the algorithm and blocked_packed_solve.hpp for the
// kernel that runs it.
#include "VQmatrices.h"
#include "kernel_paths.hpp"

int32_t resuelve_sistema_sim_t_fl(float* p, float* b, uint32_t n) {
    return vq::solve_packed<float>(p, b, nullptr, n);
}

int32_t resuelve_sistema_sim_t_dbl(double* p, double* b, uint32_t n) {
    return vq::solve_packed<double>(p, b, nullptr, n);
}

int32_t resuelve_sistema_sim_t_2_fl(float* p, float* b, float* h, uint32_t n) {
    return vq::solve_packed(p, b, h, n);
}

int32_t resuelve_sistema_sim_t_2_dbl(double* p, double* b, double* h, uint32_t n) {
    return vq::solve_packed(p, b, h, n);
}
