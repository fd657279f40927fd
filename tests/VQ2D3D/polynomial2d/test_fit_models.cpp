// The model codes of the polynomial fit: worked examples, clamping, the
// affine stand-in for codes 4 and 5, and exact polynomial data recovered.
#include "poly_twins.hpp"

template <class T> using PolynomialFit = PolynomialTest<T>;
TYPED_TEST_SUITE(PolynomialFit, Twins);

namespace {

template <class T> Pairs<T> two_pairs() {  // a quarter turn, scale 1, shift
    return {{{0, 0}, {1, 1}}, {{2, 0}, {1, 3}}};
}

template <class T> void expect_higher_coefficients_zero(const T* coef) {
    for (int k = 2; k < 9; ++k) EXPECT_EQ(coef[k], T(0)) << "coefficient " << k;
}

template <class T> void expect_near_point(Pt<T> got, Pt<T> want, T scale) {
    EXPECT_NEAR(got.x, want.x, scale * kTolerance<T>);
    EXPECT_NEAR(got.y, want.y, scale * kTolerance<T>);
}

template <class T> Pt<T> affine(Pt<T> p) {
    return {T(5) + T(2) * p.x - T(0.5) * p.y, T(-3) + T(0.25) * p.x + T(1.5) * p.y};
}
template <class T> Pt<T> quadratic(Pt<T> p) {
    const Pt<T> a = affine(p);
    const T x = p.x - T(10), y = p.y - T(20);
    return {a.x + T(0.1) * x * x - T(0.05) * x * y + T(0.02) * y * y,
            a.y - T(0.03) * x * x + T(0.04) * x * y + T(0.06) * y * y};
}
template <class T> Pt<T> cubic(Pt<T> p) {
    const Pt<T> q = quadratic(p);
    const T x = p.x - T(10), y = p.y - T(20);
    return {q.x + T(0.01) * x * x * x - T(0.02) * x * x * y + T(0.005) * x * y * y,
            q.y - T(0.004) * x * y * y + T(0.008) * y * y * y + T(0.003) * x * x * x};
}

}  // namespace

TYPED_TEST(PolynomialFit, RotationShiftAndSimilarityWorkedExample) {
    using T = TypeParam;
    for (uint32_t tipo : {1u, 2u}) {
        const auto r = this->fit(tipo, two_pairs<T>());
        EXPECT_EQ(r.tipo, tipo);
        EXPECT_EQ(r.xm_origen, T(1));
        EXPECT_EQ(r.ym_origen, T(0));
        EXPECT_EQ(r.x0_destino, T(1));
        EXPECT_EQ(r.y0_destino, T(2));
        EXPECT_EQ(r.coef_x[0], T(0));
        EXPECT_EQ(r.coef_x[1], T(-1));
        EXPECT_EQ(r.coef_y[0], T(1));
        EXPECT_EQ(r.coef_y[1], T(0));
        expect_higher_coefficients_zero(r.coef_x);
        expect_higher_coefficients_zero(r.coef_y);
        const auto a = this->apply(r, {2, 0});
        EXPECT_EQ(a.x, T(1));
        EXPECT_EQ(a.y, T(3));
        const auto b = this->apply(r, {0, 0});
        EXPECT_EQ(b.x, T(1));
        EXPECT_EQ(b.y, T(1));
    }
}

TYPED_TEST(PolynomialFit, ConstantModelKeepsTheCentroidsOnly) {
    using T = TypeParam;
    const auto r = this->fit(0, two_pairs<T>());
    EXPECT_EQ(r.xm_origen, T(1));
    EXPECT_EQ(r.ym_origen, T(0));
    EXPECT_EQ(r.x0_destino, T(1));
    EXPECT_EQ(r.y0_destino, T(2));
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(r.coef_x[k], T(0));
        EXPECT_EQ(r.coef_y[k], T(0));
    }
    const auto p = this->apply(r, {T(123.5), T(-7)});
    EXPECT_EQ(p.x, T(1));
    EXPECT_EQ(p.y, T(2));
}

TYPED_TEST(PolynomialFit, AffineWorkedExample) {
    using T = TypeParam;
    const Pairs<T> pairs{{{0, 0}, {10, 20}}, {{1, 0}, {12, 21}}, {{0, 1}, {9, 23}}};
    const auto r = this->fit(3, pairs);
    EXPECT_NEAR(r.xm_origen, T(1) / 3, kTolerance<T>);
    EXPECT_NEAR(r.ym_origen, T(1) / 3, kTolerance<T>);
    EXPECT_NEAR(r.x0_destino, T(31) / 3, 31 * kTolerance<T>);
    EXPECT_NEAR(r.y0_destino, T(64) / 3, 64 * kTolerance<T>);
    EXPECT_NEAR(r.coef_x[0], T(2), 10 * kTolerance<T>);
    EXPECT_NEAR(r.coef_x[1], T(-1), 10 * kTolerance<T>);
    EXPECT_NEAR(r.coef_y[0], T(1), 10 * kTolerance<T>);
    EXPECT_NEAR(r.coef_y[1], T(3), 10 * kTolerance<T>);
    expect_near_point(this->apply(r, {1, 1}), {11, 24}, T(30));
    // The source centroid maps to the record's image of it.
    const auto c = this->apply(r, {r.xm_origen, r.ym_origen});
    EXPECT_EQ(c.x, r.x0_destino);
    EXPECT_EQ(c.y, r.y0_destino);
}

