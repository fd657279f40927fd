// Symmetric positive definite test matrices: the tests' random symmetric
// matrices (off-diagonal values in [-1, 1], a diagonal of n + 1, so every
// matrix is diagonally dominant and well conditioned whatever the order, in
// float as in double), seeded by their order.
#pragma once

#include "bench_support.hpp"
#include "../../tests/support/random_matrices.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vq_bench {

// Full storage, n*n values; symmetric, so row- and column-major agree.
template <class T>
std::vector<T> spd_full(uint32_t n) {
    auto g = generator(0x5eed0000u + n);
    return vq_test::random_symmetric<T>(n, g);
}

// The same matrix packed: lower triangle row by row, (i, j) at i*(i+1)/2 + j.
template <class T>
std::vector<T> spd_packed(uint32_t n) {
    return vq_test::packed_from_full(spd_full<T>(n), n);
}

template <class T>
std::vector<T> right_hand_side(uint32_t n, uint64_t seed) {
    auto g = generator(seed + n);
    return vq_test::random_vector<T>(n, g, -10.0, 10.0);
}

}  // namespace vq_bench
