// The vector walks of the 3D fit against the pair-at-a-time reference walks,
// bit for bit (two NaNs count as equal, see below): every walk, both twins,
// reduced into the work buffer and in place, with the affine start's extra
// sums and without, on random pairs of several counts and on pairs seeded
// with zeros, infinities, NaNs and extreme values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "pair_sets.hpp"
#include "walk_paths.hpp"

namespace {

using vq_test::PairSet;

// Equal bits, or both NaN: where two NaNs meet, which one an instruction
// passes on depends on the operand order a compiler picks.
template <class T> bool same_values(const T* x, const T* y, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k)
        if (std::memcmp(x + k, y + k, sizeof(T)) != 0 && !(std::isnan(x[k]) && std::isnan(y[k])))
            return false;
    return true;
}
template <class S> bool same_sums(const S& x, const S& y) {
    if constexpr (std::is_same_v<S, vq::RefinementSums<float>> || std::is_same_v<S, vq::RefinementSums<double>>)
        return same_values(x.g, y.g, 3) && same_values(x.N, y.N, 9);
    else
        return same_values(&x.Sa, &y.Sa, 2) && same_values(x.K, y.K, 9) && same_values(x.S, y.S, 9);
}

template <class T> PairSet<T> pairs(uint32_t n, unsigned seed, bool special) {
    using L = std::numeric_limits<T>;
    const T specials[] = {T(0), -T(0), L::infinity(), -L::infinity(), L::quiet_NaN(), L::max(),
                          L::denorm_min(), T(-1e-3)};
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-500, 500);
    PairSet<T> set(n);
    for (uint32_t i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) {
            set.source(i)[c] = T(u(rng));
            set.destination(i)[c] = T(u(rng) * 1.7 + 40);
            if (special && rng() % 5 == 0) set.source(i)[c] = specials[rng() % 8];
            if (special && rng() % 5 == 0) set.destination(i)[c] = specials[rng() % 8];
        }
    return set;
}

template <class T> void expect_walks_agree(const PairSet<T>& original) {
    const uint32_t n = original.n();
    T ra[3], rb[3], va[3], vb[3];
    vq::reference::centroid_sums(original.pointers(), n, ra, rb);
    vq::avx2::centroid_sums(original.pointers(), n, va, vb);
    EXPECT_TRUE(same_values(ra, va, 3) && same_values(rb, vb, 3)) << "centroids, n = " << n;
    const T mean_a[3] = {ra[0] / T(3), ra[1] / T(7), T(11)};
    const T mean_b[3] = {rb[0] / T(5), T(-2), rb[2] / T(9)};
    const T R[9] = {T(0.36), T(0.48), T(-0.8), T(-0.8), T(0.6), T(0), T(0.48), T(0.64), T(0.6)};
    for (bool general : {false, true}) {
        std::vector<T> want(6 * std::size_t(n) + 1), got(want.size());
        vq::ReductionSums<T> ws, gs;
        vq::reference::reduce_pairs(original.pointers(), n, mean_a, mean_b, vq::BufferedPairs<T>{want.data()}, general, ws);
        vq::avx2::reduce_pairs(original.pointers(), n, mean_a, mean_b, vq::BufferedPairs<T>{got.data()}, general, gs);
        EXPECT_TRUE(same_values(want.data(), got.data(), 6 * std::size_t(n)) && same_sums(ws, gs))
            << "reduction into the buffer, n = " << n << ", general " << general;
        PairSet<T> in_place_want(original), in_place_got(original);
        vq::ReductionSums<T> ps, qs;
        vq::reference::reduce_pairs(in_place_want.pointers(), n, mean_a, mean_b, vq::PointedPairs<T>{in_place_want.pointers()}, general, ps);
        vq::avx2::reduce_pairs(in_place_got.pointers(), n, mean_a, mean_b, vq::PointedPairs<T>{in_place_got.pointers()}, general, qs);
        EXPECT_TRUE(same_values(in_place_want.coords().data(), in_place_got.coords().data(), 6 * std::size_t(n)) &&
                    same_sums(ps, qs))
            << "reduction in place, n = " << n << ", general " << general;

        vq::RefinementSums<T> wr, gr, pr, qr;
        vq::reference::refinement_sums(vq::BufferedPairs<T>{want.data()}, n, R, wr);
        vq::avx2::refinement_sums(vq::BufferedPairs<T>{want.data()}, n, R, gr);
        vq::reference::refinement_sums(vq::PointedPairs<T>{in_place_want.pointers()}, n, R, pr);
        vq::avx2::refinement_sums(vq::PointedPairs<T>{in_place_want.pointers()}, n, R, qr);
        EXPECT_TRUE(same_sums(wr, gr) && same_sums(pr, qr)) << "refinement, n = " << n;
    }
}

template <class T> class VectorWalks : public ::testing::Test {};
using Twins = ::testing::Types<float, double>;
TYPED_TEST_SUITE(VectorWalks, Twins);

TYPED_TEST(VectorWalks, GiveTheReferenceBits) {
    if (!vq::vector_walks()) GTEST_SKIP() << "no AVX2 on this processor";
    for (uint32_t n : {0u, 1u, 2u, 3u, 8u, 9u, 33u, 1000u}) {
        expect_walks_agree(pairs<TypeParam>(n, n, false));
        expect_walks_agree(pairs<TypeParam>(n, 100 + n, true));
    }
}

}  // namespace
