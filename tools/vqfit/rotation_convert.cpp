// From a matrix: opk by the guarded extraction; kop by the same extraction on
// the matrix with its axes relabelled cyclically (the kappa-omega-phi builder is
// the omega-phi-kappa one on relabelled axes); v24 by its guarded extraction;
// the other vectors from the unit quaternion (q0, q) with q = v24 / 2 and
// q0 = sqrt(1 + trace) / 2 >= 0: theta = 2 atan2(|q|, q0),
// v20 = theta q / |q|, v26 = 2 q / q0, v28_i = 2 asin(q_i).
#include "rotation_convert.hpp"

#include <VQ2D3D.h>

#include <cmath>

namespace vq {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct FormInfo {
    RotationForm form;
    const char* name;
};

constexpr FormInfo kForms[] = {{RotationForm::opk, "opk"}, {RotationForm::kop, "kop"}, {RotationForm::v20, "v20"},
                               {RotationForm::v24, "v24"}, {RotationForm::v26, "v26"}, {RotationForm::v28, "v28"},
                               {RotationForm::matrix, "matrix"}, {RotationForm::proj_pv, "proj-pv"},
                               {RotationForm::proj_cf, "proj-cf"}};

// PROJ turns arc seconds into radians by this factor; dividing by the same
// factor keeps the angles written for it exact.
constexpr double kRadiansPerArcsecond = (kPi / 180.0) / 3600.0;

double to_radians(double v, AngleUnit unit) {
    switch (unit) {
    case AngleUnit::degrees: return v * (kPi / 180.0);
    case AngleUnit::gon: return v * (kPi / 200.0);
    case AngleUnit::arcseconds: return v * kRadiansPerArcsecond;
    case AngleUnit::radians: break;
    }
    return v;
}

double from_radians(double v, AngleUnit unit) {
    switch (unit) {
    case AngleUnit::degrees: return v * (180.0 / kPi);
    case AngleUnit::gon: return v * (200.0 / kPi);
    case AngleUnit::arcseconds: return v / kRadiansPerArcsecond;
    case AngleUnit::radians: break;
    }
    return v;
}

// Tolerance for a matrix given by the user to count as a rotation.
constexpr double kOrthonormalTolerance = 1e-6;

void check_rotation(const Matrix3& R) {
    for (double v : R)
        if (!std::isfinite(v)) throw RotationError("the values give no finite rotation matrix");
    double worst = 0.0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            double dot = 0.0;
            for (int k = 0; k < 3; ++k) dot += R[3 * i + k] * R[3 * j + k];
            worst = std::fmax(worst, std::fabs(dot - (i == j ? 1.0 : 0.0)));
        }
    const double det = R[0] * (R[4] * R[8] - R[5] * R[7]) - R[1] * (R[3] * R[8] - R[5] * R[6]) +
                       R[2] * (R[3] * R[7] - R[4] * R[6]);
    if (worst > kOrthonormalTolerance || det < 0.0)
        throw RotationError("the matrix is not a rotation (R R^T = I within 1e-6 and det R = +1 are required)");
}

// R = Rx(a) Ry(b) Rz(c), turns about fixed axes applied to column vectors.
Matrix3 rotation_xyz(double a, double b, double c) {
    const double ca = std::cos(a), sa = std::sin(a), cb = std::cos(b), sb = std::sin(b);
    const double cc = std::cos(c), sc = std::sin(c);
    return {cb * cc,                -cb * sc,                sb,
            ca * sc + sa * sb * cc, ca * cc - sa * sb * sc,  -sa * cb,
            sa * sc - ca * sb * cc, sa * cc + ca * sb * sc,  ca * cb};
}

Matrix3 transposed(const Matrix3& R) { return {R[0], R[3], R[6], R[1], R[4], R[7], R[2], R[5], R[8]}; }

// a, b, c of R = Rx(a) Ry(b) Rz(c): R[0][2] = sin b; with cos b = 0 (b = +-90
// degrees) only a + c or a - c is fixed, and a = 0 is taken.
std::array<double, 3> angles_xyz(const Matrix3& R) {
    const double b = std::asin(std::fmax(-1.0, std::fmin(1.0, R[2])));
    if (std::hypot(R[0], R[1]) < 1e-12) return {0.0, b, std::atan2(R[3], R[4])};
    return {std::atan2(-R[5], R[8]), b, std::atan2(-R[1], R[0])};
}

}  // namespace

const std::vector<std::string>& rotation_form_names() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const auto& f : kForms) v.emplace_back(f.name);
        return v;
    }();
    return names;
}

std::optional<RotationForm> rotation_form_from_name(const std::string& name) {
    for (const auto& f : kForms)
        if (name == f.name) return f.form;
    return std::nullopt;
}

const char* rotation_form_name(RotationForm form) {
    for (const auto& f : kForms)
        if (f.form == form) return f.name;
    return "?";
}

bool form_has_angle_unit(RotationForm form) {
    return form == RotationForm::opk || form == RotationForm::kop || form == RotationForm::v20 ||
           form == RotationForm::v28;
}

bool is_proj_form(RotationForm form) { return form == RotationForm::proj_pv || form == RotationForm::proj_cf; }

std::size_t form_size(RotationForm form) { return form == RotationForm::matrix ? 9 : 3; }