TYPED_TEST(PolynomialFit, RotationShiftIgnoresScaleSimilarityKeepsIt) {
    using T = TypeParam;
    const T c = T(0.6), s = T(0.8);  // theta with cos 0.6, sin 0.8; scale 2
    const auto pairs = pairs_of<T>(scattered_points<T>(7), [&](Pt<T> p) {
        return Pt<T>{T(100) + T(2) * (c * p.x - s * p.y), T(-50) + T(2) * (s * p.x + c * p.y)};
    });
    const auto r1 = this->fit(1, pairs);
    EXPECT_NEAR(r1.coef_x[0], c, kTolerance<T>);
    EXPECT_NEAR(r1.coef_x[1], -s, kTolerance<T>);
    EXPECT_NEAR(r1.coef_y[0], s, kTolerance<T>);
    EXPECT_NEAR(r1.coef_y[1], c, kTolerance<T>);
    const auto r2 = this->fit(2, pairs);
    EXPECT_NEAR(r2.coef_x[0], 2 * c, 2 * kTolerance<T>);
    EXPECT_NEAR(r2.coef_x[1], -2 * s, 2 * kTolerance<T>);
    EXPECT_NEAR(r2.coef_y[0], 2 * s, 2 * kTolerance<T>);
    EXPECT_NEAR(r2.coef_y[1], 2 * c, 2 * kTolerance<T>);

    // An exact similarity leaves nothing for the polynomial models.
    for (uint32_t tipo : {3u, 6u, 7u}) {
        const auto r = this->fit(tipo, pairs);
        EXPECT_NEAR(r.x0_destino, r2.x0_destino, 100 * kTolerance<T>);
        EXPECT_NEAR(r.y0_destino, r2.y0_destino, 100 * kTolerance<T>);
        for (int k = 0; k < 9; ++k) {
            EXPECT_NEAR(r.coef_x[k], r2.coef_x[k], 10 * kTolerance<T>) << tipo << " " << k;
            EXPECT_NEAR(r.coef_y[k], r2.coef_y[k], 10 * kTolerance<T>) << tipo << " " << k;
        }
    }
}

TYPED_TEST(PolynomialFit, CodesAboveSevenAreClampedToCubic) {
    using T = TypeParam;
    const auto pairs = pairs_of<T>(scattered_points<T>(14), cubic<T>);
    const auto r9 = this->fit(9, pairs);
    EXPECT_EQ(r9.tipo, 7u);
    const auto r7 = this->fit(7, pairs);
    EXPECT_EQ(std::memcmp(&r9, &r7, sizeof r7), 0);
    EXPECT_EQ(this->fit(0xffffffffu, pairs).tipo, 7u);
}

TYPED_TEST(PolynomialFit, CodesFourAndFiveFitTheAffineModel) {
    using T = TypeParam;
    // Quadratic data: codes 4 and 5 give the least-squares affine record.
    const auto pairs = pairs_of<T>(scattered_points<T>(12), quadratic<T>);
    auto r3 = this->fit(3, pairs);
    for (uint32_t tipo : {4u, 5u}) {
        auto r = this->fit(tipo, pairs);
        EXPECT_EQ(r.tipo, tipo);
        expect_higher_coefficients_zero(r.coef_x);
        expect_higher_coefficients_zero(r.coef_y);
        r.tipo = 3;
        EXPECT_EQ(std::memcmp(&r, &r3, sizeof r), 0) << "tipo " << tipo;
    }
    // ... which reproduces affine data.
    const auto exact = pairs_of<T>(scattered_points<T>(5), affine<T>);
    const auto r5 = this->fit(5, exact);
    for (const auto& pr : exact) expect_near_point(this->apply(r5, pr.first), pr.second, T(30));
}

TYPED_TEST(PolynomialFit, ExactPolynomialDataIsReproduced) {
    using T = TypeParam;
    struct Case {
        uint32_t tipo;
        Pt<T> (*f)(Pt<T>);
        int minimum;
    };
    for (const Case& c : {Case{3, affine<T>, 3}, Case{6, quadratic<T>, 6}, Case{7, cubic<T>, 10}}) {
        for (int n : {c.minimum, c.minimum + 9}) {
            const auto pairs = pairs_of<T>(scattered_points<T>(n), c.f);
            const auto r = this->fit(c.tipo, pairs);
            for (const auto& pr : pairs)
                expect_near_point(this->apply(r, pr.first), pr.second, T(30));
            if (n == c.minimum) continue;
            // With more pairs than terms the polynomial itself is recovered,
            // so points that were not fitted are mapped right too.
            for (const auto& p : scattered_points<T>(n + 4))
                expect_near_point(this->apply(r, {p.y - T(10), p.x + T(10)}),
                                  c.f({p.y - T(10), p.x + T(10)}), T(100));
        }
    }
}
