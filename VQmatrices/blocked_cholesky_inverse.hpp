// Cholesky inverse of a symmetric positive definite matrix in full storage,
// blocked for the cache; same results, bit for bit, as cholesky_inverse.hpp,
// including the array left when a radicand is not positive.
//
// The kernel works on the transpose b = a^T (b[x][y] is a[y][x]): the matrix
// is transposed in place on entry, which loses nothing, and transposed back if
// the factor fails. In b every sum below runs along rows for many lanes side
// by side:
//   factor   R[l][i] = (1/R[i][i]) (A[l][i] - sum_{j>i} R[i][j] R[l][j]):
//            R is in the lower triangle of b, R[l][j] = b[j][l];
//   S = R^-1 S[l][i] = (-1/R[l][l]) sum_{p=i..l+1} S[p][i] R[l][p]:
//            S goes to the upper triangle of b, S[p][i] = b[p][i];
//   S^T S    (S^T S)[j][l] = sum_{k=j..0} S[k][j] S[k][l] into the lower triangle
//            of b, then mirrored: the symmetric result is the same in a and b.
// Every sum keeps the terms and the order of the reference; only independent
// sums are interleaved.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "chain_kernels.hpp"

namespace vq::VQ_PATH {

namespace cholesky_detail {

constexpr std::size_t kBlock = 64;  // factor steps carried through a strip together

// The W x W tile of a at rows i0.., columns j0.., as W vectors of its rows.
template <class T> void load_tile(const T* a, std::size_t n, std::size_t i0, std::size_t j0,
                                  typename Simd<T>::vec* v) {
    for (std::size_t k = 0; k < Simd<T>::width; ++k) v[k] = Simd<T>::load(a + (i0 + k) * n + j0);
}
template <class T> void store_tile(T* a, std::size_t n, std::size_t i0, std::size_t j0,
                                   const typename Simd<T>::vec* v) {
    for (std::size_t k = 0; k < Simd<T>::width; ++k) Simd<T>::store(a + (i0 + k) * n + j0, v[k]);
}

// In W x W tiles transposed in registers; the rows and columns after the
// last whole tile one value at a time.
template <class T> void transpose_in_place(T* a, std::size_t n) {
    using V = typename Simd<T>::vec;
    constexpr std::size_t W = Simd<T>::width;
    const std::size_t whole = n / W * W;
    for (std::size_t i0 = 0; i0 < whole; i0 += W) {
        V d[W];
        load_tile(a, n, i0, i0, d);
        Transpose<T>::apply(d);
        store_tile(a, n, i0, i0, d);
        for (std::size_t j0 = i0 + W; j0 < whole; j0 += W) {
            V u[W], l[W];
            load_tile(a, n, i0, j0, u);
            load_tile(a, n, j0, i0, l);
            Transpose<T>::apply(u);
            Transpose<T>::apply(l);
            store_tile(a, n, j0, i0, u);
            store_tile(a, n, i0, j0, l);
        }
    }
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = whole > i + 1 ? whole : i + 1; j < n; ++j) {
            const T x = a[i * n + j];
            a[i * n + j] = a[j * n + i];
            a[j * n + i] = x;
        }
}

// Upper triangle from the lower one, in the same tiles.
template <class T> void mirror_lower(T* a, std::size_t n) {
    using V = typename Simd<T>::vec;
    constexpr std::size_t W = Simd<T>::width;
    const std::size_t whole = n / W * W;
    for (std::size_t i0 = 0; i0 < whole; i0 += W) {
        for (std::size_t i = i0; i < i0 + W; ++i)
            for (std::size_t j = i + 1; j < i0 + W; ++j) a[i * n + j] = a[j * n + i];
        for (std::size_t j0 = i0 + W; j0 < whole; j0 += W) {
            V l[W];
            load_tile(a, n, j0, i0, l);
            Transpose<T>::apply(l);
            store_tile(a, n, i0, j0, l);
        }
    }
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = whole > i + 1 ? whole : i + 1; j < n; ++j) a[i * n + j] = a[j * n + i];
}

