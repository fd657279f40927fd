// Every estimator runs the same fit and differs only in where pair i is read:
// the same pairs in the same order must give records equal bit for bit.
#include <cmath>
#include <limits>

#include "twins.hpp"

namespace {

// Writes point (x, y) at any byte address, aligned or not.
template <class T> void put_point(unsigned char* at, T x, T y) {
    const T xy[2] = {x, y};
    std::memcpy(at, xy, sizeof xy);
}

template <class T> uint64_t elements(uint64_t count) { return count * sizeof(T); }

// A stride that walks back by `bytes` (two's complement in 64 bits).
inline uint64_t backwards(uint64_t bytes) { return uint64_t{0} - bytes; }

}  // namespace

template <class T> class Layouts : public ::testing::Test {
protected:
    using Api = Similarity2D<T>;
    PointSets<T> sets = random_pairs<T>(37, 11);
    uint32_t n = sets.count();
    typename Api::Hel2Dg reference() const {
        return Api::pp(sets.source.data(), sets.destination.data(), n);
    }
    std::vector<T> interleaved() const {
        std::vector<T> pairs;
        for (uint32_t i = 0; i < n; ++i)
            pairs.insert(pairs.end(), {sets.source[2 * i], sets.source[2 * i + 1],
                                       sets.destination[2 * i], sets.destination[2 * i + 1]});
        return pairs;
    }
};
TYPED_TEST_SUITE(Layouts, Twins);

TYPED_TEST(Layouts, OneOrTwoWalksOverPlainArraysMatchTwoArrays) {
    using T = TypeParam;
    using Api = Similarity2D<T>;
    const T* src = this->sets.source.data();
    const T* dst = this->sets.destination.data();
    const auto ref = this->reference();
    EXPECT_TRUE(same_bits(Api::gg(src, dst, elements<T>(2), this->n), ref));
    EXPECT_TRUE(same_bits(Api::mixed(src, elements<T>(2), dst, elements<T>(2), this->n), ref));
}

TYPED_TEST(Layouts, InterleavedPairsMatchAnAlternatingWalkAndTwoArrays) {
    using T = TypeParam;
    using Api = Similarity2D<T>;
    const auto pairs = this->interleaved();
    const auto p = Api::p(pairs.data(), this->n);
    EXPECT_TRUE(same_bits(Api::g(pairs.data(), elements<T>(2), this->n), p));
    EXPECT_TRUE(same_bits(p, this->reference()));
}

TYPED_TEST(Layouts, MixedStridesMatchPlainArrays) {
    using T = TypeParam;
    using Api = Similarity2D<T>;
    std::vector<T> xyz;  // source points inside records of three elements
    for (uint32_t i = 0; i < this->n; ++i)
        xyz.insert(xyz.end(), {this->sets.source[2 * i], this->sets.source[2 * i + 1], T(i)});
    const auto r = Api::mixed(xyz.data(), elements<T>(3), this->sets.destination.data(),
                              elements<T>(2), this->n);
    EXPECT_TRUE(same_bits(r, this->reference()));
}

TYPED_TEST(Layouts, TwoWalksOverXyzRecordsNeverUseZ) {
    using T = TypeParam;
    using Api = Similarity2D<T>;
    const auto build = [&](T z) {
        std::vector<T> src, dst;
        for (uint32_t i = 0; i < this->n; ++i) {
            src.insert(src.end(), {this->sets.source[2 * i], this->sets.source[2 * i + 1], z});
            dst.insert(dst.end(),
                       {this->sets.destination[2 * i], this->sets.destination[2 * i + 1], -z});
        }
        return Api::gg(src.data(), dst.data(), elements<T>(3), this->n);
    };
    const auto clean = build(T(0));
    EXPECT_TRUE(same_bits(clean, this->reference()));
    EXPECT_TRUE(same_bits(build(std::numeric_limits<T>::signaling_NaN()), clean));
    EXPECT_TRUE(same_bits(build(std::numeric_limits<T>::infinity()), clean));
}

