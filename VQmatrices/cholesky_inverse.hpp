// In-place inverse of a symmetric positive definite matrix in full storage
// through A = R R^T, R upper triangular, factored from the last row upward:
//     R[i][i] = sqrt(A[i][i] - sum_{j>i} R[i][j]^2),
//     R[l][i] = (A[l][i] - sum_{j>i} R[l][j] R[i][j]) / R[i][i],  l < i,
// then A^-1 = S^T S with S = R^-1.
//
// Storage during the phases: the diagonal holds 1/R[i][i] (which is also
// S[i][i]), the strict upper triangle holds R, and S[l][i] is written
// transposed into the strict lower triangle at (i, l). Only the upper
// triangle of the input is read.
//
// This is the reference reading of the algorithm: every loop runs in the
// order written and every sum starts from zero, which fixes the rounding.
// The exports run the blocked kernels (blocked_*.hpp), which must give the
// same bits; the tests hold them against this one.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "storage.hpp"

namespace vq::reference {

// Returns 1 at the first row, counting from the last, whose radicand is not
// greater than zero (a NaN radicand fails); later rows then hold their part of
// the factor and the columns already factored hold R above the diagonal.
template <class T>
std::int32_t invert_by_cholesky(T* values, std::size_t n) {
    if (n == 0) return 0;
    const FullSymmetric<T> a(values, n);

    // Phase 1: the factor, last row first.
    for (std::size_t i = n; i-- > 0;) {
        T s = T(0);
        for (std::size_t j = i + 1; j < n; ++j) s = s + a(i, j) * a(i, j);
        const T t = a(i, i) - s;
        if (!(t > T(0))) return 1;
        a(i, i) = T(1) / std::sqrt(t);  // std::sqrt(float) stays in float
        for (std::size_t l = i; l-- > 0;) {
            T sl = T(0);
            for (std::size_t j = i + 1; j < n; ++j) sl = sl + a(i, j) * a(l, j);
            a(l, i) = a(i, i) * (a(l, i) - sl);
        }
    }

    // Phase 2: S[l][i] into a(i, l). The terms m >= 1 read S[i-m][i], written
    // earlier in this same row; the term m = 0 reads the diagonal S[i][i].
    for (std::size_t i = n - 1; i >= 1; --i) {
        for (std::size_t k = 1; k <= i; ++k) {
            const std::size_t l = i - k;
            T s = T(0);
            for (std::size_t m = 0; m < k; ++m) s = s + a(i, i - m) * a(l, i - m);
            a(i, l) = (-a(l, l)) * s;
        }
    }

    // Phase 3: (S^T S)[j][l] into the upper triangle. The diagonal a(j, j) is
    // written last in its row, so every value read is still from phase 2.
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t l = n; l-- > j;) {
            T s = T(0);
            for (std::size_t k = j + 1; k-- > 0;) s = s + a(j, k) * a(l, k);
            a(j, l) = s;
        }
    }

    // Phase 4: mirror the upper triangle into the lower one.
    for (std::size_t r = 0; r + 1 < n; ++r)
        for (std::size_t l = r + 1; l < n; ++l) a(l, r) = a(r, l);
    return 0;
}

}  // namespace vq::reference