// Factor steps s1-1 down to s0 for kPassVectors vectors of lanes at a time,
// each vector at its own column start[v] of every row:
//     R[l][i] = (1/R[i][i]) (b[i][l] - sum_{j>i} b[j][i] b[j][l]).
// A vector writes only the lanes it owns, [from[v], to[v]); its other lanes
// are summed from whatever they hold and dropped. The vectors of one step are
// written in order, each reading the row after the one before wrote it, so a
// vector that overlaps an earlier one keeps the earlier one's lanes.
// With kRadicand (one step, s1 = s0 + 1) the same pass also sums the step's
// radicand, b[i][i] - sum_{j>i} b[j][i]^2, whose multipliers it reads anyway;
// if it is not positive nothing is written and false is returned, otherwise
// its inverse root goes to b[i][i] before the lanes use it.
template <class T, int NV, bool kRadicand = false>
bool factor_vectors(T* b, std::size_t n, const std::size_t* start, const std::size_t* from,
                    const std::size_t* to, std::size_t s0, std::size_t s1) {
    using S = Simd<T>;
    using V = typename S::vec;
    using I = typename S::index_vec;
    std::size_t at[NV];
    for (int v = 0; v < NV; ++v) at[v] = start[v];
    for (std::size_t i = s1; i-- > s0;) {
        V s[NV];
        for (int v = 0; v < NV; ++v) s[v] = S::zero();
        T squares = T(0);
        const T* row = b + (i + 1) * n;
        for (std::size_t j = i + 1; j < n; ++j, row += n) {
            if constexpr (kRadicand) squares = squares + row[i] * row[i];
            const V x = S::broadcast(row + i);
            for (int v = 0; v < NV; ++v) s[v] = s[v] + x * S::load(row + at[v]);
        }
        T* bi = b + i * n;
        if constexpr (kRadicand) {
            const T t = bi[i] - squares;
            if (!(t > T(0))) return false;
            bi[i] = T(1) / std::sqrt(t);  // std::sqrt(float) stays in float
        }
        const V inverse_root = S::splat(bi[i]);
        for (int v = 0; v < NV; ++v) {
            const I lane = S::lanes_from(std::ptrdiff_t(at[v]));
            const V old = S::load(bi + at[v]);
            const V updated = inverse_root * (old - s[v]);
            const I owned = (lane >= S::index_splat(std::ptrdiff_t(from[v]))) &
                            (lane < S::index_splat(std::ptrdiff_t(to[v])));
            S::store(bi + at[v], owned ? updated : old);
        }
    }
    return true;
}

template <class T, int NV, bool kRadicand>
bool factor_vectors_partial(int nv, T* b, std::size_t n, const std::size_t* start,
                            const std::size_t* from, const std::size_t* to, std::size_t s0,
                            std::size_t s1) {
    if constexpr (NV > 0) {
        if (nv == NV) return factor_vectors<T, NV, kRadicand>(b, n, start, from, to, s0, s1);
        return factor_vectors_partial<T, NV - 1, kRadicand>(nv, b, n, start, from, to, s0, s1);
    }
    return true;
}

// Factor steps s1-1 down to s0 for the lanes [own, end), summed from lane
// first <= own on (end - first >= W). The lanes are covered by vectors on the
// vector boundaries of the row `aligned` (of every row when a row is a whole
// number of vectors long), one more at lane first for the lanes before the
// first boundary and one ending at the last lane; any kPassVectors of them
// share a pass over the rows, wherever they lie, so only the last pass has
// fewer. With kRadicand (one step) the first pass also takes the radicand,
// and false means it was not positive and nothing was written.
template <class T, bool kRadicand = false>
bool factor_lanes(T* b, std::size_t n, std::size_t first, std::size_t own, std::size_t end,
                  const T* aligned, std::size_t s0, std::size_t s1) {
    constexpr std::size_t W = Simd<T>::width;
    constexpr int NV = int(kPassVectors);
    const std::size_t head = first + to_vector_boundary(aligned + first);
    std::size_t start[NV], from[NV], to[NV];
    int nv = 0;
    bool radicand = kRadicand;  // still to be taken by the next pass
    bool ok = true;
    const auto pass = [&](int vectors) {
        if (radicand) {
            radicand = false;
            ok = factor_vectors_partial<T, NV, true>(vectors, b, n, start, from, to, s0, s1);
        } else {
            factor_vectors_partial<T, NV, false>(vectors, b, n, start, from, to, s0, s1);
        }
        nv = 0;
    };
    const auto add = [&](std::size_t at, std::size_t own_from, std::size_t own_to) {
        if (!ok || own_from >= own_to) return;
        start[nv] = at;
        from[nv] = own_from;
        to[nv] = own_to;
        if (++nv == NV) pass(NV);
    };
    if (head > first) add(first, own, head);
    std::size_t l = head;
    for (; end - l >= W; l += W) add(l, l > own ? l : own, l + W);
    if (l < end) add(end - W, l > own ? l : own, end);
    if (ok && nv > 0) pass(nv);
    return ok;
}

