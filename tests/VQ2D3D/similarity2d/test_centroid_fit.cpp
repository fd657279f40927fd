// The centroid fit and the conversion to translation form, through the
// two-array estimator: worked examples, degenerate input and identities.
#include <cmath>
#include <limits>

#include "twins.hpp"

template <class T> class CentroidFit : public ::testing::Test {
protected:
    using Api = Similarity2D<T>;
    typename Api::Hel2Dg fit(const std::vector<T>& src, const std::vector<T>& dst) {
        return Api::pp(src.data(), dst.data(), static_cast<uint32_t>(src.size() / 2));
    }
};
TYPED_TEST_SUITE(CentroidFit, Twins);

TYPED_TEST(CentroidFit, WorkedExampleIsExact) {
    using T = TypeParam;
    const auto g = this->fit({0, 0, 1, 0}, {10, 20, 10, 22});
    EXPECT_EQ(g.xm_origen, T(0.5));
    EXPECT_EQ(g.ym_origen, T(0));
    EXPECT_EQ(g.xm_destino, T(10));
    EXPECT_EQ(g.ym_destino, T(21));
    EXPECT_EQ(g.escala, T(2));
    EXPECT_EQ(g.cos_giro, T(0));
    EXPECT_EQ(g.sen_giro, T(1));

    const auto h = Similarity2D<T>::to_hel2d(g);
    EXPECT_EQ(h.tx, T(-10));
    EXPECT_EQ(h.ty, T(5));
    EXPECT_EQ(h.escala, T(2));
    EXPECT_EQ(h.cos_giro, T(0));
    EXPECT_EQ(h.sen_giro, T(1));
}

TYPED_TEST(CentroidFit, NoPairsGiveAllNaNWithoutReading) {
    const auto g = Similarity2D<TypeParam>::pp(nullptr, nullptr, 0);
    for (TypeParam v : {g.xm_origen, g.ym_origen, g.xm_destino, g.ym_destino, g.escala,
                        g.cos_giro, g.sen_giro})
        EXPECT_TRUE(std::isnan(v));
}

TYPED_TEST(CentroidFit, OnePairGivesItsCoordinatesAndNaNShape) {
    using T = TypeParam;
    const auto g = this->fit({T(3.25), T(-7.5)}, {T(101.125), T(0.375)});
    EXPECT_EQ(g.xm_origen, T(3.25));
    EXPECT_EQ(g.ym_origen, T(-7.5));
    EXPECT_EQ(g.xm_destino, T(101.125));
    EXPECT_EQ(g.ym_destino, T(0.375));
    EXPECT_TRUE(std::isnan(g.escala));
    EXPECT_TRUE(std::isnan(g.cos_giro));
    EXPECT_TRUE(std::isnan(g.sen_giro));
}

TYPED_TEST(CentroidFit, CoincidentSourcePointsGiveInfiniteScale) {
    const auto g = this->fit({0, 0, 0, 0, 0, 0}, {1, 2, 3, 5, -4, 1});
    EXPECT_EQ(g.escala, std::numeric_limits<TypeParam>::infinity());
    EXPECT_TRUE(std::isnan(g.cos_giro));
    EXPECT_TRUE(std::isnan(g.sen_giro));
}

TYPED_TEST(CentroidFit, IdenticalSetsGiveIdentity) {
    using T = TypeParam;
    const std::vector<T> pts{T(1.5), T(2), T(-3), T(7.25), T(10), T(-4), T(0.1), T(0.3)};
    const auto g = this->fit(pts, pts);
    EXPECT_EQ(g.escala, T(1));
    EXPECT_EQ(g.sen_giro, T(0));
    EXPECT_NEAR(g.cos_giro, T(1), kTolerance<T>);
}

TYPED_TEST(CentroidFit, ShiftMovesTheCentroidOnly) {
    using T = TypeParam;
    const std::vector<T> src{0, 0, 4, 1, 2, 6, -3, 2};
    std::vector<T> dst = src;
    for (size_t i = 0; i < dst.size(); i += 2) {
        dst[i] += T(100);
        dst[i + 1] -= T(50);
    }
    const auto g = this->fit(src, dst);
    EXPECT_NEAR(g.escala, T(1), kTolerance<T>);
    EXPECT_NEAR(g.cos_giro, T(1), kTolerance<T>);
    EXPECT_NEAR(g.sen_giro, T(0), kTolerance<T>);
    EXPECT_NEAR(g.xm_destino, g.xm_origen + T(100), 100 * kTolerance<T>);
    EXPECT_NEAR(g.ym_destino, g.ym_origen - T(50), 100 * kTolerance<T>);
}

