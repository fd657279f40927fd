// The tool's own logic over the libraries: rotation conversions, inverse
// models, model files, geometry checks and fits of exact data.
#include "geometry.hpp"
#include "models.hpp"
#include "point_file.hpp"
#include "record_json.hpp"
#include "rotation_convert.hpp"
#include "svg_plot.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr double kTolerance = 1e-12;

using vq::AngleUnit;
using vq::RotationForm;

void expect_same_matrix(const vq::Matrix3& a, const vq::Matrix3& b, double tolerance) {
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(a[i], b[i], tolerance) << "element " << i;
}

TEST(RotationConvert, EveryFormLeadsBackToTheSameMatrix) {
    const std::vector<std::vector<double>> samples = {
        {0.3, -0.2, 2.5}, {0.01, 0.02, -0.03}, {-2.9, 1.2, 3.0}, {1.0, 1.45, -0.5}, {0.0, 0.0, 0.0}};
    for (const auto& opk : samples) {
        const vq::Matrix3 R = vq::rotation_matrix(RotationForm::opk, opk, AngleUnit::radians);
        for (const auto& name : vq::rotation_form_names()) {
            const RotationForm form = *vq::rotation_form_from_name(name);
            const auto values = vq::rotation_values(form, R, AngleUnit::radians);
            ASSERT_TRUE(values) << name;
            expect_same_matrix(vq::rotation_matrix(form, *values, AngleUnit::radians), R, 1e-11);
        }
    }
}

TEST(RotationConvert, KappaOmegaPhiOrderIsRecovered) {
    const std::vector<double> kop = {0.4, -0.7, 1.9};
    const vq::Matrix3 R = vq::rotation_matrix(RotationForm::kop, kop, AngleUnit::radians);
    const auto back = vq::rotation_values(RotationForm::kop, R, AngleUnit::radians);
    ASSERT_TRUE(back);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR((*back)[i], kop[i], kTolerance);
    // R = Ry(phi) Rx(omega) Rz(kappa): its middle row is (cos w sin k, cos w cos k, -sin w).
    EXPECT_NEAR(R[5], -std::sin(kop[0]), kTolerance);
    EXPECT_NEAR(R[3], std::cos(kop[0]) * std::sin(kop[2]), kTolerance);
}

TEST(RotationConvert, UnitsAndSpecialCases) {
    const vq::Matrix3 quarter = vq::rotation_matrix(RotationForm::opk, {0, 0, 100}, AngleUnit::gon);
    expect_same_matrix(quarter, {0, -1, 0, 1, 0, 0, 0, 0, 1}, kTolerance);
    const vq::Matrix3 none = vq::rotation_matrix(RotationForm::v20, {0, 0, 0}, AngleUnit::degrees);
    expect_same_matrix(none, {1, 0, 0, 0, 1, 0, 0, 0, 1}, 0.0);
    const vq::Matrix3 half = vq::rotation_matrix(RotationForm::v24, {0, 0, 2}, AngleUnit::radians);
    EXPECT_FALSE(vq::rotation_values(RotationForm::v26, half, AngleUnit::radians));
    const auto v20 = vq::rotation_values(RotationForm::v20, half, AngleUnit::degrees);
    EXPECT_NEAR((*v20)[2], 180.0, 1e-9);
    EXPECT_THROW(vq::rotation_matrix(RotationForm::v24, {2, 1, 0}, AngleUnit::radians), vq::RotationError);
    EXPECT_THROW(vq::rotation_matrix(RotationForm::v28, {3, 3, 3}, AngleUnit::radians), vq::RotationError);
    EXPECT_THROW(vq::rotation_matrix(RotationForm::matrix, {1, 0, 0, 0, 1, 0, 0, 0, -1}, AngleUnit::radians),
                 vq::RotationError);
    EXPECT_THROW(vq::rotation_matrix(RotationForm::opk, {1, 2}, AngleUnit::radians), vq::RotationError);
}

// Exact data: destination = an exactly known transformation of the source.
vq::PointTable table(const std::string& text) { return vq::parse_point_text(text, "exact.txt", {4, 6}); }

