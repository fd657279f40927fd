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
constexpr std::size_t kTile = 16;   // square tiles of the transposes

template <class T> void transpose_in_place(T* a, std::size_t n) {
    for (std::size_t i0 = 0; i0 < n; i0 += kTile)
        for (std::size_t j0 = i0; j0 < n; j0 += kTile)
            for (std::size_t i = i0; i < i0 + kTile && i < n; ++i)
                for (std::size_t j = j0 > i + 1 ? j0 : i + 1; j < j0 + kTile && j < n; ++j) {
                    const T x = a[i * n + j];
                    a[i * n + j] = a[j * n + i];
                    a[j * n + i] = x;
                }
}

// Upper triangle from the lower one.
template <class T> void mirror_lower(T* a, std::size_t n) {
    for (std::size_t i0 = 0; i0 < n; i0 += kTile)
        for (std::size_t j0 = i0; j0 < n; j0 += kTile)
            for (std::size_t i = i0; i < i0 + kTile && i < n; ++i)
                for (std::size_t j = j0 > i + 1 ? j0 : i + 1; j < j0 + kTile && j < n; ++j)
                    a[i * n + j] = a[j * n + i];
}

// Factor steps s1-1 down to s0 for the lanes l < end (rows of R above the
// block), a strip of lanes at a time.
template <class T>
void factor_outer_lanes(T* b, std::size_t n, std::size_t end, std::size_t s0, std::size_t s1) {
    constexpr std::size_t kLanes = kStripVectors * Simd<T>::width;
    T acc[kLanes];
    for (std::size_t l0 = 0; l0 < end; l0 += kLanes) {
        const std::size_t lanes = end - l0 < kLanes ? end - l0 : kLanes;
        for (std::size_t i = s1; i-- > s0;) {
            for (std::size_t q = 0; q < lanes; ++q) acc[q] = T(0);
            const T* next = b + (i + 1) * n;
            strip_accumulate(acc, next + i, n, next + l0, n, n - i - 1, lanes);
            T* bi = b + i * n;
            const T inverse_root = bi[i];
            for (std::size_t q = 0; q < lanes; ++q)
                bi[l0 + q] = inverse_root * (bi[l0 + q] - acc[q]);
        }
    }
}

// Returns 1 at the first radicand that is not positive, with the factor
// steps after it applied everywhere, as the reference leaves them.
template <class T> std::int32_t factor(T* b, std::size_t n) {
    T acc[kBlock];
    for (std::size_t i1 = n; i1 > 0;) {
        const std::size_t i0 = i1 > kBlock ? i1 - kBlock : 0;
        for (std::size_t i = i1; i-- > i0;) {
            T s = T(0);
            for (std::size_t j = i + 1; j < n; ++j) s = s + b[j * n + i] * b[j * n + i];
            const T t = b[i * n + i] - s;
            if (!(t > T(0))) {
                factor_outer_lanes(b, n, i0, i + 1, i1);
                return 1;
            }
            b[i * n + i] = T(1) / std::sqrt(t);  // std::sqrt(float) stays in float
            // Lanes l in [i0, i): the rows of R inside the block.
            const std::size_t lanes = i - i0;
            for (std::size_t q = 0; q < lanes; ++q) acc[q] = T(0);
            const T* next = b + (i + 1) * n;
            strip_accumulate(acc, next + i, n, next + i0, n, n - i - 1, lanes);
            T* bi = b + i * n;
            const T inverse_root = bi[i];
            for (std::size_t q = 0; q < lanes; ++q)
                bi[i0 + q] = inverse_root * (bi[i0 + q] - acc[q]);
        }
        factor_outer_lanes(b, n, i0, i0, i1);
        i1 = i0;
    }
    return 0;
}

