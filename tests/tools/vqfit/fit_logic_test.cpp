// The tool's own logic over the libraries: rotation conversions, inverse
// models, model files, geometry checks and fits of exact data.
#include "geometry.hpp"
#include "adjustment.hpp"
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

vq::PointTable table(const std::string& text) { return vq::parse_point_text(text, "exact.txt", {4, 6}); }

TEST(ModelFile, RecordsSurviveTheRoundTripBitForBit) {
    const vq::PointTable points =
        table("a 0 0 0.1 0.7\nb 10 1 3 4.5\nc 3 9 -2 3.25\nd 7 -5 4 -1\ne 12 6 5.5 3\nf -4 3 -1.5 1.25\nq 2 2 0.3 0.9\n");
    for (auto kind : {vq::ModelKind::similarity, vq::ModelKind::poly2}) {
        const vq::Transform t = vq::fit_points(vq::point_pairs(points), {}, kind, {}, "m").transform;
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
