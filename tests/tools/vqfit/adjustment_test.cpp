// Fits as vq reports them: least-squares answers for every model and any
// rotation, the quality report, the blunder test and rejection, mirrored and
// undetermined sets, and the inverse of every model.
#include "adjustment.hpp"
#include "parameters.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using vq::FitError;
using vq::FitOptions;
using vq::ModelKind;
using vq::PointPairs;

// Exact data are reproduced to this share of the points' spread.
constexpr double kExact = 1e-9;

struct Pairs {
    int dim = 2;
    std::vector<double> source, destination;
    PointPairs view() const {
        PointPairs p;
        p.dim = dim;
        p.count = source.size() / static_cast<std::size_t>(dim);
        p.source = source.data();
        p.destination = destination.data();
        p.source_step = p.destination_step = dim;
        return p;
    }
};

// Deterministic noise in [-1, 1).
double noise(unsigned& state) {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
}

// Twelve scattered 2D points (a scanned sheet in pixels) mapped by f.
template <class F>
Pairs plane(F f, int count = 12) {
    Pairs p;
    unsigned state = 7;
    for (int i = 0; i < count; ++i) {
        const double x = 2500 + 2400 * noise(state), y = 1800 + 1700 * noise(state);
        double X, Y;
        f(x, y, X, Y);
        p.source.insert(p.source.end(), {x, y});
        p.destination.insert(p.destination.end(), {X, Y});
    }
    return p;
}

void similarity(double x, double y, double& X, double& Y) {
    const double s = 2.1141, c = std::cos(0.0061), n = std::sin(0.0061);
    X = 438215.4 + s * (c * x - n * y);
    Y = 4471320.75 + s * (n * x + c * y);
}

// R = Rz(k) Ry(p) Rx(o), angles in degrees.
void rotation(double o, double p, double k, double (&R)[9]) {
    const double d = 3.14159265358979323846 / 180;
    const double co = std::cos(o * d), so = std::sin(o * d), cp = std::cos(p * d), sp = std::sin(p * d);
    const double ck = std::cos(k * d), sk = std::sin(k * d);
    const double r[9] = {ck * cp, ck * sp * so - sk * co, ck * sp * co + sk * so,
                         sk * cp, sk * sp * so + ck * co, sk * sp * co - ck * so,
                         -sp,     cp * so,                cp * co};
    for (int i = 0; i < 9; ++i) R[i] = r[i];
}

Pairs space(const double (&R)[9], int count, double mirror_z = 1.0) {
    Pairs p;
    p.dim = 3;
    unsigned state = 11;
    for (int i = 0; i < count; ++i) {
        const double a[3] = {300 * noise(state), 300 * noise(state), 40 * noise(state)};
        p.source.insert(p.source.end(), {a[0] + 1000, a[1] + 2000, a[2] + 300});
        for (int r = 0; r < 3; ++r) {
            const double b = 1.0000042 * (R[3 * r] * a[0] + R[3 * r + 1] * a[1] + R[3 * r + 2] * a[2]);
            p.destination.push_back((r == 2 ? mirror_z : 1.0) * b + 5000.0 * (r + 1));
        }
    }
    return p;
}

vq::FitResult fit(const Pairs& p, ModelKind kind, FitOptions options = {}) {
    return vq::fit_points(p.view(), {}, kind, options, "pairs");
}

std::string fit_error(const Pairs& p, ModelKind kind, FitOptions options = {}) {
    try {
        fit(p, kind, options);
    } catch (const FitError& e) {
        return e.what();
    }
    return "no error";
}