std::string similarity_pairs(double s, double theta, double tx, double ty) {
    std::string text;
    const double xs[] = {0, 10, 3, 7, 12, -4};
    const double ys[] = {0, 1, 9, -5, 6, 3};
    for (int i = 0; i < 6; ++i) {
        const double X = tx + s * (std::cos(theta) * xs[i] - std::sin(theta) * ys[i]);
        const double Y = ty + s * (std::sin(theta) * xs[i] + std::cos(theta) * ys[i]);
        char line[200];
        std::snprintf(line, sizeof line, "p%d %.17g %.17g %.17g %.17g\n", i, xs[i], ys[i], X, Y);
        text += line;
    }
    return text;
}

TEST(Fit, ExactSimilarityIsReproducedByEveryModel) {
    const vq::PointTable points = table(similarity_pairs(2.5, 0.4, 100, -50));
    for (auto kind : {vq::ModelKind::similarity, vq::ModelKind::affine, vq::ModelKind::poly2}) {
        const vq::FitResult fit = vq::fit_model(points, kind, {});
        EXPECT_LT(fit.rms, 1e-9) << vq::model_name(kind);
        for (bool b : fit.blunder) EXPECT_FALSE(b);
    }
    const vq::FitResult fit = vq::fit_model(points, vq::ModelKind::similarity, {});
    EXPECT_NEAR(fit.transform.similarity2d.escala, 2.5, kTolerance);
    EXPECT_NEAR(std::atan2(fit.transform.similarity2d.sen_giro, fit.transform.similarity2d.cos_giro), 0.4, kTolerance);
}

TEST(Fit, TranslationShiftsByTheCentroidDifference) {
    const vq::PointTable points = table("a 0 0 5 7\nb 2 0 7 7\nc 0 4 5 11\n");
    const vq::FitResult fit = vq::fit_model(points, vq::ModelKind::translation, {});
    EXPECT_LT(fit.rms, kTolerance);
    double out[2];
    const double in[2] = {100, 200};
    fit.transform.apply(in, out);
    EXPECT_NEAR(out[0], 105, kTolerance);
    EXPECT_NEAR(out[1], 207, kTolerance);
}

TEST(Fit, InverseUndoesEveryInvertibleModel) {
    const vq::PointTable points = table(similarity_pairs(0.7, -1.1, 3, 4) + "extra 1 1 5 5\n");
    for (auto kind : {vq::ModelKind::translation, vq::ModelKind::rigid, vq::ModelKind::similarity,
                      vq::ModelKind::affine}) {
        const vq::Transform t = vq::fit_model(points, kind, {}).transform;
        const vq::Transform inv = t.inverse();
        const double p[2] = {12.5, -3.25};
        double q[2], back[2];
        t.apply(p, q);
        inv.apply(q, back);
        EXPECT_NEAR(back[0], p[0], 1e-9) << vq::model_name(kind);
        EXPECT_NEAR(back[1], p[1], 1e-9) << vq::model_name(kind);
    }
}

TEST(Fit, ExactSevenParameterShiftAndItsInverse) {
    std::string text;
    const double R[9] = {0.8, -0.6, 0, 0.6, 0.8, 0, 0, 0, 1};  // a turn about z
    const double pts[5][3] = {{0, 0, 0}, {10, 0, 1}, {0, 12, -2}, {5, 5, 8}, {-7, 3, 2}};
    for (int i = 0; i < 5; ++i) {
        double X[3];
        for (int r = 0; r < 3; ++r)
            X[r] = 1000.0 * (r + 1) + 1.5 * (R[3 * r] * pts[i][0] + R[3 * r + 1] * pts[i][1] + R[3 * r + 2] * pts[i][2]);
        char line[300];
        std::snprintf(line, sizeof line, "s%d %.17g %.17g %.17g %.17g %.17g %.17g\n", i, pts[i][0], pts[i][1],
                      pts[i][2], X[0], X[1], X[2]);
        text += line;
    }
    const vq::FitResult fit = vq::fit_model(table(text), vq::ModelKind::similarity3d, {});
    EXPECT_NEAR(fit.transform.similarity3d.escala, 1.5, 1e-12);
    EXPECT_LT(fit.rms, 1e-9);
    const double p[3] = {3, -4, 5};
    double q[3], back[3];
    fit.transform.apply(p, q);
    fit.transform.inverse().apply(q, back);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(back[k], p[k], 1e-9);
}

