// Normal equations of the least-squares step of the polynomial fit.
//
// For each pair k (in order) with dx, dy, DX, DY relative to the centroids:
//   u = alpha*dx - beta*dy,  v = beta*dx + alpha*dy,
//   residual (DX - u, DY - v),
//   monomials m = 1, u, v, u^2, uv, v^2, u*u^2, u*uv, v*uv, v*v^2 (first N),
//   P(i, j) += m_i * m_j (j <= i, packed lower triangle, row by row),
//   rx(i) += m_i * (DX - u),  ry(i) += m_i * (DY - v).
// Each of these sums is one chain over the pairs, starting from zero.
//
// accumulate_normal_equations_by_pair does this as written, one element at a
// time; it is the reference. accumulate_normal_equations gives the same bits
// with the sums of independent elements side by side in vector lanes: every
// lane forms the same product (m_i on the left) and adds it to the same sum.
// rx(0) += 1 * residual equals rx(0) += residual bit for bit (1 * x is x, NaNs
// included), so the first right-hand side element can share the vector form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "records.hpp"
#include "similarity2d/layouts.hpp"

#include "similarity2d/ordered_sse2.hpp"

namespace vq {

constexpr int kMaxTerms = 10;
constexpr int kPackedSize = kMaxTerms * (kMaxTerms + 1) / 2;

// The first stage of the fit: centroids and the similarity's linear part.
template <class T> struct SimilarityStart {
    T xm_origen, ym_origen, xm_destino, ym_destino;
    T alpha, beta;
};

template <class T> struct NormalEquations {
    T P[kPackedSize] = {};
    T rx[kMaxTerms] = {};
    T ry[kMaxTerms] = {};
};

// Monomials and residual of pair k, exactly as the reference forms them.
template <class T> struct PairTerms {
    T m[kMaxTerms];
    T DX, DY;
};

template <class T>
inline PairTerms<T> pair_terms(const SimilarityStart<T>& f, const T* const* puntos, uint32_t k,
                               int terms) {
    const Point2<T> s = load_point<T>(address_of(puntos[2 * static_cast<std::size_t>(k)]));
    const Point2<T> d = load_point<T>(address_of(puntos[2 * static_cast<std::size_t>(k) + 1]));
    const T dx = s.x - f.xm_origen;
    const T dy = s.y - f.ym_origen;
    T DX = d.x - f.xm_destino;
    T DY = d.y - f.ym_destino;
    const T u = f.alpha * dx - f.beta * dy;
    const T v = f.beta * dx + f.alpha * dy;
    PairTerms<T> t;
    t.DX = DX - u;
    t.DY = DY - v;
    t.m[0] = 1;
    t.m[1] = u;
    t.m[2] = v;
    t.m[3] = u * u;
    t.m[4] = u * v;
    t.m[5] = v * v;
    if (terms == kMaxTerms) {
        t.m[6] = u * t.m[3];
        t.m[7] = u * t.m[4];
        t.m[8] = v * t.m[4];
        t.m[9] = v * t.m[5];
    }
    return t;
}

template <class T>
void accumulate_normal_equations_by_pair(NormalEquations<T>& e, const SimilarityStart<T>& f,
                                         const T* const* puntos, uint32_t n, int terms) {
    for (uint32_t k = 0; k < n; ++k) {
        const PairTerms<T> t = pair_terms(f, puntos, k, terms);
        e.rx[0] += t.DX;
        e.ry[0] += t.DY;
        e.P[0] += t.m[0] * t.m[0];
        // Packed lower triangle, row by row: element (i, j) at i(i+1)/2 + j.
        for (int i = 1; i < terms; ++i) {
            const T ti = t.m[i];
            T* row = e.P + i * (i + 1) / 2;
            for (int j = 0; j <= i; ++j) row[j] += ti * t.m[j];
            e.rx[i] += ti * t.DX;
            e.ry[i] += ti * t.DY;
        }
    }
}

#if defined(__SSE2__)
namespace sse2 {

// Lanes of SSE2 registers, additions and multiplications in a fixed operand
// order (ordered_sse2.hpp).
template <class T> struct Lanes;

template <> struct Lanes<double> {
    using vec = __m128d;
    static constexpr int width = 2;
    static vec splat(double x) { return _mm_set1_pd(x); }
    static vec load(const double* p) { return _mm_loadu_pd(p); }
    static void store(double* p, vec v) { _mm_storeu_pd(p, v); }
    static vec lanes(const double* x) { return _mm_setr_pd(x[0], x[1]); }
    static vec add(vec a, vec b) { return sse2::add(a, b); }
    static vec mul(vec a, vec b) { return sse2::mul(a, b); }
};

template <> struct Lanes<float> {
    using vec = __m128;
    static constexpr int width = 4;
    static vec splat(float x) { return _mm_set1_ps(x); }
    static vec load(const float* p) { return _mm_loadu_ps(p); }
    static void store(float* p, vec v) { _mm_storeu_ps(p, v); }
    static vec lanes(const float* x) { return _mm_setr_ps(x[0], x[1], x[2], x[3]); }
    static vec add(vec a, vec b) { return sse2::add(a, b); }
    static vec mul(vec a, vec b) { return sse2::mul(a, b); }
};

// Row i of the triangle holds the products m_i * m_j for j = 0 .. i, as whole
// vectors of monomials: row i takes chunks(i + 1) vectors, and the lanes past
// j = i hold products that are never read.
constexpr int chunks(int count, int width) { return (count + width - 1) / width; }
constexpr int first_chunk_of_row(int i, int width) {
    int c = 0;
    for (int r = 0; r < i; ++r) c += chunks(r + 1, width);
    return c;
}

// f(std::integral_constant<int, i>) for i = 0 .. N-1, written out in full so
// that every row offset is a constant.
template <class F, int... I> void unrolled(F&& f, std::integer_sequence<int, I...>) {
    (f(std::integral_constant<int, I>{}), ...);
}
template <int N, class F> void unrolled(F&& f) { unrolled(f, std::make_integer_sequence<int, N>{}); }

template <class T, int N>
void accumulate_normal_equations(NormalEquations<T>& e, const SimilarityStart<T>& f,
                                 const T* const* puntos, uint32_t n) {
    using L = Lanes<T>;
    using vec = typename L::vec;
    constexpr int W = L::width;
    constexpr int kMonomialChunks = chunks(N, W);
    constexpr int kTriangleChunks = first_chunk_of_row(N, W);

    alignas(16) T triangle[kTriangleChunks * W] = {};
    alignas(16) T rx[kMonomialChunks * W] = {};
    alignas(16) T ry[kMonomialChunks * W] = {};
    for (uint32_t k = 0; k < n; ++k) {
        const PairTerms<T> t = pair_terms(f, puntos, k, N);
        // Built in registers: storing the monomials and loading them back as
        // vectors would stall on every pair.
        T m[kMonomialChunks * W] = {};
        for (int j = 0; j < N; ++j) m[j] = t.m[j];
        vec monomials[kMonomialChunks];
        for (int c = 0; c < kMonomialChunks; ++c) monomials[c] = L::lanes(m + c * W);

        const vec DX = L::splat(t.DX);
        const vec DY = L::splat(t.DY);
        for (int c = 0; c < kMonomialChunks; ++c) {
            L::store(rx + c * W, L::add(L::load(rx + c * W), L::mul(monomials[c], DX)));
            L::store(ry + c * W, L::add(L::load(ry + c * W), L::mul(monomials[c], DY)));
        }
        unrolled<N>([&](auto i) {
            const vec mi = L::splat(t.m[i]);
            T* row = triangle + first_chunk_of_row(i, W) * W;
            unrolled<chunks(i + 1, W)>([&](auto c) {
                L::store(row + c * W, L::add(L::load(row + c * W), L::mul(mi, monomials[c])));
            });
        });
    }

    for (int i = 0; i < N; ++i) {
        e.rx[i] = rx[i];
        e.ry[i] = ry[i];
        for (int j = 0; j <= i; ++j) e.P[i * (i + 1) / 2 + j] = triangle[first_chunk_of_row(i, W) * W + j];
    }
}

}  // namespace sse2
#endif

// The accumulation as the fit runs it, for 3, 6 or 10 terms.
template <class T>
void accumulate_normal_equations(NormalEquations<T>& e, const SimilarityStart<T>& f,
                                 const T* const* puntos, uint32_t n, int terms) {
#if defined(__SSE2__)
    switch (terms) {
    case 3: return sse2::accumulate_normal_equations<T, 3>(e, f, puntos, n);
    case 6: return sse2::accumulate_normal_equations<T, 6>(e, f, puntos, n);
    case kMaxTerms: return sse2::accumulate_normal_equations<T, kMaxTerms>(e, f, puntos, n);
    default: break;
    }
#endif
    accumulate_normal_equations_by_pair(e, f, puntos, n, terms);
}

}  // namespace vq
