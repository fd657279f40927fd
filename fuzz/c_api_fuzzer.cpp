// Fuzzes the C entry points of both libraries through identities they promise:
//   - every 2D-similarity layout (p, g, gg, mixed, ptr) gives the record of the
//     plain two-array fit (pp) of the pairs it addresses, bit for bit, for any
//     count, byte strides negative, zero or odd, and unaligned points;
//   - Hel3Dg___ptr_* reducing the points in place gives the record and the
//     cofactors of the buffered call, and the buffered call leaves its points
//     as they were;
//   - resuelve_sistema_sim_t_2_* gives the status, factor and first solution of
//     resuelve_sistema_sim_t_*, and a second right-hand side equal to the first
//     gets the same solution;
//   - VQinvsim_pos_* gives the inverse of VQinvsim_* when it succeeds, and when
//     it fails leaves the lower triangle untouched.
// Any NaN matches any NaN: the sign of a NaN that meets another is not pinned.
// The polynomial fit, the point transform and the Cholesky inverse run on the
// same data so that the sanitizers watch their memory accesses. A broken
// identity is printed and aborts, which libFuzzer keeps as a crash.
//
// Input: the controls (check, value mode, counts, strides, flags) come from
// the end of the input (FuzzedDataProvider's integers), the element values
// from its front, in one of three modes: raw bit patterns (NaN, infinities,
// subnormals all reachable); one byte per value, a multiple of 1/8 in
// [-15.5, 15.375] or one of eight special values; or such bytes drawn from a
// generator seeded by the input, so that large orders cost few input bytes.
// Past the end of the input every byte reads as zero.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "../tests/support/exports.hpp"
#include "VQ2D3D.h"
#include "VQmatrices.h"

namespace {

template <class T> using Api = vq_test::Exports<T>;

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "broken: %s\n", what);
    std::abort();
}

template <class T> bool same(const T* x, const T* y, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (!(std::isnan(x[i]) && std::isnan(y[i])) && std::memcmp(&x[i], &y[i], sizeof(T)) != 0)
            return false;
    return true;
}
template <class T> bool same(const std::vector<T>& x, const std::vector<T>& y) {
    return x.size() == y.size() && same(x.data(), y.data(), x.size());
}
// The records are plain runs of T.
template <class T, class Record> bool same_record(const Record& a, const Record& b) {
    static_assert(sizeof(Record) % sizeof(T) == 0, "record of T only");
    return same(reinterpret_cast<const T*>(&a), reinterpret_cast<const T*>(&b),
                sizeof(Record) / sizeof(T));
}

class Values {
public:
    enum Mode { raw_bits, small_bytes, generated_bytes, mode_count };
    Values(FuzzedDataProvider& in, int mode, uint64_t seed) : in_(in), mode_(mode), state_(seed | 1) {}

    template <class T> T next() {
        if (mode_ == raw_bits) {
            T v{};
            in_.ConsumeData(&v, sizeof v);
            return v;
        }
        const int b = byte();
        if (b >= 248) return special<T>(b - 248);
        return T(b - 124) / T(8);
    }

private:
    template <class T> static T special(int k) {
        using L = std::numeric_limits<T>;
        const T values[8] = {L::quiet_NaN(), -L::quiet_NaN(), L::signaling_NaN(), L::infinity(),
                             -L::infinity(), L::denorm_min(), T(-0.0), L::max()};
        return values[k];
    }
    int byte() {
        if (mode_ == generated_bytes) {  // xorshift64
            state_ ^= state_ << 13;
            state_ ^= state_ >> 7;
            state_ ^= state_ << 17;
            return int(state_ >> 56);
        }
        uint8_t b = 0;
        in_.ConsumeData(&b, 1);
        return b;
    }
    FuzzedDataProvider& in_;
    int mode_;
    uint64_t state_;
};

// `count` points (x, y) written `stride` bytes apart, in order, into a buffer
// of exactly the size they need, starting `misalign` bytes past an aligned
// address. Where strides below a point's size make points overlap, later ones
// overwrite earlier ones; `points` holds what the walk reads back.
template <class T> struct Walk {
    std::unique_ptr<unsigned char[]> buffer;
    const T* start;
    uint64_t stride;
    std::vector<T> points;

    Walk(FuzzedDataProvider& in, Values& values, uint32_t count, int64_t stride_bytes) {
        const unsigned misalign = in.ConsumeIntegralInRange<unsigned>(0, sizeof(T) - 1);
        const int64_t last = count ? int64_t(count - 1) * stride_bytes : 0;
        const int64_t low = std::min<int64_t>(0, last), high = std::max<int64_t>(0, last);
        const size_t size = misalign + size_t(high - low) + 2 * sizeof(T);
        buffer.reset(new unsigned char[size]);
        std::memset(buffer.get(), 0xA5, size);
        unsigned char* first = buffer.get() + misalign - low;
        for (uint32_t k = 0; k < count; ++k) {
            const T xy[2] = {values.next<T>(), values.next<T>()};
            std::memcpy(first + int64_t(k) * stride_bytes, xy, sizeof xy);
        }
        for (uint32_t k = 0; k < count; ++k) {
            T xy[2];
            std::memcpy(xy, first + int64_t(k) * stride_bytes, sizeof xy);
            points.insert(points.end(), xy, xy + 2);
        }
        start = reinterpret_cast<const T*>(first);
        stride = uint64_t(stride_bytes);
    }
};

