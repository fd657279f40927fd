// Solution of A x = b (and optionally A y = h with the same elimination) for a
// symmetric A in packed storage, no pivot search.
//
// The variables are eliminated from the last to the first; the packed array
// is left holding the factor: P(i, i) = 1/d_i for the pivot d_i of row i, and
// P(i, j), j < i, the negated multiplier -a'(i, j)/d_i. Forward substitution
// then gives x_i = b'_i/d_i - sum_{j<i} (a'(i, j)/d_i) x_j.
//
// A pivot that is zero or negative sets the status to 1, but the work goes on;
// a NaN pivot does not set it. The second right-hand side, when given, runs
// through the same operations and never influences the factor or x.
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

// h may be null for a single right-hand side.
template <class T>
std::int32_t solve_packed(T* values, T* b, T* h, std::size_t n) {
    if (n == 0) return 0;
    const PackedSymmetric<T> p(values);
    std::int32_t status = 0;

    // Elimination, last variable first.
    for (std::size_t i = n; i-- > 0;) {
        const T d = p(i, i);
        if (d <= T(0)) status = 1;
        p(i, i) = T(1) / d;
        const T r = p(i, i);
        b[i] = b[i] * r;
        if (h) h[i] = h[i] * r;
        if (i == 0) break;

        for (std::size_t j = i; j-- > 0;) b[j] = b[j] + (-b[i]) * p(i, j);
        if (h)
            for (std::size_t j = i; j-- > 0;) h[j] = h[j] + (-h[i]) * p(i, j);

        for (std::size_t l = i; l-- > 0;) {
            const T f = (-r) * p(i, l);
            // Row l reads p(i, l) here, before it is replaced by f.
            for (std::size_t j = l + 1; j-- > 0;) p(l, j) = p(l, j) + f * p(i, j);
            p(i, l) = f;
        }
    }

    // Forward substitution over the components already solved.
    for (std::size_t i = 1; i < n; ++i) {
        T sb = T(0);
        T sh = T(0);
        for (std::size_t j = 0; j < i; ++j) {
            sb = sb + p(i, j) * b[j];
            if (h) sh = sh + p(i, j) * h[j];
        }
        b[i] = b[i] + sb;
        if (h) h[i] = h[i] + sh;
    }
    return status;
}

}  // namespace vq::reference