TYPED_TEST(CentroidFit, QuarterTurnsGiveUnitSine) {
    using T = TypeParam;
    const std::vector<T> src{0, 0, 4, 1, 2, 6, -3, 2};
    std::vector<T> left, right;  // (x, y) -> (-y, x) and (y, -x), shifted
    for (size_t i = 0; i < src.size(); i += 2) {
        left.insert(left.end(), {-src[i + 1] + T(7), src[i] - T(3)});
        right.insert(right.end(), {src[i + 1] - T(2), -src[i] + T(9)});
    }
    const auto l = this->fit(src, left);
    EXPECT_NEAR(l.cos_giro, T(0), kTolerance<T>);
    EXPECT_NEAR(l.sen_giro, T(1), kTolerance<T>);
    const auto r = this->fit(src, right);
    EXPECT_NEAR(r.cos_giro, T(0), kTolerance<T>);
    EXPECT_NEAR(r.sen_giro, T(-1), kTolerance<T>);
}

TYPED_TEST(CentroidFit, TwoPairsAreReproduced) {
    using T = TypeParam;
    const std::vector<T> src{T(1), T(2), T(5), T(-1)};
    const std::vector<T> dst{T(30), T(40), T(12), T(61)};
    const auto g = this->fit(src, dst);
    for (int i = 0; i < 2; ++i) {
        const T dx = src[2 * i] - g.xm_origen, dy = src[2 * i + 1] - g.ym_origen;
        const T x = g.xm_destino + g.escala * (g.cos_giro * dx - g.sen_giro * dy);
        const T y = g.ym_destino + g.escala * (g.sen_giro * dx + g.cos_giro * dy);
        EXPECT_NEAR(x, dst[2 * i], 100 * kTolerance<T>);
        EXPECT_NEAR(y, dst[2 * i + 1], 100 * kTolerance<T>);
    }
}

TYPED_TEST(CentroidFit, ExchangingTheSetsInvertsTheFit) {
    using T = TypeParam;
    const auto sets = random_pairs<T>(25, 7);
    const auto forward = this->fit(sets.source, sets.destination);
    const auto back = this->fit(sets.destination, sets.source);
    EXPECT_NEAR(back.escala * forward.escala, T(1), kTolerance<T>);
    EXPECT_NEAR(back.cos_giro, forward.cos_giro, kTolerance<T>);
    EXPECT_NEAR(back.sen_giro, -forward.sen_giro, kTolerance<T>);
    EXPECT_EQ(back.xm_origen, forward.xm_destino);
    EXPECT_EQ(back.ym_origen, forward.ym_destino);
    EXPECT_EQ(back.xm_destino, forward.xm_origen);
    EXPECT_EQ(back.ym_destino, forward.ym_origen);
}

TYPED_TEST(CentroidFit, TranslationFormOfAPureShift) {
    using T = TypeParam;
    typename Similarity2D<T>::Hel2Dg g{T(12.5), T(-3), T(2.25), T(40), T(1), T(1), T(0)};
    const auto h = Similarity2D<T>::to_hel2d(g);
    EXPECT_EQ(h.tx, g.xm_origen - g.xm_destino);
    EXPECT_EQ(h.ty, g.ym_origen - g.ym_destino);
}

TYPED_TEST(CentroidFit, TranslationFormMapsTheDestinationCentroidBack) {
    using T = TypeParam;
    const auto sets = random_pairs<T>(12, 3);
    const auto g = this->fit(sets.source, sets.destination);
    const auto h = Similarity2D<T>::to_hel2d(g);
    // source = t + (1/escala) R(-theta) destination
    const T inv = T(1) / h.escala;
    const T x = h.tx + inv * (h.cos_giro * g.xm_destino + h.sen_giro * g.ym_destino);
    const T y = h.ty + inv * (-h.sen_giro * g.xm_destino + h.cos_giro * g.ym_destino);
    const T scale = std::abs(g.xm_destino) + std::abs(g.ym_destino);
    EXPECT_NEAR(x, g.xm_origen, scale * kTolerance<T>);
    EXPECT_NEAR(y, g.ym_origen, scale * kTolerance<T>);
}

TYPED_TEST(CentroidFit, TranslationFormOfDegenerateRecords) {
    using T = TypeParam;
    const T nan = std::numeric_limits<T>::quiet_NaN();
    typename Similarity2D<T>::Hel2Dg zero_scale{1, 2, 3, 4, 0, T(0.6), T(0.8)};
    const auto h = Similarity2D<T>::to_hel2d(zero_scale);
    EXPECT_FALSE(std::isfinite(h.tx));
    EXPECT_FALSE(std::isfinite(h.ty));
    typename Similarity2D<T>::Hel2Dg undefined{1, 2, 3, 4, nan, nan, nan};
    const auto u = Similarity2D<T>::to_hel2d(undefined);
    EXPECT_TRUE(std::isnan(u.tx));
    EXPECT_TRUE(std::isnan(u.ty));
}