int64_t any_stride(FuzzedDataProvider& in) { return in.ConsumeIntegralInRange<int64_t>(-600, 600); }

template <class T> void check_layouts(FuzzedDataProvider& in, Values& values) {
    using A = Api<T>;
    const uint32_t n = in.ConsumeIntegralInRange<uint32_t>(0, 100);
    const auto plain = [n](const std::vector<T>& src, const std::vector<T>& dst) {
        return A::pp(src.data(), dst.data(), n);
    };

    std::vector<T> src, dst, pairs;
    for (uint32_t i = 0; i < n; ++i) {
        const T s[2] = {values.next<T>(), values.next<T>()}, d[2] = {values.next<T>(), values.next<T>()};
        src.insert(src.end(), s, s + 2);
        dst.insert(dst.end(), d, d + 2);
        pairs.insert(pairs.end(), {s[0], s[1], d[0], d[1]});
    }
    require(same_record<T>(A::p(pairs.data(), n), plain(src, dst)), "Hel2Dg___p differs from Hel2Dg___pp");

    {
        const Walk<T> walk(in, values, 2 * n, any_stride(in));
        std::vector<T> s, d;
        for (uint32_t i = 0; i < n; ++i) {
            s.insert(s.end(), &walk.points[4 * i], &walk.points[4 * i + 2]);
            d.insert(d.end(), &walk.points[4 * i + 2], &walk.points[4 * i + 4]);
        }
        require(same_record<T>(A::g(walk.start, walk.stride, n), plain(s, d)),
                "Hel2Dg___g differs from Hel2Dg___pp");
    }
    {
        const int64_t stride = any_stride(in);
        const Walk<T> s(in, values, n, stride), d(in, values, n, stride);
        require(same_record<T>(A::gg(s.start, d.start, s.stride, n), plain(s.points, d.points)),
                "Hel2Dg___gg differs from Hel2Dg___pp");
    }
    {
        const Walk<T> s(in, values, n, any_stride(in)), d(in, values, n, any_stride(in));
        require(same_record<T>(A::mixed(s.start, s.stride, d.start, d.stride, n), plain(s.points, d.points)),
                "Hel2Dg___mixed differs from Hel2Dg___pp");
    }

    // Pair pointers to any byte of a pool, repeats and overlaps allowed.
    const size_t pool_size = in.ConsumeIntegralInRange<size_t>(2 * sizeof(T), 64 * sizeof(T));
    std::unique_ptr<unsigned char[]> pool(new unsigned char[pool_size]);
    for (size_t at = 0; at + sizeof(T) <= pool_size; at += sizeof(T)) {
        const T v = values.next<T>();
        std::memcpy(&pool[at], &v, sizeof v);
    }
    std::memset(&pool[pool_size / sizeof(T) * sizeof(T)], 0xA5, pool_size % sizeof(T));
    std::vector<const T*> pointers;
    std::vector<T> s, d;
    for (uint32_t k = 0; k < 2 * n; ++k) {
        const unsigned char* at = &pool[in.ConsumeIntegralInRange<size_t>(0, pool_size - 2 * sizeof(T))];
        pointers.push_back(reinterpret_cast<const T*>(at));
        T xy[2];
        std::memcpy(xy, at, sizeof xy);
        (k % 2 ? d : s).insert((k % 2 ? d : s).end(), xy, xy + 2);
    }
    require(same_record<T>(A::ptr(pointers.data(), n), plain(s, d)), "Hel2Dg___ptr differs from Hel2Dg___pp");

    // The same pairs, aligned, through the polynomial fit and one point transform.
    std::vector<const T*> aligned;
    for (uint32_t i = 0; i < n; ++i) aligned.insert(aligned.end(), {&s[2 * i], &d[2 * i]});
    typename A::Poly t{};
    t.tipo = in.ConsumeIntegralInRange<uint32_t>(0, 9);
    A::poly(&t, aligned.data(), n);
    T point[2] = {values.next<T>(), values.next<T>()};
    A::transform(&t, point);
}

