// The vector accumulation of the normal equations against the one-element-
// at-a-time reference: the same bits for 3, 6 and 10 terms on random and
// degenerate pairs of many sizes.
#include <cmath>
#include <limits>
#include <random>

#include "normal_equations.hpp"
#include "poly_twins.hpp"
#include "support/bits.hpp"

namespace {

template <class T> struct PairData {
    std::vector<T> xy;  // source x, y, destination x, y per pair
    std::vector<const T*> pointers;
};

// Random pairs; with `special`, one value in four is 0, -0, a NaN of either
// sign, an infinity or the largest finite value.
template <class T> PairData<T> make_pairs(uint32_t n, unsigned seed, bool special) {
    using L = std::numeric_limits<T>;
    const T specials[] = {T(0), -T(0), L::quiet_NaN(), -L::quiet_NaN(), L::infinity(), -L::max()};
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> coord(-300.0, 300.0);
    PairData<T> d;
    for (uint32_t i = 0; i < 4 * n; ++i)
        d.xy.push_back(special && gen() % 4 == 0 ? specials[gen() % 6] : static_cast<T>(coord(gen)));
    for (uint32_t i = 0; i < n; ++i) d.pointers.insert(d.pointers.end(), {&d.xy[4 * i], &d.xy[4 * i + 2]});
    return d;
}

}  // namespace

template <class T> class NormalEquationsTest : public ::testing::Test {
protected:
    void check(const PairData<T>& d) {
        const uint32_t n = static_cast<uint32_t>(d.pointers.size() / 2);
        const vq::SimilarityStart<T> start{T(12.5), T(-3), T(100), T(7.25), T(0.8), T(-0.6)};
        for (int terms : {3, 6, 10}) {
            vq::NormalEquations<T> ref, fast;
            vq::accumulate_normal_equations_by_pair(ref, start, d.pointers.data(), n, terms);
            vq::accumulate_normal_equations(fast, start, d.pointers.data(), n, terms);
            EXPECT_TRUE(vq_test::same_record<T>(ref, fast)) << n << " pairs, " << terms << " terms";
        }
    }
};
TYPED_TEST_SUITE(NormalEquationsTest, Twins);

TYPED_TEST(NormalEquationsTest, SameBitsAsTheReference) {
    for (uint32_t n = 0; n <= 300; ++n) this->check(make_pairs<TypeParam>(n, n, false));
    for (uint32_t n : {1000u, 4099u}) this->check(make_pairs<TypeParam>(n, n, false));
    for (uint32_t n = 1; n <= 40; ++n) this->check(make_pairs<TypeParam>(n, 500 + n, true));
}
