// Mapping points through a record filled by hand: which coefficients each
// model code uses; points at any byte address for the fit and the transform.
#include "poly_twins.hpp"

template <class T> using TransformPoint = PolynomialTest<T>;
TYPED_TEST_SUITE(TransformPoint, Twins);

namespace {

// Origin at (0, 0), image of it at (100, 200), coefficients 1..9 and -1..-9
// in powers of two so every sum below is exact.
template <class T> typename Polynomial2D<T>::Record hand_made(uint32_t tipo) {
    typename Polynomial2D<T>::Record r{};
    r.tipo = tipo;
    r.x0_destino = 100;
    r.y0_destino = 200;
    for (int k = 0; k < 9; ++k) {
        r.coef_x[k] = T(1 << k);
        r.coef_y[k] = -T(1 << k);
    }
    return r;
}

}  // namespace

TYPED_TEST(TransformPoint, EachCodeUsesItsTermsOnly) {
    using T = TypeParam;
    struct Case {
        uint32_t tipo;
        T sum;  // coefficients applied at (1, 1): every monomial is 1
    };
    for (const Case& c : {Case{0, 3}, Case{3, 3}, Case{5, 3}, Case{6, 31}, Case{7, 511},
                          Case{12, 511}}) {
        const auto r = hand_made<T>(c.tipo);
        const auto p = this->apply(r, {1, 1});
        EXPECT_EQ(p.x, T(100) + c.sum) << c.tipo;
        EXPECT_EQ(p.y, T(200) - c.sum) << c.tipo;
    }
}

TYPED_TEST(TransformPoint, MonomialsFollowTheRecordOrder) {
    using T = TypeParam;
    auto r = hand_made<T>(7);
    r.xm_origen = 1;
    r.ym_origen = -1;
    // dx = 2, dy = 3: monomials 2, 3, 4, 6, 9, 8, 12, 18, 27.
    const auto p = this->apply(r, {3, 2});
    const T expected = 2 * 1 + 3 * 2 + 4 * 4 + 6 * 8 + 9 * 16 + 8 * 32 + 12 * 64 + 18 * 128 +
                       27 * 256;
    EXPECT_EQ(p.x, T(100) + expected);
    EXPECT_EQ(p.y, T(200) - expected);
}

TYPED_TEST(TransformPoint, TheSourceCentroidMapsToItsImage) {
    using T = TypeParam;
    for (uint32_t tipo : {0u, 2u, 6u, 7u}) {
        auto r = hand_made<T>(tipo);
        r.xm_origen = T(12.75);
        r.ym_origen = T(-3.5);
        const auto p = this->apply(r, {T(12.75), T(-3.5)});
        EXPECT_EQ(p.x, T(100));
        EXPECT_EQ(p.y, T(200));
    }
}

// The fit reads its points and the transform reads and writes its point with
// memcpy, so points at odd byte addresses give the results of aligned ones.
TYPED_TEST(TransformPoint, PointsAtAnyByteAddress) {
    using T = TypeParam;
    const auto pairs = pairs_of<T>(scattered_points<T>(12), [](Pt<T> p) {
        return Pt<T>{T(3.7) + T(1.3) * p.x - T(0.21) * p.y + T(0.017) * p.x * p.y,
                     T(-1.9) + T(0.4) * p.x + T(0.93) * p.y - T(0.011) * p.y * p.y};
    });
    const auto aligned = this->fit(7, pairs);

    constexpr std::size_t kPoint = 2 * sizeof(T);
    std::vector<unsigned char> bytes(1 + 2 * pairs.size() * (kPoint + 1));
    std::vector<const T*> pointers;
    for (std::size_t k = 0; k < 2 * pairs.size(); ++k) {
        unsigned char* at = &bytes[1 + k * (kPoint + 1)];
        const Pt<T>& p = k % 2 ? pairs[k / 2].second : pairs[k / 2].first;
        std::memcpy(at, &p, kPoint);
        pointers.push_back(reinterpret_cast<const T*>(at));
    }
    typename Polynomial2D<T>::Record unaligned;
    std::memset(&unaligned, 0x7f, sizeof unaligned);
    unaligned.tipo = 7;
    Polynomial2D<T>::fit(&unaligned, pointers.data(), static_cast<uint32_t>(pairs.size()));
    EXPECT_EQ(std::memcmp(&unaligned, &aligned, sizeof aligned), 0);

    T* point = reinterpret_cast<T*>(&bytes[1]);
    Polynomial2D<T>::apply(&aligned, point);
    const auto want = this->apply(aligned, pairs[0].first);
    T got[2];
    std::memcpy(got, point, sizeof got);
    EXPECT_EQ(got[0], want.x);
    EXPECT_EQ(got[1], want.y);
}
