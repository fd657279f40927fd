// The exports run vector kernels; the pair-at-a-time fit of fit_core.hpp is
// their reference. Every layout must give the reference's bits on random and
// degenerate pairs of many sizes, at unaligned addresses and with strides
// walking either way.
#include <cmath>
#include <limits>

#include "fit_paths.hpp"
#include "twins.hpp"

namespace {

// Values that reach every rounding and special case of the fit.
template <class T> std::vector<T> degenerate_values() {
    using L = std::numeric_limits<T>;
    return {T(0), -T(0), T(1), L::quiet_NaN(), -L::quiet_NaN(), L::infinity(), -L::infinity(),
            L::max(), -L::max(), L::denorm_min(), L::min(), T(1e-3), T(-7.25)};
}

// 2n values of each set: random coordinates, or in degenerate sets one value
// in three drawn from degenerate_values().
template <class T> PointSets<T> pairs_for(uint32_t n, unsigned seed, bool degenerate) {
    PointSets<T> sets = random_pairs<T>(n, seed);
    if (!degenerate) return sets;
    const auto special = degenerate_values<T>();
    std::mt19937 gen(seed);
    for (auto* v : {&sets.source, &sets.destination})
        for (T& x : *v)
            if (gen() % 3 == 0) x = special[gen() % special.size()];
    return sets;
}

// Points at chosen byte addresses inside one buffer: point k at
// base + first + k * stride (the stride may be negative).
template <class T> struct PlacedPoints {
    std::vector<unsigned char> bytes;
    std::ptrdiff_t first;
    std::ptrdiff_t stride;
    PlacedPoints(const std::vector<T>& xy, std::size_t misalign, std::ptrdiff_t stride_bytes)
        : stride(stride_bytes) {
        const std::size_t count = xy.size() / 2;
        const std::size_t span = count * static_cast<std::size_t>(std::abs(stride_bytes)) + 2 * sizeof(T);
        bytes.assign(span + misalign + 16, 0xA5);
        first = static_cast<std::ptrdiff_t>(misalign) +
                (stride_bytes < 0 ? -stride_bytes * static_cast<std::ptrdiff_t>(count - 1) : 0);
        for (std::size_t k = 0; k < count; ++k)
            std::memcpy(&bytes[first + static_cast<std::ptrdiff_t>(k) * stride], &xy[2 * k], 2 * sizeof(T));
    }
    const T* start() const { return reinterpret_cast<const T*>(&bytes[first]); }
    uint64_t stride_u64() const { return static_cast<uint64_t>(stride); }
};

}  // namespace