// S = R^-1 by columns i, many columns side by side; the sum of column i
// starts at p = i, so each lane joins the strip at its own step.
template <class T> void invert_factor(T* b, std::size_t n) {
    constexpr std::size_t kLanes = kStripVectors * Simd<T>::width;
    T acc[kLanes];
    for (std::size_t ia = 1; ia < n; ia += kLanes) {
        const std::size_t lanes = n - ia < kLanes ? n - ia : kLanes;
        const std::size_t ib = ia + lanes;
        for (std::size_t l = ib - 1; l-- > 0;) {
            for (std::size_t q = 0; q < lanes; ++q) acc[q] = T(0);
            // Steps p = ib-1 down to l+1; lane q (column ia+q) from p = ia+q on.
            const T* top = b + (ib - 1) * n;
            const std::ptrdiff_t up = -std::ptrdiff_t(n);
            strip_accumulate(acc, top + l, up, top + ia, up, ib - 1 - l, lanes,
                             std::ptrdiff_t(lanes) - 1);
            T* bl = b + l * n;
            const T minus_diagonal = -bl[l];
            for (std::size_t q = l >= ia ? l + 1 - ia : 0; q < lanes; ++q)
                bl[ia + q] = minus_diagonal * acc[q];
        }
    }
}

// Rows [j0, j0+J) of S^T S over the lanes [l0, l0 + NV*W): results for
// l > j go to the lower triangle b[l][j]; lanes l < j are computed and
// dropped; the diagonal, which its own row still reads, is handed to
// `diagonal` instead.
template <class T, int J, int NV>
inline void gram_tile(T* b, std::size_t n, std::size_t j0, std::size_t l0, T* diagonal) {
    using S = Simd<T>;
    using V = typename S::vec;
    constexpr std::size_t W = S::width;
    V acc[J][NV];
    for (int r = 0; r < J; ++r)
        for (int v = 0; v < NV; ++v) acc[r][v] = S::zero();
    // Row j0 + r starts at k = j0 + r.
    for (std::size_t k = j0 + J; k-- > 0;) {
        const T* bk = b + k * n;
        V u[NV];
        for (int v = 0; v < NV; ++v) u[v] = S::load(bk + l0 + v * W);
        for (int r = 0; r < J; ++r) {
            if (j0 + r < k) continue;
            const V f = S::splat(bk[j0 + r]);
            for (int v = 0; v < NV; ++v) acc[r][v] = acc[r][v] + f * u[v];
        }
    }
    for (int r = 0; r < J; ++r) {
        const std::size_t j = j0 + r;
        for (int v = 0; v < NV; ++v) {
            T out[W];
            S::store(out, acc[r][v]);
            for (std::size_t q = 0; q < W; ++q) {
                const std::size_t l = l0 + v * W + q;
                if (l > j) b[l * n + j] = out[q];
                else if (l == j) diagonal[r] = out[q];
            }
        }
    }
}

template <class T, int J> void gram_rows(T* b, std::size_t n, std::size_t j0, T* diagonal) {
    constexpr std::size_t W = Simd<T>::width;
    constexpr std::size_t kWide = kTileVectors * W;
    std::size_t l0 = j0;
    for (; l0 + kWide <= n; l0 += kWide) gram_tile<T, J, kTileVectors>(b, n, j0, l0, diagonal);
    for (; l0 + W <= n; l0 += W) gram_tile<T, J, 1>(b, n, j0, l0, diagonal);
    if (l0 < n && n - j0 >= W) {
        // One more vector ending at the last lane: the lanes it shares with
        // the previous one get the same sums again.
        gram_tile<T, J, 1>(b, n, j0, n - W, diagonal);
        l0 = n;
    }
    for (; l0 < n; ++l0)
        for (int r = 0; r < J; ++r) {
            const std::size_t j = j0 + r;
            if (l0 < j) continue;
            T s = T(0);
            for (std::size_t k = j + 1; k-- > 0;) s = s + b[k * n + j] * b[k * n + l0];
            if (l0 == j) diagonal[r] = s;
            else b[l0 * n + j] = s;
        }
    for (int r = 0; r < J; ++r) b[(j0 + r) * n + j0 + r] = diagonal[r];
}

template <class T> void gram(T* b, std::size_t n) {
    constexpr int J = kTileRows;
    T diagonal[J];
    std::size_t j0 = 0;
    for (; j0 + J <= n; j0 += J) gram_rows<T, J>(b, n, j0, diagonal);
    for (; j0 < n; ++j0) gram_rows<T, 1>(b, n, j0, diagonal);
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
    mirror_lower(a, n);
    return 0;
}

}  // namespace vq::VQ_PATH
