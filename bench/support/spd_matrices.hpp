// Symmetric positive definite test matrices: random off-diagonal values in
// [-1, 1] and a diagonal of n + 1, so every matrix is diagonally dominant and
// well conditioned whatever the order, in float as in double.
#pragma once

#include "bench_support.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vq_bench {

// Full storage, n*n values; symmetric, so row- and column-major agree.
template <class T>
std::vector<T> spd_full(uint32_t n) {
    auto g = generator(0x5eed0000u + n);
    std::vector<T> a(std::size_t(n) * n);
    for (uint32_t i = 0; i < n; ++i) {
        a[std::size_t(i) * n + i] = T(n + 1);
        for (uint32_t j = i + 1; j < n; ++j) {
            const T v = T(uniform(g, -1.0, 1.0));
            a[std::size_t(i) * n + j] = v;
            a[std::size_t(j) * n + i] = v;
        }
    }
    return a;
}

// The same matrix packed: lower triangle row by row, (i, j) at i*(i+1)/2 + j.
template <class T>
std::vector<T> spd_packed(uint32_t n) {
    const std::vector<T> full = spd_full<T>(n);
    std::vector<T> p;
    p.reserve(std::size_t(n) * (n + 1) / 2);
    for (uint32_t i = 0; i < n; ++i)
        for (uint32_t j = 0; j <= i; ++j) p.push_back(full[std::size_t(i) * n + j]);
    return p;
}

template <class T>
std::vector<T> right_hand_side(uint32_t n, uint64_t seed) {
    auto g = generator(seed + n);
    std::vector<T> b(n);
    for (T& v : b) v = T(uniform(g, -10.0, 10.0));
    return b;
}

}  // namespace vq_bench
