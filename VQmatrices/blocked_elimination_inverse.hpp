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
#include <cstring>

#include "chain_kernels.hpp"
#include "strip_width.hpp"

namespace vq::VQ_PATH {

namespace elimination_detail {

constexpr std::size_t kPanel = 64;    // pivots applied to the trailing rows together
constexpr std::size_t kSubPanel = 8;  // pivots applied to the rest of their panel together
constexpr std::size_t kBlock = 64;    // columns of the inverse carried through a strip together

// Rows l .. l+R-1 take the steps whose pivot rows start at u[k] (column 0)
// with factors f[k * R + r]; row l + r is updated in columns l + r .. n-1.
// The columns run in whole vectors from a vector boundary of row l on; the
// triangle before it and the last columns are covered by vectors whose
// lanes outside the rows' columns are written back unchanged.
template <class T, int R>
void update_rows(T* a, std::size_t n, std::size_t l, const T* const* u, const T* f,
                 std::size_t steps) {
    constexpr std::size_t W = Simd<T>::width;
    static_assert(R <= int(W) + 2, "two vectors before the first boundary cover the rows' triangle");
    T* c[R];
    std::size_t start[R];
    for (int r = 0; r < R; ++r) {
        c[r] = a + (l + r) * n;
        start[r] = l + r;
    }
    std::size_t j = l + R - 1;
    j += to_vector_boundary(c[0] + j);
    if (j >= 2 * W && j <= n) {
        chain_update_masked<T, R>(c, u, f, steps, j - 2 * W, start, n);
        chain_update_masked<T, R>(c, u, f, steps, j - W, start, n);
    } else {
        if (j > n) j = n;
        for (int r = 0; r < R; ++r)
            for (std::size_t col = l + r; col < j; ++col) {
                T x = c[r][col];
                for (std::size_t k = 0; k < steps; ++k) x = x + f[k * R + r] * u[k][col];
                c[r][col] = x;
            }
    }
    constexpr std::size_t kWide = kTileVectors * W;
    for (; n - j >= kWide; j += kWide) chain_update_vectors<T, R, kTileVectors>(c, u, f, steps, j);
    for (; n - j >= W; j += W) chain_update_vectors<T, R, 1>(c, u, f, steps, j);
    if (j == n) return;
    if (n >= W && n - W >= l) {
        // The last vector of the rows; lanes before j are already done.
        for (int r = 0; r < R; ++r)
            if (start[r] < j) start[r] = j;
        chain_update_masked<T, R>(c, u, f, steps, n - W, start, n);
        return;
    }
    for (int r = 0; r < R; ++r)
        for (std::size_t col = j > l + r ? j : l + r; col < n; ++col) {
            T x = c[r][col];
            for (std::size_t k = 0; k < steps; ++k) x = x + f[k * R + r] * u[k][col];
            c[r][col] = x;
        }
}

// Steps of pivots [s0, s1) on rows [lo, hi), lo >= s1, columns l..n-1.
template <class T>
void apply_steps(T* a, std::size_t n, std::size_t lo, std::size_t hi, std::size_t s0,
                 std::size_t s1) {
    const std::size_t steps = s1 - s0;
    if (steps == 0 || lo >= hi) return;
    constexpr int R = kTileRows;
    const T* u[kPanel];
    T minus_r[kPanel];
    for (std::size_t k = 0; k < steps; ++k) {
        u[k] = a + (s0 + k) * n;
        minus_r[k] = -u[k][s0 + k];
    }
    T f[kPanel * R];
    std::size_t l = lo;
    for (; hi - l >= R; l += R) {
        for (std::size_t k = 0; k < steps; ++k)
            for (int r = 0; r < R; ++r) f[k * R + r] = minus_r[k] * u[k][l + r];
        update_rows<T, R>(a, n, l, u, f, steps);
    }
    for (; l < hi; ++l) {
        for (std::size_t k = 0; k < steps; ++k) f[k] = minus_r[k] * u[k][l];
        update_rows<T, 1>(a, n, l, u, f, steps);
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

// Phase 2 reads a strip of lanes of the trailing inverse once for every
// column of a block. Read in place its rows lie n values apart, which the
// processor streams from its second-level cache at about two thirds of the
// speed of a contiguous copy; so the strip is first copied into consecutive,
// vector-aligned rows, in runs along the last matrix rows. Run t is matrix
// row n-1-t up to its diagonal, in whole vectors from a vector boundary on;
// the strip takes the runs in ascending addresses, from the highest t down to
// run 0, the first of them only at its end, and a strip row that does not fit
// in what is left of a run continues at the start of the next one. A pass
// then reads forward throughout, and the processor keeps streaming from one
// run into the next only when little lies between them (measured: a gap of
// five cache lines costs nothing, one of nine a sixth of the pass, stepping
// back a row a fifth); between two runs lie only the upper triangle of a row
// and the parts of vectors at the row's two ends.
//
// The room is what nothing reads while the block is computed. The lower
// triangle of the trailing block (columns r1 on) holds copies of the upper
// one, which the fills read instead, and it is restored from there after the
// block. Columns before r0 of the lower triangle are written only by later
// blocks. So a run can start at the row's first vector boundary, leaving the
// next run only the row's upper triangle away, if the block's own columns
// (r0 .. r1-1) of the run rows are written only after the restore: then the
// runs must lie in the rows of the last strip of lanes, whose columns stay in
// y to the end. Where those rows are too short, the runs start at column r1
// (`whole_rows` false) and the block's columns are written as they come.
//
// A strip is SV vectors of lanes wide (see invert_factor).
template <class T, int SV> struct PackedStrip {
    static constexpr std::size_t W = Simd<T>::width;
    static constexpr std::size_t kLanes = SV * W;
    T* a;
    std::size_t n;
    std::size_t r1;
    std::size_t runs = 0;  // matrix rows taken, the last ones; 0 when there is no room
    std::size_t skip = 0;  // vectors left unused at the start of run runs-1, the first one read
    bool whole_rows = true;

    // A place in the runs: vector p of run t, with `left` vectors of the run from it on.
    struct Cursor {
        std::size_t t;
        T* p;
        std::size_t left;
    };
    // The vectors of one strip row.
    struct Row {
        T* v[SV];
        T& operator[](std::size_t q) const { return v[q / W][q % W]; }
    };

    PackedStrip(T* a_, std::size_t n_, std::size_t r1_) : a(a_), n(n_), r1(r1_) {
        const std::size_t m = n - r1;
        const std::size_t needed = m * SV;
        for (int layout = 0; layout < 2 && runs == 0; ++layout) {
            whole_rows = layout == 0;
            const std::size_t rows = whole_rows && m > kLanes ? kLanes : m;
            std::size_t held = 0, t = 0;
            while (held < needed && t < rows) held += vectors(t++);
            if (held >= needed) {
                runs = t;
                skip = held - needed;
            }
        }
    }
    bool usable() const { return runs > 0; }
    // Lanes of the first strip; the others take kLanes each and the last
    // ends at lane n-1, so that the rows of the runs are all in it.
    std::size_t first_lanes() const { return (n - r1 - 1) % kLanes + 1; }
    T* begin(std::size_t t) const {
        T* p = a + (n - 1 - t) * n + (whole_rows ? 0 : r1);
        return p + to_vector_boundary(p);
    }
    // Whole vectors in run t; none where a strip row would not fit, so that
    // a row lies in one run or in two.
    std::size_t vectors(std::size_t t) const {
        const T* end = a + (n - 1 - t) * n + (n - 1 - t);
        const T* p = begin(t);
        const std::size_t v = p < end ? std::size_t(end - p) / W : 0;
        return v < SV ? 0 : v;
    }
    // Where strip row r1 starts.
    Cursor start() const {
        const std::size_t t = runs - 1;
        return {t, begin(t) + skip * W, vectors(t) - skip};
    }
    // The start of the next run with room.
    void next_run(Cursor& c) const {
        do {
            --c.t;
            c.p = begin(c.t);
            c.left = vectors(c.t);
        } while (c.left == 0);
    }
    // The row at c, moving c past it: its first c.left vectors at c, if fewer
    // than a row, the rest at the start of the next run.
    Row next_row(Cursor& c) const {
        Row row;
        if (c.left >= SV) {
            for (std::size_t v = 0; v < SV; ++v) row.v[v] = c.p + v * W;
            c.p += kLanes;
            c.left -= SV;
            return row;
        }
        const std::size_t here = c.left;
        T* p = c.p;
        next_run(c);
        for (std::size_t v = 0; v < SV; ++v) row.v[v] = v < here ? p + v * W : c.p + (v - here) * W;
        c.p += (SV - here) * W;
        c.left -= SV - here;
        return row;
    }

    // Rows r1 .. n-1 of lanes [l0, l0 + lanes), zeros after the last lane.
    // Strip row j is matrix row j, columns l0 on: the upper triangle, or the
    // trailing block's lower one, which holds the same values, except in the
    // rows of the runs; there lane l < j takes the mirror a(l, j), read along
    // the lanes' rows and transposed in registers a square tile at a time.
    // The first column of the block, r1 - 1, has only these rows to sum, so
    // its sums are formed here as the rows go by: y = sum_j x[j] * row j.
    void fill(std::size_t l0, std::size_t lanes, const T* x, T* y) const {
        using S = Simd<T>;
        using V = typename S::vec;
        using I = typename S::index_vec;
        const std::size_t taken = n - runs;
        const T* const end = a + n * n;
        V s[SV];
        for (std::size_t v = 0; v < SV; ++v) s[v] = S::zero();
        Cursor c = start();
        std::size_t j = r1;
        // The rows before those of the runs: copies of the matrix rows, read
        // in whole vectors, the one at the last lane too (the values after
        // it belong to the next rows), whose lanes after the last are zeros.
        if (lanes == kLanes || (taken > r1 && a + (taken - 1) * n + l0 + kLanes <= end)) {
            const I last = S::index_splat(std::ptrdiff_t(lanes));
            auto copy_row = [&](const T* row, const V& xj, std::size_t v, T* out) {
                V u = S::load(row + v * W);
                if (lanes != kLanes) u = S::lanes_from(std::ptrdiff_t(v * W)) < last ? u : S::zero();
                S::store(out, u);
                s[v] = s[v] + xj * u;
            };
            while (j < taken) {
                const std::size_t whole = c.left / SV;
                const std::size_t rows = whole < taken - j ? whole : taken - j;
                T* out = c.p;
                for (const std::size_t stop = j + rows; j < stop; ++j, out += kLanes) {
                    const T* row = a + j * n + l0;
                    const V xj = S::broadcast(x + j);
                    for (std::size_t v = 0; v < SV; ++v) copy_row(row, xj, v, out + v * W);
                }
                c.p = out;
                c.left -= rows * SV;
                if (j == taken) break;
                const Row split = next_row(c);
                const V xj = S::broadcast(x + j);
                for (std::size_t v = 0; v < SV; ++v) copy_row(a + j * n + l0, xj, v, split.v[v]);
                ++j;
            }
        }
        auto sum_row = [&](std::size_t j, const Row& out) {
            const V xj = S::broadcast(x + j);
            for (std::size_t v = 0; v < SV; ++v) s[v] = s[v] + xj * S::load(out.v[v]);
        };
        for (; j < n;) {
            if (j >= taken && n - j >= W && lanes == kLanes && l0 + lanes <= taken) {
                Row out[W];
                for (std::size_t k = 0; k < W; ++k) out[k] = next_row(c);
                for (std::size_t q = 0; q < SV; ++q) {
                    V v[W];
                    for (std::size_t i = 0; i < W; ++i) v[i] = S::load(a + (l0 + q * W + i) * n + j);
                    Transpose<T>::apply(v);
                    for (std::size_t k = 0; k < W; ++k) S::store(out[k].v[q], v[k]);
                }
                for (std::size_t k = 0; k < W; ++k) sum_row(j + k, out[k]);
                j += W;
                continue;
            }
            const Row out = next_row(c);
            const T* row = a + j * n + l0;
            for (std::size_t q = 0; q < lanes; ++q) {
                const std::size_t l = l0 + q;
                out[q] = j < taken || l >= j ? row[q] : a[l * n + j];
            }
            for (std::size_t q = lanes; q < kLanes; ++q) out[q] = T(0);
            sum_row(j, out);
            ++j;
        }
        for (std::size_t v = 0; v < SV; ++v) S::store(y + v * W, s[v]);
    }

    // The trailing block's lower triangle where the runs were, from the
    // upper one.
    // A group of columns at a time, so that the rows read stay in the
    // first-level cache while every run row takes its part of them.
    void restore() const {
        constexpr std::size_t kColumns = 64;
        for (std::size_t c0 = r1; c0 < n; c0 += kColumns) {
            for (std::size_t t = 0; t < runs; ++t) {
                const std::size_t j = n - 1 - t;
                T* row = a + j * n;
                const std::size_t at = std::size_t(begin(t) - row);
                std::size_t c = at + (t + 1 == runs ? skip * W : 0);
                std::size_t end = at + vectors(t) * W;
                if (c < c0) c = c0;
                if (end > c0 + kColumns) end = c0 + kColumns;
                for (; c < end; ++c) row[c] = a[c * n + j];
            }
        }
    }
};

// y_r = sum_{j=r+1}^{n-1} a(r, j) a(j, l) over the lanes of one packed strip,
// in that order: first the block's own columns, held in y (row j at
// y + (j - r0) * kLanes), then the trailing rows r1 .. n-1 from the copy.
template <int SV, class T>
void packed_pass(T* yr, const T* ar, std::size_t r, std::size_t r0, std::size_t r1, const T* y,
                 const PackedStrip<T, SV>& strip) {
    using S = Simd<T>;
    using V = typename S::vec;
    constexpr std::size_t W = S::width;
    constexpr std::size_t kLanes = PackedStrip<T, SV>::kLanes;
    V s[SV];
    for (int v = 0; v < SV; ++v) s[v] = S::zero();
    for (std::size_t j = r + 1; j < r1; ++j) {
        const V x = S::broadcast(ar + j);
        const T* row = y + (j - r0) * kLanes;
        for (int v = 0; v < SV; ++v) s[v] = s[v] + x * S::load(row + v * W);
    }
    const std::size_t n = strip.n;
    typename PackedStrip<T, SV>::Cursor c = strip.start();
    for (std::size_t j = r1;;) {
        // The rows that lie whole in this run (the last of them ends at
        // row n-1), then one that may go on in the next.
        T* row = c.p;
        for (const std::size_t end = j + c.left / SV; j < end; ++j, row += kLanes) {
            const V x = S::broadcast(ar + j);
            for (int v = 0; v < SV; ++v) s[v] = s[v] + x * S::load(row + v * W);
        }
        if (j == n) break;
        c.p = row;
        c.left %= SV;
        if (c.left == 0) {
            strip.next_run(c);
            continue;
        }
        const auto split = strip.next_row(c);
        const V x = S::broadcast(ar + j);
        for (int v = 0; v < SV; ++v) s[v] = s[v] + x * S::load(split.v[v]);
        ++j;
    }
    for (int v = 0; v < SV; ++v) S::store(yr + v * W, s[v]);
}

// Lanes l >= r1 of the block's columns [r0, r1), strip by strip, SV vectors
// of lanes at a time; y holds one strip of them.
template <int SV, class T>
void block_strips(T* a, std::size_t n, std::size_t r0, std::size_t r1, T* y) {
    constexpr std::size_t kLanes = PackedStrip<T, SV>::kLanes;
    const PackedStrip<T, SV> strip(a, n, r1);
    std::size_t l0 = r1, lanes = strip.first_lanes();
    for (; l0 < n; l0 += lanes, lanes = kLanes) {
        // The last strip's columns stay in y while its rows hold runs.
        const bool hold = strip.usable() && strip.whole_rows && l0 + lanes == n;
        for (std::size_t r = r1; r-- > r0;) {
            T* yr = y + (r - r0) * kLanes;
            const T* xr = a + r * n;
            if (strip.usable() && r + 1 == r1) {
                strip.fill(l0, lanes, xr, yr);
            } else if (strip.usable()) {
                packed_pass(yr, xr, r, r0, r1, y, strip);
            } else {
                for (std::size_t q = 0; q < lanes; ++q) yr[q] = T(0);
                strip_accumulate(yr, xr + r + 1, 1, yr + kLanes, kLanes, r1 - r - 1, lanes);
                strip_accumulate(yr, xr + r1, 1, a + r1 * n + l0, n, n - r1, lanes);
            }
            if (!hold)
                for (std::size_t q = 0; q < lanes; ++q) a[(l0 + q) * n + r] = yr[q];
        }
    }
    if (strip.usable()) strip.restore();
    if (strip.usable() && strip.whole_rows) {
        const std::size_t held = n - r1 < kLanes ? n - r1 : kLanes;
        for (std::size_t r = r0; r < r1; ++r)
            for (std::size_t q = 0; q < held; ++q) a[(n - held + q) * n + r] = y[(r - r0) * kLanes + q];
    }
}

// The strips' width, block by block: kStripVectors vectors of lanes with
// StripWidth::wide, kNarrowStripVectors with StripWidth::narrow; with
// StripWidth::by_size narrow ones where a wide strip would outgrow
// kNarrowFromBytes and a narrow one stays within kNarrowUpToBytes (on the
// AVX-512 path, the blocks with 129 to 512 strip rows), with
// StripWidth::narrow_to_size wherever a narrow one stays within
// kNarrowUpToBytes (up to 512 strip rows). The same sums in the same order,
// only fewer of them side by side. Measured against wide on the same matrix
// (medians of alternating runs):
// - Zen 5 class (48 KB first-level cache), by_size: orders 200 to 400 5-13%
//   faster, 500 to 800 0-4%, 1000 unchanged; narrow in every block was 4%
//   slower at order 1000 in double and 12% at order 100 in float.
// - Zen 4 class (32 KB, 512-bit operations in two halves), narrow_to_size:
//   orders 64 to 80 8-11% faster in double, 16-28% in float, 200 to 400
//   6-19%, 600 to 800 within 1% in double and 2-6% faster in float, 1000
//   unchanged; 7% slower in float at orders 98 to 100 alone, where the
//   narrow strips leave a first strip of a few lanes.
//   by_size gained there only from order 200 on, and less.
constexpr std::size_t kNarrowFromBytes = 32 * 1024;
constexpr std::size_t kNarrowUpToBytes = 64 * 1024;

template <class T> void invert_factor(T* a, std::size_t n, StripWidth width) {
    constexpr std::size_t kWideRowBytes = kStripVectors * Simd<T>::width * sizeof(T);
    constexpr std::size_t kNarrowRowBytes = kNarrowStripVectors * Simd<T>::width * sizeof(T);
    T y[kBlock * kStripVectors * Simd<T>::width];  // the block's columns over one strip of lanes
    T acc[kBlock + Simd<T>::width];
    for (std::size_t r1 = n - 1; r1 > 0;) {
        const std::size_t r0 = r1 > kBlock ? (r1 - 1) / kBlock * kBlock : 0;
        const std::size_t m = n - r1;  // rows of the strips
        const bool small = m * kNarrowRowBytes <= kNarrowUpToBytes;
        const bool narrow =
            width == StripWidth::narrow || (width == StripWidth::narrow_to_size && small) ||
            (width == StripWidth::by_size && small && m * kWideRowBytes > kNarrowFromBytes);
        if (narrow)
            block_strips<kNarrowStripVectors>(a, n, r0, r1, y);
        else
            block_strips<kStripVectors>(a, n, r0, r1, y);
        // Lanes inside the block, then the diagonal and the mirror of row r.
        for (std::size_t r = r1; r-- > r0;) {
            // Summed from the vector boundary before lane r + 1; the lanes
            // before it are dropped.
            T* ar = a + r * n;
            const T* first = a + (r + 1) * n + r + 1;
            std::size_t lead = past_vector_boundary(first);
            if (lead > r + 1) lead = 0;
            const std::size_t lanes = r1 - r - 1 + lead;
            for (std::size_t q = 0; q < lanes; ++q) acc[q] = T(0);
            strip_accumulate(acc, ar + r + 1, 1, first - lead, n, n - r - 1, lanes);
            for (std::size_t q = lead; q < lanes; ++q) a[(r + 1 + q - lead) * n + r] = acc[q];
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
template <bool TestPivots, class T>
std::int32_t blocked_invert_by_elimination(T* a, std::size_t n, StripWidth width) {
    if (n == 0) return 0;
    if (elimination_detail::factor<TestPivots>(a, n) != 0) return 1;
    elimination_detail::invert_factor(a, n, width);
    return 0;
}

}  // namespace vq::VQ_PATH
