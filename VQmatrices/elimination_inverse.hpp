// In-place inverse of a symmetric matrix in full storage by symmetric
// elimination, A = U^T D U with U unit upper triangular, pivots taken on the
// diagonal from the top-left corner, no pivot search.
//
// Only the upper triangle (j >= i) is read. Phase 1 leaves 1/d_i on the
// diagonal and -U[i][l] above it; phase 2 builds the inverse from the
// bottom-right corner upward, filling both triangles.
//
// This is the reference reading of the algorithm: every loop runs in the
// order written and every sum starts from zero, which fixes the rounding.
// The exports run the blocked kernels (blocked_*.hpp), which must give the
// same bits; the tests hold them against this one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "storage.hpp"

namespace vq::reference {

// With TestPivots, returns 1 at the first pivot that is zero or negative
// (a NaN pivot passes), leaving the array as reached at that moment.
template <bool TestPivots, class T>
std::int32_t invert_by_elimination(T* values, std::size_t n) {
    if (n == 0) return 0;
    const FullSymmetric<T> a(values, n);

    // Phase 1: reduce the rows below each pivot on the upper triangle.
    for (std::size_t i = 0; i < n; ++i) {
        if (TestPivots && a(i, i) <= T(0)) return 1;
        a(i, i) = T(1) / a(i, i);
        const T r = a(i, i);
        for (std::size_t l = i + 1; l < n; ++l) {
            const T f = (-r) * a(i, l);
            // Row l reads a(i, l) here, before it is replaced by f.
            for (std::size_t j = l; j < n; ++j) a(l, j) = a(l, j) + f * a(i, j);
            a(i, l) = f;
        }
    }

    // Phase 2: rows and columns after r already hold the inverse of the
    // trailing block in both triangles; extend it by row and column r.
    for (std::size_t r = n - 1; r-- > 0;) {
        for (std::size_t l = r + 1; l < n; ++l) {
            T s = T(0);
            for (std::size_t j = r + 1; j < n; ++j) s = s + a(r, j) * a(l, j);
            a(l, r) = s;
        }
        // Each a(r, j) is used once more, then overwritten by its mirror.
        T t = T(0);
        for (std::size_t j = r + 1; j < n; ++j) {
            t = t + a(r, j) * a(j, r);
            a(r, j) = a(j, r);
        }
        a(r, r) = a(r, r) + t;
    }
    return 0;
}

}  // namespace vq::reference