TYPED_TEST(Layouts, PointerPairsMatchEveryLayout) {
    using T = TypeParam;
    using Api = Similarity2D<T>;
    const uint32_t n = this->n;
    std::vector<const T*> ptrs;
    for (uint32_t i = 0; i < n; ++i)
        ptrs.insert(ptrs.end(), {&this->sets.source[2 * i], &this->sets.destination[2 * i]});
    EXPECT_TRUE(same_bits(Api::ptr(ptrs.data(), n), this->reference()));

    const auto pairs = this->interleaved();
    ptrs.clear();
    for (uint32_t i = 0; i < n; ++i) ptrs.insert(ptrs.end(), {&pairs[4 * i], &pairs[4 * i + 2]});
    EXPECT_TRUE(same_bits(Api::ptr(ptrs.data(), n), Api::p(pairs.data(), n)));
    EXPECT_TRUE(same_bits(Api::ptr(ptrs.data(), n), Api::g(pairs.data(), elements<T>(2), n)));
}

TYPED_TEST(Layouts, UnalignedPointsAndOddByteStrides) {
    using T = TypeParam;
    using Api = Similarity2D<T>;
    const uint32_t n = this->n;
    const uint64_t src_stride = elements<T>(2) + 3, dst_stride = elements<T>(3) + 1;
    std::vector<unsigned char> src(1 + n * src_stride), dst(5 + n * dst_stride);
    for (uint32_t i = 0; i < n; ++i) {
        put_point(&src[1 + i * src_stride], this->sets.source[2 * i], this->sets.source[2 * i + 1]);
        put_point(&dst[5 + i * dst_stride], this->sets.destination[2 * i],
                  this->sets.destination[2 * i + 1]);
    }
    const T* s = reinterpret_cast<const T*>(&src[1]);
    const T* d = reinterpret_cast<const T*>(&dst[5]);
    EXPECT_TRUE(same_bits(Api::mixed(s, src_stride, d, dst_stride, n), this->reference()));

    // One alternating walk at an odd stride.
    const uint64_t stride = elements<T>(2) + 1;
    std::vector<unsigned char> walk(3 + 2 * n * stride);
    for (uint32_t i = 0; i < n; ++i) {
        put_point(&walk[3 + 2 * i * stride], this->sets.source[2 * i], this->sets.source[2 * i + 1]);
        put_point(&walk[3 + (2 * i + 1) * stride], this->sets.destination[2 * i],
                  this->sets.destination[2 * i + 1]);
    }
    const T* w = reinterpret_cast<const T*>(&walk[3]);
    EXPECT_TRUE(same_bits(Api::g(w, stride, n), this->reference()));
}

TYPED_TEST(Layouts, NegativeStridesWalkBackwards) {
    using T = TypeParam;
    using Api = Similarity2D<T>;
    const uint32_t n = this->n;
    // The same pairs stored last first; the walks start at the far end.
    std::vector<T> src, dst, alternating;
    for (uint32_t k = n; k-- > 0;) {
        src.insert(src.end(), {this->sets.source[2 * k], this->sets.source[2 * k + 1]});
        dst.insert(dst.end(), {this->sets.destination[2 * k], this->sets.destination[2 * k + 1]});
        alternating.insert(alternating.end(), {this->sets.destination[2 * k],
                                               this->sets.destination[2 * k + 1],
                                               this->sets.source[2 * k], this->sets.source[2 * k + 1]});
    }
    const uint64_t back = backwards(elements<T>(2));
    const auto ref = this->reference();
    EXPECT_TRUE(same_bits(Api::gg(&src[2 * (n - 1)], &dst[2 * (n - 1)], back, n), ref));
    EXPECT_TRUE(same_bits(Api::mixed(&src[2 * (n - 1)], back, this->sets.destination.data(),
                                     elements<T>(2), n),
                          ref));
    EXPECT_TRUE(same_bits(Api::g(&alternating[4 * n - 2], back, n), ref));
}

TYPED_TEST(Layouts, NoPairsReadNothingInAnyLayout) {
    using T = TypeParam;
    using Api = Similarity2D<T>;
    const auto ref = Api::pp(nullptr, nullptr, 0);
    EXPECT_TRUE(std::isnan(ref.xm_origen));
    EXPECT_TRUE(same_bits(Api::p(nullptr, 0), ref));
    EXPECT_TRUE(same_bits(Api::g(nullptr, elements<T>(2), 0), ref));
    EXPECT_TRUE(same_bits(Api::gg(nullptr, nullptr, elements<T>(2), 0), ref));
    EXPECT_TRUE(same_bits(Api::mixed(nullptr, 8, nullptr, 8, 0), ref));
    EXPECT_TRUE(same_bits(Api::ptr(nullptr, 0), ref));
}