TEST(Fit, ExactDataIsReproducedAndNotTested) {
    const Pairs p = plane(similarity);
    for (ModelKind kind : {ModelKind::rigid, ModelKind::similarity, ModelKind::affine, ModelKind::poly2,
                           ModelKind::poly3}) {
        if (kind == ModelKind::rigid) continue;  // the data carry a scale
        for (auto scale : {vq::ScaleEstimator::least_squares, vq::ScaleEstimator::symmetric}) {
            FitOptions options;
            options.scale = scale;
            const vq::FitResult r = fit(p, kind, options);
            EXPECT_LT(r.rms, kExact * 5000) << vq::model_name(kind);
            EXPECT_TRUE(r.quality.exact) << vq::model_name(kind);
            EXPECT_FALSE(r.quality.testable());
            EXPECT_TRUE(r.flagged.empty());
        }
    }
    // Exactly determined: no redundancy, nothing to test.
    Pairs three = plane(similarity, 3);
    const vq::FitResult r = fit(three, ModelKind::affine);
    EXPECT_EQ(r.quality.redundancy, 0u);
    EXPECT_TRUE(std::isnan(r.quality.sigma0));
    EXPECT_FALSE(r.quality.testable());
}

TEST(Fit, LeastSquaresScaleMinimisesTheResidualsAndSymmetricScaleInverts) {
    unsigned state = 3;
    Pairs p = plane(similarity);
    for (double& v : p.destination) v += 3.0 * noise(state);
    FitOptions symmetric;
    symmetric.scale = vq::ScaleEstimator::symmetric;
    const vq::FitResult ls = fit(p, ModelKind::similarity), sym = fit(p, ModelKind::similarity, symmetric);
    EXPECT_LT(ls.quality.vtv, sym.quality.vtv);
    EXPECT_NE(ls.transform.similarity2d.escala, sym.transform.similarity2d.escala);
    // The least-squares scale: the residuals grow whichever way it moves.
    for (double step : {-1e-7, 1e-7}) {
        vq::FitResult moved = ls;
        for (double* c : {&moved.transform.polynomial.coef_x[0], &moved.transform.polynomial.coef_x[1],
                          &moved.transform.polynomial.coef_y[0], &moved.transform.polynomial.coef_y[1]})
            *c *= 1.0 + step;
        double vtv = 0.0;
        for (std::size_t i = 0; i < p.view().count; ++i) vtv += std::pow(moved.residual(p.view(), i).length, 2);
        EXPECT_GT(vtv, ls.quality.vtv);
    }
    // Exchanging the sets inverts the symmetric scale exactly.
    Pairs swapped = p;
    std::swap(swapped.source, swapped.destination);
    const double back = fit(swapped, ModelKind::similarity, symmetric).transform.similarity2d.escala;
    EXPECT_NEAR(back * sym.transform.similarity2d.escala, 1.0, 1e-14);
    const double ls_back = fit(swapped, ModelKind::similarity).transform.similarity2d.escala;
    EXPECT_GT(std::fabs(ls_back * ls.transform.similarity2d.escala - 1.0), 1e-9);
}

TEST(Fit, SevenParametersForAnyRotation) {
    const double cases[][3] = {{10, -5, 30}, {50, 25, 40},  {180, 0, 0},   {0, 180, 0},
                               {90, 0, 0},   {0, 0, 180},   {120, -60, 170}, {-170, 89, -95}};
    for (const auto& c : cases)
        for (int count : {5, 12}) {
            double R[9];
            rotation(c[0], c[1], c[2], R);
            const vq::FitResult r = fit(space(R, count), ModelKind::similarity3d);
            EXPECT_TRUE(r.rotation.converged);
            EXPECT_LT(r.rms, kExact * 300) << c[0] << " " << c[1] << " " << c[2] << " n " << count;
            EXPECT_NEAR(r.transform.similarity3d.escala, 1.0000042, 1e-12);
            for (int i = 0; i < 9; ++i) EXPECT_NEAR(r.transform.similarity3d.R[i], R[i], 1e-12);
        }
}