template <class T> void check_3d(FuzzedDataProvider& in, Values& values) {
    using A = Api<T>;
    const uint32_t n = in.ConsumeIntegralInRange<uint32_t>(0, 40);
    const int32_t affine_start = in.ConsumeBool();
    const bool with_cofactors = in.ConsumeBool(), reversed = in.ConsumeBool();
    std::vector<T> points(6 * size_t(n));
    for (T& v : points) v = values.next<T>();
    const auto pointers_into = [&](std::vector<T>& p) {
        std::vector<T*> q(2 * size_t(n));
        for (size_t k = 0; k < q.size(); ++k) q[k] = &p[3 * (reversed ? q.size() - 1 - k : k)];
        return q;
    };

    std::vector<T> kept = points, reduced = points;
    typename A::Hel3Dg buffered_record{}, in_place_record{};
    float buffered_cofactors[9] = {}, in_place_cofactors[9] = {};
    const int32_t buffered = A::fit3d(pointers_into(kept).data(), n, &buffered_record, affine_start, 0,
                                      with_cofactors ? buffered_cofactors : nullptr);
    const int32_t in_place = A::fit3d(pointers_into(reduced).data(), n, &in_place_record, affine_start, 1,
                                      with_cofactors ? in_place_cofactors : nullptr);
    require(in_place == 0, "Hel3Dg___ptr in place returned non-zero");
    if (buffered != 0) return;  // no work buffer: nothing written
    require(points.empty() || std::memcmp(kept.data(), points.data(), points.size() * sizeof(T)) == 0,
            "Hel3Dg___ptr with a work buffer changed its points");
    require(same_record<T>(buffered_record, in_place_record), "Hel3Dg___ptr in place differs from buffered");
    require(same(buffered_cofactors, in_place_cofactors, 9),
            "Hel3Dg___ptr cofactors in place differ from buffered");
}

template <class T> void check_solvers(FuzzedDataProvider& in, Values& values) {
    using A = Api<T>;
    const uint32_t n = in.ConsumeIntegralInRange<uint32_t>(0, 90);
    const bool dominant = in.ConsumeBool(), same_rhs = in.ConsumeBool();
    std::vector<T> packed(size_t(n) * (n + 1) / 2), b(n), h(n);
    for (T& v : packed) v = values.next<T>();
    if (dominant)  // makes positive definite matrices common
        for (uint32_t i = 0; i < n; ++i) {
            T& diagonal = packed[size_t(i) * (i + 3) / 2];
            diagonal = std::fabs(diagonal) + T(16 * n);
        }
    for (T& v : b) v = values.next<T>();
    if (same_rhs)
        h = b;
    else
        for (T& v : h) v = values.next<T>();

    std::vector<T> p1 = packed, b1 = b, p2 = packed, b2 = b, h2 = h;
    const int32_t one = A::solve(p1.data(), b1.data(), n);
    const int32_t two = A::solve2(p2.data(), b2.data(), h2.data(), n);
    require(one == two, "resuelve_sistema_sim_t_2 status differs from resuelve_sistema_sim_t");
    require(same(p1, p2), "resuelve_sistema_sim_t_2 factor differs from resuelve_sistema_sim_t");
    require(same(b1, b2), "resuelve_sistema_sim_t_2 first solution differs from resuelve_sistema_sim_t");
    require(!same_rhs || same(h2, b2), "resuelve_sistema_sim_t_2 solves equal right-hand sides differently");
}

template <class T> void check_inversion(FuzzedDataProvider& in, Values& values) {
    using A = Api<T>;
    const uint32_t n = in.ConsumeIntegralInRange<uint32_t>(0, 90);
    const bool dominant = in.ConsumeBool();
    std::vector<T> a(size_t(n) * n);
    for (T& v : a) v = values.next<T>();
    if (dominant)
        for (uint32_t i = 0; i < n; ++i) a[size_t(i) * n + i] = std::fabs(a[size_t(i) * n + i]) + T(16 * n);

    std::vector<T> plain = a, positive = a, cholesky = a;
    require(A::invsim(plain.data(), n) == 0, "VQinvsim returned non-zero");
    const int32_t status = A::invsim_pos(positive.data(), n);
    require(status == 0 || status == 1, "VQinvsim_pos returned neither 0 nor 1");
    if (status == 0) {
        require(same(plain, positive), "VQinvsim_pos differs from VQinvsim");
    } else {
        for (size_t i = 1; i < n; ++i)
            require(std::memcmp(&positive[i * n], &a[i * n], i * sizeof(T)) == 0,
                    "VQinvsim_pos failed and changed the lower triangle");
    }
    const int32_t cho = A::invsim_cho(cholesky.data(), n);
    require(cho == 0 || cho == 1, "VQinvsim_cho returned neither 0 nor 1");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int check = in.ConsumeIntegralInRange(0, 7);
    const int mode = in.ConsumeIntegralInRange(0, Values::mode_count - 1);
    Values values(in, mode, in.ConsumeIntegral<uint64_t>());
    switch (check) {
    case 0: check_layouts<float>(in, values); break;
    case 1: check_layouts<double>(in, values); break;
    case 2: check_3d<float>(in, values); break;
    case 3: check_3d<double>(in, values); break;
    case 4: check_solvers<float>(in, values); break;
    case 5: check_solvers<double>(in, values); break;
    case 6: check_inversion<float>(in, values); break;
    default: check_inversion<double>(in, values); break;
    }
    return 0;
}
