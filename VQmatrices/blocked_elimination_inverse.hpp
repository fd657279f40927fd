// Elimination inverse of a symmetric matrix in full storage, blocked for the
// cache; same results, bit for bit, as elimination_inverse.hpp, including the
// array left when a pivot fails the positivity test.
//
// Phase 1: step i adds f(i, l) * u(i, j) to a[l][j], l > i, j >= l, where
// u(i, .) is row i as step i finds it and f(i, l) = (-1/d_i) * u(i, l). Each
// element takes these in step order, which is all its rounding depends on; so
// the steps of a panel of pivots are applied to the trailing rows together.
// The pivot rows keep u until then (f is recomputed with the same product)
// and only afterwards turn into multipliers. When a pivot fails, the steps
// before it are first applied everywhere, which leaves the reference state.
//
// Phase 2: a[l][r] = sum_j a[r][j] * a[l][j] for l > r. Once the rows after r
// hold the symmetric inverse, a[l][j] and a[j][l] are the same value, so the
// sums for many l run side by side along row j. The sums of one column r need
// the finished column r+1 (its term comes first), so a block of columns is
// carried through a narrow strip of lanes at a time, the strip staying in
// cache while the block's columns take their turns.
#pragma once

#include <cstddef>
#include <cstdint>

#include "chain_kernels.hpp"