// Factor steps s1-1 down to s0 for the lanes [own, end), fewer than a
// vector, in the one vector from lane first (first + W <= n, so that it lies
// within every row); with kRadicand as factor_vectors.
template <class T, bool kRadicand = false>
bool factor_few_lanes(T* b, std::size_t n, std::size_t first, std::size_t own, std::size_t end,
                      std::size_t s0, std::size_t s1) {
    const std::size_t start[1] = {first}, from[1] = {own}, to[1] = {end};
    return factor_vectors<T, 1, kRadicand>(b, n, start, from, to, s0, s1);
}

// Factor steps s1-1 down to s0 for the lanes l < end (rows of R above the
// block), on the vector boundaries of row s1.
template <class T>
void factor_outer_lanes(T* b, std::size_t n, std::size_t end, std::size_t s0, std::size_t s1) {
    constexpr std::size_t W = Simd<T>::width;
    if (end < W && W <= n) {
        factor_few_lanes(b, n, 0, 0, end, s0, s1);
        return;
    }
    if (end < W) {  // rows shorter than a vector: one lane at a time
        T acc[W];
        for (std::size_t i = s1; i-- > s0;) {
            for (std::size_t q = 0; q < end; ++q) acc[q] = T(0);
            const T* next = b + (i + 1) * n;
            strip_accumulate(acc, next + i, n, next, n, n - i - 1, end);
            T* bi = b + i * n;
            const T inverse_root = bi[i];
            for (std::size_t q = 0; q < end; ++q) bi[q] = inverse_root * (bi[q] - acc[q]);
        }
        return;
    }
    factor_lanes(b, n, 0, 0, end, b + s1 * n, s0, s1);
}

// Returns 1 at the first radicand that is not positive, with the factor
// steps after it applied everywhere, as the reference leaves them.
template <class T> std::int32_t factor(T* b, std::size_t n) {
    T acc[kBlock + Simd<T>::width];
    for (std::size_t i1 = n; i1 > 0;) {
        const std::size_t i0 = i1 > kBlock ? i1 - kBlock : 0;
        for (std::size_t i = i1; i-- > i0;) {
            // Lanes l in [i0, i): the rows of R inside the block, summed from
            // the vector boundary before i0 (the lanes before i0 are dropped).
            const T* next = b + (i + 1) * n;
            std::size_t lead = past_vector_boundary(next + i0);
            if (lead > i0) lead = 0;
            const std::size_t lanes = i - i0 + lead;
            const std::size_t first = i0 - lead;
            if (lanes >= Simd<T>::width || first + Simd<T>::width <= n) {
                // The radicand in the lanes' pass.
                const bool ok = lanes >= Simd<T>::width
                                    ? factor_lanes<T, true>(b, n, first, i0, i, next, i, i + 1)
                                    : factor_few_lanes<T, true>(b, n, first, i0, i, i, i + 1);
                if (!ok) {
                    factor_outer_lanes(b, n, i0, i + 1, i1);
                    return 1;
                }
                continue;
            }
            // Rows shorter than a vector: one lane at a time.
            T s = T(0);
            for (std::size_t j = i + 1; j < n; ++j) s = s + b[j * n + i] * b[j * n + i];
            const T t = b[i * n + i] - s;
            if (!(t > T(0))) {
                factor_outer_lanes(b, n, i0, i + 1, i1);
                return 1;
            }
            b[i * n + i] = T(1) / std::sqrt(t);  // std::sqrt(float) stays in float
            for (std::size_t q = 0; q < lanes; ++q) acc[q] = T(0);
            strip_accumulate(acc, next + i, n, next + i0 - lead, n, n - i - 1, lanes);
            T* bi = b + i * n;
            const T inverse_root = bi[i];
            for (std::size_t q = lead; q < lanes; ++q)
                bi[i0 - lead + q] = inverse_root * (bi[i0 - lead + q] - acc[q]);
        }
        factor_outer_lanes(b, n, i0, i0, i1);
        i1 = i0;
    }
    return 0;
}

