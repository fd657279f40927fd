// The two inner loops of the blocked symmetric kernels, vectorised across
// independent elements only.
//
// chain_update: rows of a matrix receive the contributions of several
// elimination steps, c[r][j] <- c[r][j] + f[k][r] * u[k][j] for k = 0, 1, ...
// in that order. Each element's running sum is formed exactly as the scalar
// loop forms it; a tile of rows times a few vectors of columns stays in
// registers while the steps stream past, which cuts the memory traffic.
//
// strip_accumulate: several dot products that share their left factor,
// acc[lane] <- acc[lane] + x[j] * rows[j][lane] for j = 0, 1, ... in order.
// The lanes are independent sums, each in its own order; the memory of both
// factors may run in either direction.
#pragma once

#include <cstddef>

#include "simd.hpp"

namespace vq::VQ_PATH {

template <class T, int R, int NV>
inline void chain_update_vectors(T* const* c, const T* const* u, const T* f, std::size_t steps,
                                 std::size_t j) {
    using S = Simd<T>;
    using V = typename S::vec;
    constexpr std::size_t W = S::width;
    if (steps == 0) return;
    // The row pointers copied and the steps' loop entered at least once, so
    // that the tile's sums stay in registers from the loads to the stores
    // (GCC otherwise keeps a copy of them on the stack for a loop of no
    // steps, and reloads the pointers after every store; with 16 registers
    // it also stores them through the stack unless the last loop is
    // unrolled).
    T* row[R];
    for (int r = 0; r < R; ++r) row[r] = c[r] + j;
    V acc[R][NV];
    for (int r = 0; r < R; ++r)
        for (int v = 0; v < NV; ++v) acc[r][v] = S::load(row[r] + v * W);
    std::size_t k = 0;
    do {
        const T* uk = u[k] + j;
        V uv[NV];
        for (int v = 0; v < NV; ++v) uv[v] = S::load(uk + v * W);
        const T* fk = f + k * R;
        for (int r = 0; r < R; ++r) {
            const V fr = S::broadcast(fk + r);
            for (int v = 0; v < NV; ++v) acc[r][v] = acc[r][v] + fr * uv[v];
        }
    } while (++k < steps);
#pragma GCC unroll 16
    for (int r = 0; r < R; ++r)
        for (int v = 0; v < NV; ++v) S::store(row[r] + v * W, acc[r][v]);
}

// One vector at column j of R rows, where row r takes the steps only in the
// lanes at or after column start[r] (and before column stop); the other
// lanes are written back as they were read. This lets a tile cover the
// triangular head of its rows and an unaligned tail with whole vectors.
template <class T, int R>
inline void chain_update_masked(T* const* c, const T* const* u, const T* f, std::size_t steps,
                                std::size_t j, const std::size_t* start, std::size_t stop) {
    using S = Simd<T>;
    using V = typename S::vec;
    using I = typename S::index_vec;
    V acc[R];
    for (int r = 0; r < R; ++r) acc[r] = S::load(c[r] + j);
    for (std::size_t k = 0; k < steps; ++k) {
        const V uv = S::load(u[k] + j);
        const T* fk = f + k * R;
        for (int r = 0; r < R; ++r) acc[r] = acc[r] + S::broadcast(fk + r) * uv;
    }
    const I column = S::lanes_from(std::ptrdiff_t(j));
    const I last = S::index_splat(std::ptrdiff_t(stop));
    for (int r = 0; r < R; ++r) {
        const V old = S::load(c[r] + j);
        const I first = S::index_splat(std::ptrdiff_t(start[r]));
        S::store(c[r] + j, ((column >= first) & (column < last)) ? acc[r] : old);
    }
}

// c: R row pointers, u: `steps` row pointers, all at the same first column;
// f: steps x R factors, f[k * R + r] for row r at step k; len columns.
template <class T, int R>
void chain_update(T* const* c, const T* const* u, const T* f, std::size_t steps, std::size_t len) {
    if (steps == 0) return;
    constexpr std::size_t W = Simd<T>::width;
    constexpr std::size_t kTile = kTileVectors * W;
    std::size_t j = 0;
    for (; j + kTile <= len; j += kTile) chain_update_vectors<T, R, kTileVectors>(c, u, f, steps, j);
    for (; j + W <= len; j += W) chain_update_vectors<T, R, 1>(c, u, f, steps, j);
    for (; j < len; ++j)
        for (int r = 0; r < R; ++r) {
            T x = c[r][j];
            for (std::size_t k = 0; k < steps; ++k) x = x + f[k * R + r] * u[k][j];
            c[r][j] = x;
        }
}

// NV vectors of lanes at lane offsets at[v], each summed from its value in
// acc over all the steps in one pass.
template <class T, int NV>
inline void strip_vectors(T* acc, const T* x, std::ptrdiff_t x_stride, const T* rows,
                          std::ptrdiff_t stride, std::size_t count, const std::size_t* at) {
    using S = Simd<T>;
    using V = typename S::vec;
    V s[NV];
    for (int v = 0; v < NV; ++v) s[v] = S::load(acc + at[v]);
    for (std::size_t j = 0; j < count; ++j) {
        const V xj = S::broadcast(x + std::ptrdiff_t(j) * x_stride);
        const T* row = rows + std::ptrdiff_t(j) * stride;
        for (int v = 0; v < NV; ++v) s[v] = s[v] + xj * S::load(row + at[v]);
    }
    for (int v = 0; v < NV; ++v) S::store(acc + at[v], s[v]);
}

// Fewer than a full pass of vectors: pick the count at compile time.
template <class T, int NV>
inline void strip_partial(int nv, T* acc, const T* x, std::ptrdiff_t x_stride, const T* rows,
                          std::ptrdiff_t stride, std::size_t count, const std::size_t* at) {
    if constexpr (NV > 0) {
        if (nv == NV) return strip_vectors<T, NV>(acc, x, x_stride, rows, stride, count, at);
        strip_partial<T, NV - 1>(nv, acc, x, x_stride, rows, stride, count, at);
    }
}

// acc: `lanes` running sums; x[j * x_stride]: the left factors; the right
// factors of step j at rows + j * stride. The lanes go in whole vectors, the
// last one ending at the last lane, at most kPassVectors of them in a pass
// and the passes as even as they can be (a pass of few vectors waits on the
// additions' latency). The last two vectors always share a pass, so the
// sums the last one recomputes start from the same values as the first
// time and are written again with the same bits.
template <class T>
void strip_accumulate(T* acc, const T* x, std::ptrdiff_t x_stride, const T* rows,
                      std::ptrdiff_t stride, std::size_t count, std::size_t lanes) {
    if (count == 0 || lanes == 0) return;
    constexpr std::size_t W = Simd<T>::width;
    if (lanes < W) {
        T s[W];
        for (std::size_t q = 0; q < lanes; ++q) s[q] = acc[q];
        for (std::size_t j = 0; j < count; ++j) {
            const T xj = x[std::ptrdiff_t(j) * x_stride];
            const T* row = rows + std::ptrdiff_t(j) * stride;
            for (std::size_t q = 0; q < lanes; ++q) s[q] = s[q] + xj * row[q];
        }
        for (std::size_t q = 0; q < lanes; ++q) acc[q] = s[q];
        return;
    }
    const std::size_t whole = lanes / W;
    const std::size_t vectors = whole + (whole * W < lanes);
    const std::size_t passes = (vectors + kPassVectors - 1) / kPassVectors;
    std::size_t v = 0;
    for (std::size_t p = 0; p < passes; ++p) {
        const std::size_t nv = (vectors - v) / (passes - p);
        std::size_t at[kPassVectors];
        for (std::size_t k = 0; k < nv; ++k, ++v) at[k] = v < whole ? v * W : lanes - W;
        strip_partial<T, kPassVectors>(int(nv), acc, x, x_stride, rows, stride, count, at);
    }
}

}  // namespace vq::VQ_PATH
