// Shared helpers of the VQmatrices tests: overloads that pick the _fl or _dbl
// export from the element type, random positive definite matrices, and
// bitwise comparison.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "VQmatrices.h"

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

// Agreement between methods and residuals of A * A^-1 on the well-conditioned
// matrices below (condition number at most about 5), up to order 64.
template <class T> constexpr double kTolerance = sizeof(T) == 4 ? 2e-4 : 1e-12;

// Symmetric positive definite A = M M^T / n + I in full storage.
template <class T> std::vector<T> random_spd(uint32_t n, std::mt19937& rng) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<double> m(size_t(n) * n);
    for (double& v : m) v = u(rng);
    std::vector<T> a(size_t(n) * n);
    for (uint32_t i = 0; i < n; ++i)
        for (uint32_t j = 0; j < n; ++j) {
            double s = i == j ? 1.0 : 0.0;
            for (uint32_t k = 0; k < n; ++k) s += m[i * n + k] * m[j * n + k] / n;
            a[i * n + j] = T(s);
        }
    for (uint32_t i = 0; i < n; ++i)  // exact symmetry in T
        for (uint32_t j = 0; j < i; ++j) a[i * n + j] = a[j * n + i];
    return a;
}

template <class T> std::vector<T> random_vector(uint32_t n, std::mt19937& rng) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<T> v(n);
    for (T& x : v) x = T(u(rng));
    return v;
}

// Lower triangle of a full symmetric matrix, row by row: packed storage.
template <class T> std::vector<T> packed_from_full(const std::vector<T>& a, uint32_t n) {
    std::vector<T> p;
    for (uint32_t i = 0; i < n; ++i)
        for (uint32_t j = 0; j <= i; ++j) p.push_back(a[i * n + j]);
    return p;
}

template <class T> bool same_bits(const T& x, const T& y) {
    return std::memcmp(&x, &y, sizeof(T)) == 0;
}

template <class T> bool same_bits(const std::vector<T>& x, const std::vector<T>& y) {
    return x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size() * sizeof(T)) == 0;
}

}  // namespace vqtest
