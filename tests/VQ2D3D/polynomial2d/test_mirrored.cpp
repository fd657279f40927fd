// Mirrored control points (image rows counting down, northings counting up).
// On a symmetric mirrored set the similarity's rotation is undefined; the
// polynomial models then start from the scale alone and still find the exact
// mapping. Sets whose rotation is defined follow the fit unchanged, and the
// pure similarity models keep their non-finite answer.
#include "poly_twins.hpp"

template <class T> using MirroredPoints = PolynomialTest<T>;
TYPED_TEST_SUITE(MirroredPoints, Twins);

namespace {

// X = 440720 + 60 x, Y = 3751320 - 60 y.
template <class T> Pt<T> grid_to_map(Pt<T> p) {
    return {T(440720) + T(60) * p.x, T(3751320) - T(60) * p.y};
}

// A k x k grid with spacing 100 / (k - 1), corners (0, 0) and (100, 100).
template <class T> Pairs<T> mirrored_grid(int k) {
    std::vector<Pt<T>> pts;
    for (int i = 0; i < k; ++i)
        for (int j = 0; j < k; ++j)
            pts.push_back({T(100) * T(j) / T(k - 1), T(100) * T(i) / T(k - 1)});
    return pairs_of<T>(pts, grid_to_map<T>);
}

// Map coordinates of several million units: the float twin keeps a quarter
// unit there, so the check is relative to their size.
template <class T> void expect_maps_exactly(const typename Polynomial2D<T>::Record& r,
                                            const Pairs<T>& pairs) {
    for (const auto& pr : pairs) {
        T xy[2] = {pr.first.x, pr.first.y};
        Polynomial2D<T>::apply(&r, xy);
        EXPECT_NEAR(xy[0], pr.second.x, T(440720) * kTolerance<T>);
        EXPECT_NEAR(xy[1], pr.second.y, T(3751320) * kTolerance<T>);
    }
}

}  // namespace

TYPED_TEST(MirroredPoints, FourCornersGiveTheExactAffineMapping) {
    using T = TypeParam;
    const auto corners = mirrored_grid<T>(2);
    const auto g = Polynomial2D<T>::similarity(this->pointers(corners).data(), 4);
    ASSERT_FALSE(std::isfinite(g.cos_giro));  // the case being mended

    for (uint32_t tipo : {3u, 4u, 5u}) {
        const auto r = this->fit(tipo, corners);
        EXPECT_EQ(r.tipo, tipo);
        EXPECT_NEAR(r.coef_x[0], T(60), 60 * kTolerance<T>);
        EXPECT_NEAR(r.coef_x[1], T(0), 60 * kTolerance<T>);
        EXPECT_NEAR(r.coef_y[0], T(0), 60 * kTolerance<T>);
        EXPECT_NEAR(r.coef_y[1], T(-60), 60 * kTolerance<T>);
        expect_maps_exactly<T>(r, corners);
        expect_maps_exactly<T>(r, mirrored_grid<T>(7));
    }
}

TYPED_TEST(MirroredPoints, QuadraticAndCubicModelsOnMirroredGrids) {
    using T = TypeParam;
    const auto r6 = this->fit(6, mirrored_grid<T>(3));  // 9 points
    for (int k = 2; k < 5; ++k) {
        EXPECT_NEAR(r6.coef_x[k], T(0), kTolerance<T>);
        EXPECT_NEAR(r6.coef_y[k], T(0), kTolerance<T>);
    }
    expect_maps_exactly<T>(r6, mirrored_grid<T>(5));

    const auto r7 = this->fit(7, mirrored_grid<T>(4));  // 16 points
    expect_maps_exactly<T>(r7, mirrored_grid<T>(6));
}

TYPED_TEST(MirroredPoints, SimilarityModelsStayNonFinite) {
    using T = TypeParam;
    for (uint32_t tipo : {1u, 2u}) {
        const auto r = this->fit(tipo, mirrored_grid<T>(2));
        EXPECT_FALSE(std::isfinite(r.coef_x[0])) << tipo;
        EXPECT_FALSE(std::isfinite(r.coef_y[0])) << tipo;
    }
}

// A mirrored set that is not symmetric has a defined rotation; the affine
// record must be exactly the one of the plain algorithm, rebuilt here from
// the similarity and the packed two-right-hand-side solver.
TYPED_TEST(MirroredPoints, AsymmetricMirroredSetKeepsThePlainFit) {
    using T = TypeParam;
    const auto pairs = pairs_of<T>(
        std::vector<Pt<T>>{{0, 0}, {100, 0}, {0, 100}, {100, 100}, {30, 70}}, grid_to_map<T>);
    const auto ptrs = this->pointers(pairs);
    const auto g = Polynomial2D<T>::similarity(ptrs.data(), 5);
    ASSERT_TRUE(std::isfinite(g.cos_giro) && std::isfinite(g.sen_giro));

    const T alpha = g.cos_giro * g.escala, beta = g.sen_giro * g.escala;
    T P[6] = {}, rx[3] = {}, ry[3] = {};
    for (const auto& pr : pairs) {
        const T dx = pr.first.x - g.xm_origen, dy = pr.first.y - g.ym_origen;
        const T u = alpha * dx - beta * dy, v = beta * dx + alpha * dy;
        const T DX = (pr.second.x - g.xm_destino) - u, DY = (pr.second.y - g.ym_destino) - v;
        const T m[3] = {1, u, v};
        rx[0] += DX;
        ry[0] += DY;
        P[0] += m[0] * m[0];
        for (int i = 1; i < 3; ++i) {
            for (int j = 0; j <= i; ++j) P[i * (i + 1) / 2 + j] += m[i] * m[j];
            rx[i] += m[i] * DX;
            ry[i] += m[i] * DY;
        }
    }
    Polynomial2D<T>::solve2(P, rx, ry, 3);

    const auto r = this->fit(3, pairs);
    const T one = 1;
    EXPECT_EQ(r.x0_destino, g.xm_destino + rx[0]);
    EXPECT_EQ(r.y0_destino, g.ym_destino + ry[0]);
    EXPECT_EQ(r.coef_x[0], alpha * (one + rx[1]) + beta * rx[2]);
    EXPECT_EQ(r.coef_x[1], (-beta) * (one + rx[1]) + alpha * rx[2]);
    EXPECT_EQ(r.coef_y[0], alpha * ry[1] + beta * (one + ry[2]));
    EXPECT_EQ(r.coef_y[1], (-beta) * ry[1] + alpha * (one + ry[2]));
    expect_maps_exactly<T>(r, pairs);
}