TEST(Fit, UnconvergedRotationIsWarnedAbout) {
    // A quarter turn about x: the start from the x-y plane is too far away.
    std::string text;
    const double pts[10][3] = {{1, 2, 3}, {-4, 5, 1}, {7, -2, -6}, {0, 0, 9}, {-3, -8, 2},
                               {6, 6, -1}, {-9, 1, -4}, {2, -7, 5}, {5, 3, 8}, {-6, -5, -7}};
    for (int i = 0; i < 10; ++i) {
        char line[300];
        std::snprintf(line, sizeof line, "q%d %g %g %g %g %g %g\n", i, pts[i][0], pts[i][1], pts[i][2], pts[i][0] + 5,
                      -pts[i][2], pts[i][1]);
        text += line;
    }
    const vq::PointTable points = table(text);
    const vq::FitResult planar = vq::fit_model(points, vq::ModelKind::similarity3d, {});
    ASSERT_EQ(planar.warnings.size(), 1u);
    EXPECT_NE(planar.warnings[0].find("did not converge"), std::string::npos);
    vq::FitOptions general;
    general.general_start = true;
    const vq::FitResult fit = vq::fit_model(points, vq::ModelKind::similarity3d, general);
    EXPECT_TRUE(fit.warnings.empty());
    EXPECT_LT(fit.rms, 1e-6);
}

TEST(Fit, DegenerateAndShortSetsAreRefused) {
    EXPECT_THROW(vq::fit_model(table("a 0 0 1 1\n"), vq::ModelKind::rigid, {}), vq::FitError);
    EXPECT_THROW(vq::fit_model(table("a 0 0 1 1\nb 1 1 2 2\nc 2 2 3 5\n"), vq::ModelKind::affine, {}), vq::FitError);
    EXPECT_THROW(vq::fit_model(table("a 0 0 0 0\nb 1 0 1 0\nc 0 1 0 -1\nd 1 1 1 -1\n"), vq::ModelKind::similarity, {}),
                 vq::FitError);
    // The same mirrored set is an affine map.
    EXPECT_NO_THROW(vq::fit_model(table("a 0 0 0 0\nb 1 0 1 0\nc 0 1 0 -1\nd 1 1 1 -1\n"), vq::ModelKind::affine, {}));
    EXPECT_THROW(vq::fit_model(table("a 0 0 1 1\nb 1 1 2 2\n"), vq::ModelKind::similarity3d, {}), vq::FitError);
}

TEST(Fit, MirroredSetIsWarnedAbout) {
    const vq::FitResult fit =
        vq::fit_model(table("a 0 0 0 0\nb 4 0 4 0\nc 0 1 0 -1\nd 1 3 1 -3\n"), vq::ModelKind::similarity, {});
    ASSERT_EQ(fit.warnings.size(), 1u);
    EXPECT_NE(fit.warnings[0].find("mirror"), std::string::npos);
}

TEST(ModelFile, RecordsSurviveTheRoundTripBitForBit) {
    const vq::PointTable points = table(similarity_pairs(1.0 / 3.0, 0.123456789, 0.1, 0.7) + "q 2 2 0.3 0.9\n");
    for (auto kind : {vq::ModelKind::similarity, vq::ModelKind::poly2}) {
        const vq::Transform t = vq::fit_model(points, kind, {}).transform;
        const vq::Transform back = vq::parse_model_text(vq::model_file_text(t), "m.json");
        EXPECT_EQ(back.kind, t.kind);
        EXPECT_EQ(std::memcmp(&back.polynomial, &t.polynomial, sizeof t.polynomial), 0);
        EXPECT_EQ(std::memcmp(&back.similarity2d, &t.similarity2d, sizeof t.similarity2d), 0);
    }
}