// S = R^-1, rows l of S over a strip of lanes (columns i) [i0, i0 + NV*W):
//     S[l][i] = (-S[l][l]) * sum_{p=i..l+1} S[p][i] R[l][p],
// the sum running down from p = i (lane i joins there). The rows are taken
// in tiles of R from the bottom up, each tile in registers: first the terms
// of the rows below the tile, already in memory, then those of the tile's own
// rows, each finished in turn. The stores keep the lanes i > l only. Every
// lane's sums are computed in the same order wherever a tile or a strip
// starts, so overlapping tiles and strips write the same bits again.
template <class T, int R, int NV>
void inverse_strip(T* b, std::size_t n, std::size_t i0) {
    using S = Simd<T>;
    using V = typename S::vec;
    using I = typename S::index_vec;
    constexpr std::size_t W = S::width;
    const std::size_t top = i0 + NV * W - 1;  // the last lane
    I lane[NV];
    for (int v = 0; v < NV; ++v) lane[v] = S::lanes_from(std::ptrdiff_t(i0 + v * W));
    for (std::size_t l1 = top;;) {
        const std::size_t l0 = l1 > R ? l1 - R : 0;  // rows [l0, l0 + R), the last tile overlapping
        V acc[R][NV];
        for (int r = 0; r < R; ++r)
            for (int v = 0; v < NV; ++v) acc[r][v] = S::zero();
        std::size_t p = top;
        for (; p >= l0 + R && p >= i0; --p) {
            const T* bp = b + p * n;
            const I from = S::index_splat(std::ptrdiff_t(p));
            for (int v = 0; v < NV; ++v) {
                if (i0 + v * W + W <= p) continue;  // no lane of this vector has joined yet
                const V sp = S::load(bp + i0 + v * W);
                for (int r = 0; r < R; ++r)
                    acc[r][v] = lane[v] >= from ? acc[r][v] + sp * S::broadcast(bp + l0 + r) : acc[r][v];
            }
            if (p == 0) break;
        }
        for (; p >= l0 + R; --p) {
            const T* bp = b + p * n;
            if (p >= kPrefetchRows) {
                const T* ahead = bp - kPrefetchRows * n;
                for (int v = 0; v < NV; ++v) prefetch(ahead + i0 + v * W);
                prefetch(ahead + l0);
            }
            V sp[NV];
            for (int v = 0; v < NV; ++v) sp[v] = S::load(bp + i0 + v * W);
            for (int r = 0; r < R; ++r) {
                const V f = S::broadcast(bp + l0 + r);
                for (int v = 0; v < NV; ++v) acc[r][v] = acc[r][v] + sp[v] * f;
            }
        }
        for (int r = R - 1; r >= 0; --r) {
            const std::size_t l = l0 + r;
            for (int q = R - 1; q > r; --q) {
                const V f = S::broadcast(b + (l0 + q) * n + l);
                const I from = S::index_splat(std::ptrdiff_t(l0 + q));
                for (int v = 0; v < NV; ++v)
                    acc[r][v] = lane[v] >= from ? acc[r][v] + acc[q][v] * f : acc[r][v];
            }
            const V minus_diagonal = S::splat(-b[l * n + l]);
            T* bl = b + l * n;
            const I after = S::index_splat(std::ptrdiff_t(l));
            // Lane i = l keeps S[l][l] from the diagonal: the rows above
            // take it as their term p = i.
            for (int v = 0; v < NV; ++v) {
                const V old = S::load(bl + i0 + v * W);
                acc[r][v] = lane[v] > after ? minus_diagonal * acc[r][v] : old;
                S::store(bl + i0 + v * W, acc[r][v]);
            }
        }
        if (l0 == 0) break;
        l1 = l0;
    }
}