TEST(Fit, MirroredSetsAreRefusedUnlessYDown) {
    // Pixel/line: the rows count down, the map's y up.
    const Pairs p = plane([](double x, double y, double& X, double& Y) { similarity(x, -y, X, Y); });
    for (ModelKind kind : {ModelKind::rigid, ModelKind::similarity}) {
        const std::string error = fit_error(p, kind);
        EXPECT_NE(error.find("mirror image"), std::string::npos) << error;
        EXPECT_NE(error.find("--y-down"), std::string::npos) << error;
    }
    FitOptions down;
    down.y_down = true;
    const vq::FitResult r = fit(p, ModelKind::similarity, down);
    EXPECT_TRUE(r.quality.exact);
    EXPECT_TRUE(r.transform.y_down);
    EXPECT_NEAR(std::atan2(r.transform.similarity2d.sen_giro, r.transform.similarity2d.cos_giro), 0.0061, 1e-12);
    // The affine model takes the mirror as it is: no 180-degree shear.
    const vq::FitResult affine = fit(p, ModelKind::affine);
    EXPECT_TRUE(affine.quality.exact);
    double R[9];
    rotation(20, 10, 30, R);
    EXPECT_NE(fit_error(space(R, 12, -1.0), ModelKind::similarity3d).find("mirror image"), std::string::npos);
}

TEST(Fit, AffineShearAndMirrorAreReportedWithTheirSigns) {
    // X = x + 0.1 y: the images of the axes close in to 84.3 degrees, a positive shear.
    const Pairs closing = plane([](double x, double y, double& X, double& Y) { X = x + 0.1 * y, Y = y; });
    const auto find = [](const std::vector<vq::Parameter>& ps, const std::string& key) {
        for (const auto& p : ps)
            if (p.key == key) return p.values[0];
        return std::nan("");
    };
    const auto params = vq::describe_parameters(fit(closing, ModelKind::affine).transform);
    EXPECT_NEAR(find(params, "shear_deg"), std::atan(0.1) * 180 / 3.14159265358979323846, 1e-9);
    EXPECT_EQ(find(params, "mirrored"), 0.0);
    // Rows counting down: a mirror, not a shear of 180 degrees; the images of
    // the axes (1, 0) and (-0.1, -1) open to 95.7 degrees.
    const Pairs down = plane([](double x, double y, double& X, double& Y) { X = x - 0.1 * y, Y = -y; });
    const auto mirrored = vq::describe_parameters(fit(down, ModelKind::affine).transform);
    EXPECT_NEAR(find(mirrored, "shear_deg"), -std::atan(0.1) * 180 / 3.14159265358979323846, 1e-9);
    EXPECT_EQ(find(mirrored, "mirrored"), 1.0);
}

TEST(Fit, UndeterminedPolynomialsAreRefused) {
    // Enough points in number, too few rows: dy^2 is constant on two rows.
    Pairs grid;
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 5; ++col) {
            const double x = 100.0 * col, y = 300.0 * row;
            grid.source.insert(grid.source.end(), {x, y});
            grid.destination.insert(grid.destination.end(), {x + 1e-4 * x * x, y + 2e-7 * x * x * x});
        }
    const std::string poly3 = fit_error(grid, ModelKind::poly3);
    EXPECT_NE(poly3.find("do not determine model poly3"), std::string::npos) << poly3;
    EXPECT_NE(poly3.find("poly2"), std::string::npos) << poly3;
    Pairs six = grid;
    six.source.resize(12);  // 2 x 3 for poly2 (rows of the grid are 5 long: take 3 of each)
    six.source = {0, 0, 100, 0, 200, 0, 0, 300, 100, 300, 200, 300};
    six.destination = six.source;
    EXPECT_NE(fit_error(six, ModelKind::poly2).find("do not determine model poly2"), std::string::npos);
    EXPECT_NO_THROW(fit(six, ModelKind::affine));
}

