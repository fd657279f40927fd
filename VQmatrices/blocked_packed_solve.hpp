// Packed symmetric solver, blocked for the cache; same results, bit for bit,
// as the reference reading in packed_solve.hpp.
//
// Elimination step i adds f(i, l) * u(i, j) to every P(l, j), j <= l < i,
// where u(i, .) is row i as step i finds it and f(i, l) = (-1/d_i) * u(i, l),
// and adds (-b_i) * u(i, j) to b_j. Each element takes these contributions in
// the order of the steps, i = n-1, n-2, ... That order is all the rounding
// depends on, so the steps of a panel of pivots are gathered and applied to
// the leading rows together: the pivot rows keep u until the panel is done
// (f is recomputed from it with the same product) and only then are turned
// into multipliers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "chain_kernels.hpp"

namespace vq::VQ_PATH {

namespace packed_detail {

constexpr std::size_t kPanel = 64;    // pivots applied to the leading rows together
constexpr std::size_t kSubPanel = 8;  // pivots applied to the rest of their panel together

template <class T> T* row(T* p, std::size_t i) { return p + i * (i + 1) / 2; }

// Steps of pivots s1-1 down to s0 on rows [lo, hi), hi <= s0, columns 0..l.
template <class T>
void apply_steps(T* p, std::size_t lo, std::size_t hi, std::size_t s0, std::size_t s1) {
    const std::size_t steps = s1 - s0;
    if (steps == 0 || lo >= hi) return;
    constexpr int R = kTileRows;
    const T* u[kPanel];
    T minus_r[kPanel];
    for (std::size_t k = 0; k < steps; ++k) {
        const std::size_t i = s1 - 1 - k;
        u[k] = row(p, i);
        minus_r[k] = -u[k][i];
    }
    T f[kPanel * R];
    std::size_t l = lo;
    for (; l + R <= hi; l += R) {
        T* c[R];
        for (int r = 0; r < R; ++r) {
            c[r] = row(p, l + r);
            for (std::size_t k = 0; k < steps; ++k) f[k * R + r] = minus_r[k] * u[k][l + r];
        }
        chain_update<T, R>(c, u, f, steps, l + 1);
        // Row l + r reaches r columns beyond the tile's common width.
        for (int r = 1; r < R; ++r)
            for (std::size_t j = l + 1; j <= l + r; ++j) {
                T x = c[r][j];
                for (std::size_t k = 0; k < steps; ++k) x = x + f[k * R + r] * u[k][j];
                c[r][j] = x;
            }
    }
    for (; l < hi; ++l) {
        T* c[1] = {row(p, l)};
        for (std::size_t k = 0; k < steps; ++k) f[k] = minus_r[k] * u[k][l];
        chain_update<T, 1>(c, u, f, steps, l + 1);
    }
}

// Steps of pivots s1-1 down to s0 on the right-hand side entries [lo, hi).
template <class T>
void apply_steps_to_rhs(T* p, T* b, std::size_t lo, std::size_t hi, std::size_t s0,
                        std::size_t s1) {
    const std::size_t steps = s1 - s0;
    if (steps == 0 || lo >= hi) return;
    const T* u[kPanel];
    T f[kPanel];
    for (std::size_t k = 0; k < steps; ++k) {
        const std::size_t i = s1 - 1 - k;
        u[k] = row(p, i) + lo;
        f[k] = -b[i];
    }
    T* c[1] = {b + lo};
    chain_update<T, 1>(c, u, f, steps, hi - lo);
}

// x_i = b_i + sum_{j<i} P(i, j) x_j, four rows at a time so that four
// independent sums are in flight.
template <class T> void substitute(const T* p, T* b, T* h, std::size_t n) {
    constexpr std::size_t G = 4;
    std::size_t i = 1;
    for (; i + G <= n; i += G) {
        const T* rw[G];
        T sb[G], sh[G];
        for (std::size_t g = 0; g < G; ++g) {
            rw[g] = row(p, i + g);
            sb[g] = T(0);
            sh[g] = T(0);
        }
        for (std::size_t j = 0; j < i; ++j)
            for (std::size_t g = 0; g < G; ++g) sb[g] = sb[g] + rw[g][j] * b[j];
        if (h)
            for (std::size_t j = 0; j < i; ++j)
                for (std::size_t g = 0; g < G; ++g) sh[g] = sh[g] + rw[g][j] * h[j];
        for (std::size_t g = 0; g < G; ++g) {
            for (std::size_t j = i; j < i + g; ++j) sb[g] = sb[g] + rw[g][j] * b[j];
            b[i + g] = b[i + g] + sb[g];
            if (h) {
                for (std::size_t j = i; j < i + g; ++j) sh[g] = sh[g] + rw[g][j] * h[j];
                h[i + g] = h[i + g] + sh[g];
            }
        }
    }
    for (; i < n; ++i) {
        const T* ri = row(p, i);
        T sb = T(0), sh = T(0);
        for (std::size_t j = 0; j < i; ++j) sb = sb + ri[j] * b[j];
        b[i] = b[i] + sb;
        if (h) {
            for (std::size_t j = 0; j < i; ++j) sh = sh + ri[j] * h[j];
            h[i] = h[i] + sh;
        }
    }
}

}  // namespace packed_detail

// h may be null for a single right-hand side.
template <class T> std::int32_t blocked_solve_packed(T* p, T* b, T* h, std::size_t n) {
    using namespace packed_detail;
    std::int32_t status = 0;
    for (std::size_t i1 = n; i1 > 0;) {
        const std::size_t i0 = i1 > kPanel ? i1 - kPanel : 0;
        for (std::size_t s1 = i1; s1 > i0;) {
            const std::size_t s0 = s1 - i0 > kSubPanel ? s1 - kSubPanel : i0;
            for (std::size_t i = s1; i-- > s0;) {
                // Row i and b_i take the steps of this sub-panel above i.
                apply_steps(p, i, i + 1, i + 1, s1);
                for (std::size_t q = s1; q-- > i + 1;) b[i] = b[i] + (-b[q]) * row(p, q)[i];
                if (h)
                    for (std::size_t q = s1; q-- > i + 1;) h[i] = h[i] + (-h[q]) * row(p, q)[i];
                T* ri = row(p, i);
                const T d = ri[i];
                if (d <= T(0)) status = 1;
                ri[i] = T(1) / d;
                const T r = ri[i];
                b[i] = b[i] * r;
                if (h) h[i] = h[i] * r;
            }
            apply_steps(p, i0, s0, s0, s1);
            apply_steps_to_rhs(p, b, i0, s0, s0, s1);
            if (h) apply_steps_to_rhs(p, h, i0, s0, s0, s1);
            s1 = s0;
        }
        apply_steps(p, std::size_t(0), i0, i0, i1);
        apply_steps_to_rhs(p, b, 0, i0, i0, i1);
        if (h) apply_steps_to_rhs(p, h, 0, i0, i0, i1);
        // The panel's rows now give up u for their multipliers.
        for (std::size_t i = i0; i < i1; ++i) {
            T* ri = row(p, i);
            const T minus_r = -ri[i];
            for (std::size_t l = 0; l < i; ++l) ri[l] = minus_r * ri[l];
        }
        i1 = i0;
    }
    substitute(p, b, h, n);
    return status;
}

}  // namespace vq::VQ_PATH