namespace vq::VQ_PATH {

namespace elimination_detail {

constexpr std::size_t kPanel = 64;    // pivots applied to the trailing rows together
constexpr std::size_t kSubPanel = 8;  // pivots applied to the rest of their panel together
constexpr std::size_t kBlock = 64;    // columns of the inverse carried through a strip together

// Steps of pivots [s0, s1) on rows [lo, hi), lo >= s1, columns l..n-1.
template <class T>
void apply_steps(T* a, std::size_t n, std::size_t lo, std::size_t hi, std::size_t s0,
                 std::size_t s1) {
    const std::size_t steps = s1 - s0;
    if (steps == 0 || lo >= hi) return;
    constexpr int R = kTileRows;
    const T* u[kPanel];
    const T* uj[kPanel];
    T minus_r[kPanel];
    for (std::size_t k = 0; k < steps; ++k) {
        u[k] = a + (s0 + k) * n;
        minus_r[k] = -u[k][s0 + k];
    }
    T f[kPanel * R];
    std::size_t l = lo;
    for (; l + R <= hi; l += R) {
        for (int r = 0; r < R; ++r)
            for (std::size_t k = 0; k < steps; ++k) f[k * R + r] = minus_r[k] * u[k][l + r];
        // Row l + r starts r columns after row l; the tile shares columns from l + R - 1.
        for (int r = 0; r + 1 < R; ++r) {
            T* c = a + (l + r) * n;
            for (std::size_t j = l + r; j < l + R - 1; ++j) {
                T x = c[j];
                for (std::size_t k = 0; k < steps; ++k) x = x + f[k * R + r] * u[k][j];
                c[j] = x;
            }
        }
        const std::size_t j0 = l + R - 1;
        T* c[R];
        for (int r = 0; r < R; ++r) c[r] = a + (l + r) * n + j0;
        for (std::size_t k = 0; k < steps; ++k) uj[k] = u[k] + j0;
        chain_update<T, R>(c, uj, f, steps, n - j0);
    }
    for (; l < hi; ++l) {
        for (std::size_t k = 0; k < steps; ++k) {
            f[k] = minus_r[k] * u[k][l];
            uj[k] = u[k] + l;
        }
        T* c[1] = {a + l * n + l};
        chain_update<T, 1>(c, uj, f, steps, n - l);
    }
}

// Rows [s0, s1) trade u for their multipliers f = (-1/d_i) * u.
template <class T> void finish_rows(T* a, std::size_t n, std::size_t s0, std::size_t s1) {
    for (std::size_t i = s0; i < s1; ++i) {
        T* ri = a + i * n;
        const T minus_r = -ri[i];
        for (std::size_t l = i + 1; l < n; ++l) ri[l] = minus_r * ri[l];
    }
}

template <bool TestPivots, class T> std::int32_t factor(T* a, std::size_t n) {
    for (std::size_t i0 = 0; i0 < n;) {
        const std::size_t i1 = n - i0 > kPanel ? i0 + kPanel : n;
        for (std::size_t s0 = i0; s0 < i1;) {
            const std::size_t s1 = i1 - s0 > kSubPanel ? s0 + kSubPanel : i1;
            for (std::size_t l = s0; l < s1; ++l) {
                apply_steps(a, n, l, l + 1, s0, l);
                T& pivot = a[l * n + l];
                if (TestPivots && pivot <= T(0)) {
                    // Leave what the unblocked elimination leaves: steps < l
                    // applied to every later row, earlier rows finished.
                    apply_steps(a, n, l + 1, i1, s0, l);
                    apply_steps(a, n, i1, n, i0, l);
                    finish_rows(a, n, i0, l);
                    return 1;
                }
                pivot = T(1) / pivot;
            }
            apply_steps(a, n, s1, i1, s0, s1);
            s0 = s1;
        }
        apply_steps(a, n, i1, n, i0, i1);
        finish_rows(a, n, i0, i1);
        i0 = i1;
    }
    return 0;
}

template <class T> void invert_factor(T* a, std::size_t n) {
    constexpr std::size_t kLanes = kStripVectors * Simd<T>::width;
    T y[kBlock * kLanes];  // the block's columns over one strip of lanes
    T acc[kBlock];
    for (std::size_t r1 = n - 1; r1 > 0;) {
        const std::size_t r0 = r1 > kBlock ? r1 - kBlock : 0;
        // Lanes l >= r1: the block's columns strip by strip.
        for (std::size_t l0 = r1; l0 < n; l0 += kLanes) {
            const std::size_t lanes = n - l0 < kLanes ? n - l0 : kLanes;
            for (std::size_t r = r1; r-- > r0;) {
                T* yr = y + (r - r0) * kLanes;
                for (std::size_t q = 0; q < lanes; ++q) yr[q] = T(0);
                const T* xr = a + r * n;
                strip_accumulate(yr, xr + r + 1, 1, yr + kLanes, kLanes, r1 - r - 1, lanes);
                strip_accumulate(yr, xr + r1, 1, a + r1 * n + l0, n, n - r1, lanes);
                for (std::size_t q = 0; q < lanes; ++q) a[(l0 + q) * n + r] = yr[q];
            }
        }
        // Lanes inside the block, then the diagonal and the mirror of row r.
        for (std::size_t r = r1; r-- > r0;) {
            T* ar = a + r * n;
            const std::size_t lanes = r1 - r - 1;
            for (std::size_t q = 0; q < lanes; ++q) acc[q] = T(0);
            strip_accumulate(acc, ar + r + 1, 1, a + (r + 1) * n + r + 1, n, n - r - 1, lanes);
            for (std::size_t q = 0; q < lanes; ++q) a[(r + 1 + q) * n + r] = acc[q];
            T t = T(0);
            for (std::size_t j = r + 1; j < n; ++j) {
                t = t + ar[j] * a[j * n + r];
                ar[j] = a[j * n + r];
            }
            ar[r] = ar[r] + t;
        }
        r1 = r0;
    }
}

}  // namespace elimination_detail

// With TestPivots, returns 1 at the first pivot that is zero or negative
// (a NaN pivot passes), leaving the array as the reference leaves it.
template <bool TestPivots, class T> std::int32_t blocked_invert_by_elimination(T* a, std::size_t n) {
    if (n == 0) return 0;
    if (elimination_detail::factor<TestPivots>(a, n) != 0) return 1;
    elimination_detail::invert_factor(a, n);
    return 0;
}

}  // namespace vq::VQ_PATH
