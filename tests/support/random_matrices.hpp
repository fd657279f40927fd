// Random symmetric matrices and vectors, shared by the tests and the
// benchmarks (bench/support): one generator, seeded by the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace vq_test {

// Full storage, n*n values, exactly symmetric in T. The values above the
// diagonal are uniform in [-1, 1], drawn row by row. With `dominant` the
// diagonal is n + 1, which makes the matrix positive definite and well
// conditioned (eigenvalues in [2, 2n]) in float as in double; otherwise the
// diagonal is drawn like the rest and the matrix is indefinite in general.
template <class T, class Rng>
std::vector<T> random_symmetric(uint32_t n, Rng& g, bool dominant = true) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<T> a(std::size_t(n) * n);
    for (std::size_t i = 0; i < n; ++i) {
        if (dominant) a[i * n + i] = T(n + 1);
        for (std::size_t j = dominant ? i + 1 : i; j < n; ++j) {
            const T v = T(u(g));
            a[i * n + j] = v;
            a[j * n + i] = v;
        }
    }
    return a;
}

// The lower triangle of a full symmetric matrix row by row: packed storage,
// element (i, j), j <= i, at i*(i+1)/2 + j.
template <class T> std::vector<T> packed_from_full(const std::vector<T>& a, uint32_t n) {
    std::vector<T> p;
    p.reserve(std::size_t(n) * (n + 1) / 2);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j <= i; ++j) p.push_back(a[i * n + j]);
    return p;
}

template <class T, class Rng>
std::vector<T> random_vector(uint32_t n, Rng& g, double lo = -1.0, double hi = 1.0) {
    std::uniform_real_distribution<double> u(lo, hi);
    std::vector<T> v(n);
    for (T& x : v) x = T(u(g));
    return v;
}

}  // namespace vq_test
