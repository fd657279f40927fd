// Mapping points through a record filled by hand: which coefficients each
// model code uses.
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