template <class T> class VectorKernels : public ::testing::Test {
protected:
    using Api = Similarity2D<T>;

    // Every kernel this processor can run, called directly (the exports take
    // the widest one).
    template <class Reader>
    void check_every_path(const Reader& reader, uint32_t n, const typename Api::Hel2Dg& ref) {
        if constexpr (std::is_same_v<T, double>) {
#if defined(__SSE2__)
            EXPECT_TRUE(same_bits(vq::sse2::fit_double_pairs(reader, n), ref));
#endif
#if defined(__x86_64__)
            if (vq::avx2::available()) {
                EXPECT_TRUE(same_bits(vq::avx2::fit_double_pairs(reader, n), ref));
            }
#endif
        } else {
#if defined(__SSE2__)
            EXPECT_TRUE(same_bits(vq::sse2::fit_float_pairs(reader, n), ref));
#endif
#if defined(__x86_64__)
            if (vq::avx2::available()) {
                EXPECT_TRUE(same_bits(vq::avx2::fit_float_pairs(reader, n), ref));
            }
            if (vq::avx512::available()) {
                EXPECT_TRUE(same_bits(vq::avx512::fit_float_pairs(reader, n), ref));
            }
#endif
        }
    }

    // Every export in its layouts against the reference on the same pairs.
    void check_all_layouts(const PointSets<T>& sets) {
        const uint32_t n = sets.count();
        const T* src = sets.source.data();
        const T* dst = sets.destination.data();
        constexpr uint64_t point = 2 * sizeof(T);
        const auto ref = vq::fit_similarity_2d<T>(
            vq::ParallelWalks<T>{vq::address_of(src), point, vq::address_of(dst), point}, n);
        SCOPED_TRACE(n);
        EXPECT_TRUE(same_bits(Api::pp(src, dst, n), ref));
        check_every_path(vq::ParallelWalks<T>{vq::address_of(src), point, vq::address_of(dst), point}, n, ref);

        std::vector<T> interleaved;
        std::vector<const T*> pointers;
        for (uint32_t i = 0; i < n; ++i)
            interleaved.insert(interleaved.end(), {src[2 * i], src[2 * i + 1], dst[2 * i], dst[2 * i + 1]});
        for (uint32_t i = 0; i < n; ++i)
            pointers.insert(pointers.end(), {&interleaved[4 * i], &interleaved[4 * i + 2]});
        EXPECT_TRUE(same_bits(Api::p(interleaved.data(), n), ref));
        check_every_path(vq::AlternatingWalk<T>{vq::address_of(interleaved.data()), point}, n, ref);
        check_every_path(vq::ParallelWalks<T>{vq::address_of(interleaved.data()), 2 * point,
                                              vq::address_of(interleaved.data() + 2), 2 * point},
                         n, ref);
        EXPECT_TRUE(same_bits(Api::ptr(pointers.data(), n), ref));
        check_every_path(vq::PointerPairs<T>{pointers.data()}, n, ref);

        // One alternating walk backwards at an odd stride from an odd address.
        const std::ptrdiff_t odd = static_cast<std::ptrdiff_t>(point) + 5;
        const PlacedPoints<T> walk(interleaved, 3, -odd);
        EXPECT_TRUE(same_bits(Api::g(walk.start(), walk.stride_u64(), n), ref));
        check_every_path(vq::AlternatingWalk<T>{vq::address_of(walk.start()), walk.stride_u64()}, n, ref);

        // Two walks sharing a negative stride; two walks with a stride each.
        const PlacedPoints<T> back_src(sets.source, 0, -static_cast<std::ptrdiff_t>(point));
        const PlacedPoints<T> back_dst(sets.destination, 0, -static_cast<std::ptrdiff_t>(point));
        EXPECT_TRUE(same_bits(Api::gg(back_src.start(), back_dst.start(), back_src.stride_u64(), n), ref));
        // Two walks with the stride of a pair over two arrays (not one array of pairs).
        const PlacedPoints<T> spaced_src(sets.source, 0, 2 * point), spaced_dst(sets.destination, 0, 2 * point);
        check_every_path(vq::ParallelWalks<T>{vq::address_of(spaced_src.start()), 2 * point,
                                              vq::address_of(spaced_dst.start()), 2 * point},
                         n, ref);
        const PlacedPoints<T> wide_src(sets.source, 1, 3 * sizeof(T) + 1);
        EXPECT_TRUE(same_bits(
            Api::mixed(wide_src.start(), wide_src.stride_u64(), back_dst.start(), back_dst.stride_u64(), n),
            ref));
    }
};
TYPED_TEST_SUITE(VectorKernels, Twins);

TYPED_TEST(VectorKernels, RandomPairsOfEverySize) {
    for (uint32_t n = 1; n <= 300; ++n) this->check_all_layouts(pairs_for<TypeParam>(n, n, false));
    for (uint32_t n : {1024u, 4099u, 65537u}) this->check_all_layouts(pairs_for<TypeParam>(n, n, false));
}

TYPED_TEST(VectorKernels, DegeneratePairs) {
    for (uint32_t n = 1; n <= 60; ++n) this->check_all_layouts(pairs_for<TypeParam>(n, 1000 + n, true));
    // Coincident points and exact cancellation.
    PointSets<TypeParam> same{{1, 2, 1, 2, 1, 2}, {5, 5, 5, 5, 5, 5}};
    this->check_all_layouts(same);
}