TEST(Fit, EveryModelMapsBackOntoItsSource) {
    unsigned state = 5;
    Pairs p = plane([](double x, double y, double& X, double& Y) {
        similarity(x, y, X, Y);
        X += 2e-6 * x * y;
        Y += 1e-5 * y * y;
    }, 20);
    for (double& v : p.destination) v += 0.5 * noise(state);
    for (ModelKind kind : {ModelKind::translation, ModelKind::rigid, ModelKind::similarity, ModelKind::affine,
                           ModelKind::poly2, ModelKind::poly3})
        for (bool y_down : {false, true}) {
            FitOptions options;
            options.y_down = y_down;
            if (y_down && kind != ModelKind::affine && kind != ModelKind::poly3) continue;
            const vq::Transform t = fit(p, kind, options).transform;
            // Points near the centre too, where the offsets are small against the
            // coordinates and Newton's steps settle at the coordinates' rounding.
            const double centre[2] = {t.polynomial.xm_origen, (y_down ? -1 : 1) * t.polynomial.ym_origen};
            for (int k = 0; k < 2000; ++k) {
                const double near_centre[2] = {centre[0] + 0.0137 * k, centre[1] - 0.0071 * k};
                double image[2], back[2];
                t.apply(near_centre, image);
                ASSERT_TRUE(t.apply_inverse(image, back)) << vq::model_name(kind) << " at " << k;
                EXPECT_NEAR(back[0], near_centre[0], 1e-9 * 5000);
            }
            for (std::size_t i = 0; i < 20; ++i) {
                double image[2], back[2];
                t.apply(p.source.data() + 2 * i, image);
                ASSERT_TRUE(t.apply_inverse(image, back)) << vq::model_name(kind);
                EXPECT_NEAR(back[0], p.source[2 * i], 1e-9 * 5000) << vq::model_name(kind) << " y_down " << y_down;
                EXPECT_NEAR(back[1], p.source[2 * i + 1], 1e-9 * 5000) << vq::model_name(kind) << " y_down " << y_down;
            }
        }
}

TEST(Fit, BlunderAmongNinePointsIsFlaggedAndRejected) {
    unsigned state = 9;
    Pairs p = plane(similarity, 9);
    for (double& v : p.destination) v += 0.05 * noise(state);
    p.destination[2 * 4] += 1000.0;
    const vq::FitResult flagged = fit(p, ModelKind::similarity);
    EXPECT_EQ(flagged.flagged, std::vector<std::size_t>{4});
    FitOptions reject;
    reject.reject = 5;
    const vq::FitResult clean = fit(p, ModelKind::similarity, reject);
    EXPECT_EQ(clean.rejected, std::vector<std::size_t>{4});
    EXPECT_TRUE(clean.flagged.empty());
    EXPECT_EQ(clean.roles[4], vq::PointRole::rejected);
    EXPECT_NEAR(clean.residual(p.view(), 4).v[0], 1000.0, 1.0);  // as a check point against the clean fit
    EXPECT_GT(clean.residual(p.view(), 4).redundancy[0], 1.0);
    EXPECT_LT(clean.quality.sigma0, 0.1);
}

TEST(Fit, TranslationStandardDeviationIsSigma0OverRootN) {
    unsigned state = 1;
    Pairs p = plane([](double x, double y, double& X, double& Y) { X = x + 10, Y = y - 20; }, 16);
    for (double& v : p.destination) v += noise(state);
    const vq::FitResult r = fit(p, ModelKind::translation);
    EXPECT_EQ(r.quality.redundancy, 30u);
    EXPECT_NEAR(r.quality.sigma0, std::sqrt(r.quality.vtv / 30), 1e-15);
    const auto params = vq::describe_parameters(r.transform, &r.quality);
    ASSERT_EQ(params[0].sd.size(), 2u);
    EXPECT_NEAR(params[0].sd[0], r.quality.sigma0 / 4.0, 1e-15);
    // Every control point of a translation has redundancy (n - 1) / n.
    EXPECT_NEAR(r.residual(p.view(), 3).redundancy[1], 15.0 / 16.0, 1e-14);
}

TEST(Fit, CoordinatesOutOfRangeAreRefusedByName) {
    Pairs huge = plane(similarity);
    for (double& v : huge.destination) v *= 1e195;
    EXPECT_NE(fit_error(huge, ModelKind::similarity).find("beyond 1e140"), std::string::npos);
    Pairs tiny = plane(similarity);
    for (double& v : tiny.source) v *= 1e-200;
    EXPECT_NE(fit_error(tiny, ModelKind::similarity).find("less than 1e-140"), std::string::npos);
}

}  // namespace