TEST(ModelFile, BrokenFilesNameTheProblem) {
    auto error_of = [](const std::string& text) -> std::string {
        try {
            vq::parse_model_text(text, "m.json");
        } catch (const vq::InputError& e) {
            return e.what();
        }
        return "no error";
    };
    const std::string head = "{\"format\": \"vq-model\", \"version\": 2, ";
    const std::string affine = head + "\"model\": \"affine\", \"record\": {\"Trans_Polinomica2D\": ";
    // A valid similarity3d record with R and escala to be replaced.
    auto hel3d = [&](const std::string& escala, const std::string& R) {
        return head + "\"model\": \"similarity3d\", \"dimension\": 3, \"record\": {\"Hel3Dg\": {"
               "\"xm_origen\": 0, \"ym_origen\": 0, \"zm_origen\": 0, \"xm_destino\": 1, \"ym_destino\": 2, "
               "\"zm_destino\": 3, \"escala\": " + escala + ", \"R\": [" + R + "]}}}";
    };
    const struct {
        std::string text, message;
    } cases[] = {
        {"{", "m.json:1:2: not a valid model file (JSON): syntax error"},
        {"{\"format\": 7}", "m.json: not a vq model file"},
        {"{\"format\": \"other\"}", "m.json: not a vq model file"},
        {"{\"format\": \"vq-model\", \"model\": \"affine\"}", "m.json: the file has no \"version\""},
        {"{\"format\": \"vq-model\", \"version\": 99, \"model\": \"affine\"}",
         "m.json: model file version 99 is not supported (this vq reads versions 1 to 2)"},
        {"{\"format\": \"vq-model\", \"version\": \"2\"}", "m.json: \"version\" is not a whole number"},
        {head + "\"model\": \"cubic\", \"record\": {}}", "m.json: unknown model \"cubic\""},
        {head + "\"model\": \"affine\", \"dimension\": 3}", "m.json: \"dimension\" is 3, but model affine is 2D"},
        {affine + "{\"tipo\": 3, \"xm_origen\": 0}}}", "m.json: record.Trans_Polinomica2D has no \"ym_origen\""},
        {affine + "{\"tipo\": 3, \"xm_origen\": \"0\"}}}", "m.json: record.Trans_Polinomica2D.xm_origen is not a number"},
        {affine + "{\"tipo\": 3, \"xm_origen\": 1e400}}}", "m.json:1:115: not a valid model file (JSON): number overflow"},
        {hel3d("1", "2, 1,0,0, 0,1,0, 0,0,1"), "m.json: record.Hel3Dg.R is not an array of 9 numbers"},
        {hel3d("1", "1,0,0, 0,1,0, 0,0,-1"), "m.json: record.Hel3Dg.R is not a rotation"},
        {hel3d("1", "1,0,0, 0,1,0.001, 0,0,1"), "m.json: record.Hel3Dg.R is not a rotation"},
        {hel3d("0", "1,0,0, 0,1,0, 0,0,1"), "m.json: record.Hel3Dg.escala is not positive"},
        {hel3d("1", "1,0,0, 0,1,0, 0,0,1"), "no error"},
    };
    for (const auto& c : cases) {
        const std::string got = error_of(c.text);
        EXPECT_EQ(got.rfind(c.message, 0), 0u) << c.text << "\n  gave: " << got;
    }
}

TEST(Geometry, PrincipalAxesAreEigenvectors) {
    const double m[3][3] = {{4, 1, 0.5}, {1, 3, 0.2}, {0.5, 0.2, 1}};
    const auto axes = vq::principal_axes(m);
    double previous = 1e300;
    for (const auto& v : axes) {
        double mv[3];
        for (int i = 0; i < 3; ++i) mv[i] = m[i][0] * v[0] + m[i][1] * v[1] + m[i][2] * v[2];
        const double lambda = mv[0] * v[0] + mv[1] * v[1] + mv[2] * v[2];
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(mv[i], lambda * v[i], 1e-12);
        EXPECT_LE(lambda, previous);
        previous = lambda;
    }
}

TEST(Svg, EscapingAndNiceSteps) {
    EXPECT_EQ(vq::xml_escape("a<b>&\"'"), "a&lt;b&gt;&amp;&quot;&apos;");
    EXPECT_EQ(vq::xml_escape("\x01\xc3(\xc3\xa9\xed\xa0\x80"), "?" "?(\xc3\xa9?" "?" "?");
    EXPECT_EQ(vq::nice_below(7.3), 5.0);
    EXPECT_EQ(vq::nice_below(0.0042), 0.002);
    EXPECT_EQ(vq::nice_below(100.0), 100.0);
}

}  // namespace