// The same for a few lanes, one at a time: the matrices too small for a strip.
template <class T> void inverse_columns(T* b, std::size_t n, std::size_t i0, std::size_t i1) {
    for (std::size_t i = i0; i < i1; ++i)
        for (std::size_t l = i; l-- > 0;) {
            T s = T(0);
            for (std::size_t p = i; p > l; --p) s = s + b[p * n + i] * b[p * n + l];
            b[l * n + i] = (-b[l * n + l]) * s;
        }
}

// A strip of NV vectors of lanes needs an order of at least kStripOrder; the
// inverse and the Gram product take the widest strips that fit, from
// kTileVectors vectors down to the fewest that hold a tile's rows
// (kFewestStripVectors), and below that one lane at a time.
template <class T, int NV> constexpr std::size_t kStripOrder = NV * Simd<T>::width + kTileRows + 1;
template <class T>
constexpr int kFewestStripVectors = int((kTileRows + Simd<T>::width - 1) / Simd<T>::width);

template <class T, int NV = kTileVectors> void invert_factor(T* b, std::size_t n) {
    constexpr int R = kTileRows;
    constexpr std::size_t kLanes = NV * Simd<T>::width;
    if (n < kStripOrder<T, NV>) {
        if constexpr (NV > kFewestStripVectors<T>) return invert_factor<T, NV - 1>(b, n);
        return inverse_columns(b, n, 1, n);
    }
    // Strips on vector boundaries of row 0, the first and last overlapping.
    std::size_t i0 = 1 + to_vector_boundary(b + 1);
    if (i0 > 1) inverse_strip<T, R, NV>(b, n, 1);
    for (; n - i0 >= kLanes; i0 += kLanes) inverse_strip<T, R, NV>(b, n, i0);
    if (i0 < n) inverse_strip<T, R, NV>(b, n, n - kLanes);
}

// Rows [j0, j0 + R) of S^T S over the lanes [l0, l0 + NV*W):
//     (S^T S)[j][l] = sum_{k=j..0} S[k][j] S[k][l],
// row j joining at k = j. Results for l > j go to the lower triangle,
// b[l][j]; the rest (the diagonal included, which later rows still read) are
// dropped.
template <class T, int R, int NV>
void gram_tile(T* b, std::size_t n, std::size_t j0, std::size_t l0) {
    using S = Simd<T>;
    using V = typename S::vec;
    constexpr std::size_t W = S::width;
    V acc[R][NV];
    for (int r = 0; r < R; ++r)
        for (int v = 0; v < NV; ++v) acc[r][v] = S::zero();
    for (int t = R - 1; t >= 0; --t) {
        const T* bk = b + (j0 + t) * n;
        V u[NV];
        for (int v = 0; v < NV; ++v) u[v] = S::load(bk + l0 + v * W);
        for (int r = t; r < R; ++r) {
            const V f = S::broadcast(bk + j0 + r);
            for (int v = 0; v < NV; ++v) acc[r][v] = acc[r][v] + f * u[v];
        }
    }
    for (std::size_t k = j0; k-- > 0;) {
        const T* bk = b + k * n;
        if (k >= kPrefetchRows) {
            const T* ahead = bk - kPrefetchRows * n;
            for (int v = 0; v < NV; ++v) prefetch(ahead + l0 + v * W);
            prefetch(ahead + j0);
        }
        V u[NV];
        for (int v = 0; v < NV; ++v) u[v] = S::load(bk + l0 + v * W);
        for (int r = 0; r < R; ++r) {
            const V f = S::broadcast(bk + j0 + r);
            for (int v = 0; v < NV; ++v) acc[r][v] = acc[r][v] + f * u[v];
        }
    }
    for (int v = 0; v < NV; ++v) {
        T out[R][W];
        for (int r = 0; r < R; ++r) S::store(out[r], acc[r][v]);
        for (std::size_t q = 0; q < W; ++q) {
            const std::size_t l = l0 + v * W + q;
            T* bl = b + l * n + j0;
            for (int r = 0; r < R; ++r)
                if (l > j0 + r) bl[r] = out[r][q];
        }
    }
}