Matrix3 rotation_matrix(RotationForm form, const std::vector<double>& values, AngleUnit unit) {
    if (values.size() != form_size(form))
        throw RotationError(std::string(rotation_form_name(form)) + " takes " + std::to_string(form_size(form)) +
                            " values, got " + std::to_string(values.size()));
    for (double v : values)
        if (!std::isfinite(v)) throw RotationError("non-finite input value");
    Matrix3 R{};
    if (form == RotationForm::matrix) {
        for (std::size_t i = 0; i < 9; ++i) R[i] = values[i];
        check_rotation(R);
        return R;
    }
    if (is_proj_form(form)) {
        const Matrix3 pv = rotation_xyz(to_radians(values[0], AngleUnit::arcseconds),
                                        to_radians(values[1], AngleUnit::arcseconds),
                                        to_radians(values[2], AngleUnit::arcseconds));
        return form == RotationForm::proj_pv ? pv : transposed(pv);
    }
    Angulos a{values[0], values[1], values[2]};
    if (form_has_angle_unit(form)) a = {to_radians(a.omega, unit), to_radians(a.fi, unit), to_radians(a.kappa, unit)};
    switch (form) {
    case RotationForm::opk: {
        const SenCos sc{std::sin(a.omega), std::cos(a.omega), std::sin(a.fi), std::cos(a.fi),
                        std::sin(a.kappa), std::cos(a.kappa)};
        MatrizRotGT_ωφκ(sc, R.data());
        break;
    }
    case RotationForm::kop: MatrizRot_κωφ(a, R.data()); break;
    case RotationForm::v20:
        // The rotation vector's builder divides by |v|^2, which underflows for
        // turns below 1e-154 rad. Below 1e-8 rad, 2 sin(theta/2) equals theta
        // to rounding, so the v24 builder gives the same matrix from the same
        // vector (the zero vector included).
        if (std::fmax(std::fabs(a.omega), std::fmax(std::fabs(a.fi), std::fabs(a.kappa))) < 1e-8)
            MatrizRot_24(a, R.data());
        else
            MatrizRot_20(a, R.data());
        break;
    case RotationForm::v24:
        if ((a.omega * a.omega + a.fi * a.fi) + a.kappa * a.kappa > 4.0)
            throw RotationError("a v24 vector has length at most 2 (2 sin(theta/2))");
        MatrizRot_24(a, R.data());
        break;
    case RotationForm::v26: MatrizRot_26(a, R.data()); break;
    case RotationForm::v28:
        if ((std::cos(a.omega) + std::cos(a.fi)) + std::cos(a.kappa) < 1.0)
            throw RotationError("these v28 angles are not the half-angle sines of a unit quaternion "
                                "(cos a1 + cos a2 + cos a3 must be at least 1)");
        MatrizRot_28(a, R.data());
        break;
    case RotationForm::matrix:
    case RotationForm::proj_pv:
    case RotationForm::proj_cf: break;
    }
    for (double v : R)
        if (!std::isfinite(v)) throw RotationError("the values give no finite rotation matrix");
    return R;
}

std::optional<std::vector<double>> rotation_values(RotationForm form, const Matrix3& R, AngleUnit unit) {
    auto angles = [&](double x, double y, double z) {
        return std::vector<double>{from_radians(x, unit), from_radians(y, unit), from_radians(z, unit)};
    };
    switch (form) {
    case RotationForm::matrix: return std::vector<double>(R.begin(), R.end());
    case RotationForm::opk: {
        const Angulos a = Gmatriz_ωφκ_seg(R.data());
        return angles(a.omega, a.fi, a.kappa);
    }
    case RotationForm::kop: {
        Matrix3 Q;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) Q[3 * i + j] = R[3 * ((i + 2) % 3) + (j + 2) % 3];
        const Angulos a = Gmatriz_ωφκ_seg(Q.data());  // (kappa, omega, phi) in the relabelled axes
        return angles(a.fi, a.kappa, a.omega);
    }
    case RotationForm::proj_pv:
    case RotationForm::proj_cf: {
        const auto a = angles_xyz(form == RotationForm::proj_pv ? R : transposed(R));
        return std::vector<double>{from_radians(a[0], AngleUnit::arcseconds), from_radians(a[1], AngleUnit::arcseconds),
                                   from_radians(a[2], AngleUnit::arcseconds)};
    }
    default: break;
    }
    const Angulos v = Gmatriz_24_seg(R.data());
    if (form == RotationForm::v24) return std::vector<double>{v.omega, v.fi, v.kappa};
    const double q[3] = {0.5 * v.omega, 0.5 * v.fi, 0.5 * v.kappa};
    const double trace = (R[0] + R[4]) + R[8];
    const double q0 = 0.5 * std::sqrt(std::fmax(0.0, 1.0 + trace));
    const double norm = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2]);
    switch (form) {
    case RotationForm::v20: {
        if (norm == 0.0) return angles(0.0, 0.0, 0.0);
        const double theta = 2.0 * std::atan2(norm, q0);
        return angles(theta * q[0] / norm, theta * q[1] / norm, theta * q[2] / norm);
    }
    case RotationForm::v26:
        if (!(q0 > 1e-12)) return std::nullopt;
        return std::vector<double>{2.0 * q[0] / q0, 2.0 * q[1] / q0, 2.0 * q[2] / q0};
    case RotationForm::v28: {
        auto half = [](double s) { return 2.0 * std::asin(std::fmax(-1.0, std::fmin(1.0, s))); };
        return angles(half(q[0]), half(q[1]), half(q[2]));
    }
    default: break;
    }
    return std::nullopt;
}

}  // namespace vq