// gram_tile without its first `skip` vectors of lanes.
template <class T, int R, int NV>
void gram_tile_from(int skip, T* b, std::size_t n, std::size_t j0, std::size_t l0) {
    if constexpr (NV > 1)
        if (skip > 0)
            return gram_tile_from<T, R, NV - 1>(skip - 1, b, n, j0, l0 + Simd<T>::width);
    gram_tile<T, R, NV>(b, n, j0, l0);
}

// The strict lower triangle of S^T S; every row j below the lanes' last.
template <class T, int NV = kTileVectors> void gram(T* b, std::size_t n) {
    constexpr int R = kTileRows;
    constexpr std::size_t kLanes = NV * Simd<T>::width;
    // The last tile of a strip is moved back to end at the strip's last lane.
    static_assert(std::size_t(R) <= kLanes, "a tile has no more rows than a strip has lanes");
    if (n < kStripOrder<T, NV>) {
        if constexpr (NV > kFewestStripVectors<T>) return gram<T, NV - 1>(b, n);
        for (std::size_t j = 0; j < n; ++j)
            for (std::size_t l = j + 1; l < n; ++l) {
                T s = T(0);
                for (std::size_t k = j + 1; k-- > 0;) s = s + b[k * n + j] * b[k * n + l];
                b[l * n + j] = s;
            }
        return;
    }
    const auto strip = [&](std::size_t l0) {
        const std::size_t last = l0 + kLanes - 1;
        for (std::size_t j0 = 0;; j0 += R) {
            if (j0 + R > last) j0 = last - R;  // the last tile overlapping
            // Near the diagonal the first vectors hold only lanes l <= j0,
            // whose sums every row of the tile drops: they are left out.
            const std::size_t skip = j0 + 1 > l0 ? (j0 + 1 - l0) / Simd<T>::width : 0;
            gram_tile_from<T, R, NV>(int(skip), b, n, j0, l0);
            if (j0 + R == last) break;
        }
    };
    std::size_t l0 = 1 + to_vector_boundary(b + 1);
    if (l0 > 1) strip(1);
    for (; n - l0 >= kLanes; l0 += kLanes) strip(l0);
    if (l0 < n) strip(n - kLanes);
}

// The diagonal of S^T S, sum_{k=j..0} S[k][j]^2, lanes j side by side; each
// lane's own S[j][j] is its first term, so a vector is written after it is
// summed.
template <class T> void gram_diagonal(T* b, std::size_t n) {
    using S = Simd<T>;
    using V = typename S::vec;
    using I = typename S::index_vec;
    constexpr std::size_t W = S::width;
    std::size_t j0 = 0;
    for (; n - j0 >= W; j0 += W) {
        const I lane = S::lanes_from(std::ptrdiff_t(j0));
        V acc = S::zero();
        for (std::size_t k = j0 + W; k-- > 0;) {
            const V s = S::load(b + k * n + j0);
            acc = lane >= S::index_splat(std::ptrdiff_t(k)) ? acc + s * s : acc;
        }
        T out[W];
        S::store(out, acc);
        for (std::size_t q = 0; q < W; ++q) b[(j0 + q) * n + j0 + q] = out[q];
    }
    for (; j0 < n; ++j0) {
        T s = T(0);
        for (std::size_t k = j0 + 1; k-- > 0;) s = s + b[k * n + j0] * b[k * n + j0];
        b[j0 * n + j0] = s;
    }
}

}  // namespace cholesky_detail

// Returns 1 at the first row, counting from the last, whose radicand is not
// greater than zero (a NaN radicand fails), leaving the reference's state.
template <class T> std::int32_t blocked_invert_by_cholesky(T* a, std::size_t n) {
    using namespace cholesky_detail;
    if (n == 0) return 0;
    transpose_in_place(a, n);
    if (factor(a, n) != 0) {
        transpose_in_place(a, n);
        return 1;
    }
    invert_factor(a, n);
    gram(a, n);
    gram_diagonal(a, n);
    mirror_lower(a, n);
    return 0;
}

}  // namespace vq::VQ_PATH
