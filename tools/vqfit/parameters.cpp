// Derived parameters. 2D: the linear part L of the record (X = X0 + L (x - x0)),
// the image of the source origin as translation, and for the similarity family
// the scale s, ppm = (s - 1) * 1e6 and the rotation angle atan2(sin, cos),
// counterclockwise from the source x axis to the destination x axis; for the
// affine model also the axes' scales, the rotation of the x axis and the
// non-orthogonality of the axes' images (positive when they close in below
// 90 degrees; a mirrored map is reported as such, not as a 180-degree shear).
// 3D: X = T + s R x with T = Xm - s R xm, and omega, phi, kappa of
// R = Rz(kappa) Ry(phi) Rx(omega), in degrees and arc seconds.
//
// Values come from the records as fitted; standard deviations from the same
// quantities written over Duals of the internal parameters (quality.hpp).
#include "parameters.hpp"

#include "dual.hpp"
#include "quality.hpp"

#include <cmath>

namespace vq {

namespace {

struct Builder {
    std::vector<Parameter>& out;
    const Quality* quality;

    void add(const std::string& key, const std::string& label, std::vector<double> values, int decimals,
             const std::vector<Dual>& derived = {}, bool in_text = true) {
        Parameter p{key, label, std::move(values), decimals, {}, in_text};
        if (quality && derived.size() == p.values.size())
            for (const Dual& d : derived) p.sd.push_back(standard_deviation(d, *quality));
        out.push_back(std::move(p));
    }

    void angle(const std::string& key, const std::string& what, double radians, const Dual& derived) {
        add(key + "_deg", what + " (degrees)", {radians * kDegreesPerRadian}, 9, {derived * kDegreesPerRadian});
        add(key + "_gon", what + " (gon)", {radians * kGonPerRadian}, 9, {derived * kGonPerRadian});
    }

    void scale(double s, const Dual& derived) {
        add("scale", "scale", {s}, 12, {derived});
        add("scale_ppm", "scale - 1 (ppm)", {(s - 1.0) * 1e6}, 3, {(derived - 1.0) * 1e6},
            std::fabs(s - 1.0) < kPpmScaleRange);
    }
};

void describe_2d(const Transform& t, Builder& b) {
    const Trans_Polinomica2D_dbl& p = t.polynomial;
    const std::vector<Dual> x = internal_parameters(t);
    const double xm = p.xm_origen, ym = p.ym_origen;
    double origin[2];
    const double zero[2] = {0.0, 0.0};
    t.apply(zero, origin);
    const std::string translation = "translation: image of the source origin (X, Y)";
    switch (t.kind) {
    case ModelKind::translation:
        b.add("translation", "translation (X, Y)", {p.x0_destino - xm, p.y0_destino - ym}, 4, {x[0] - xm, x[1] - ym});
        return;
    case ModelKind::rigid:
    case ModelKind::similarity: {
        const Hel2Dg_dbl& h = t.similarity2d;
        Dual a, bb, angle;
        if (t.kind == ModelKind::similarity) {
            a = x[0];
            bb = x[1];
            angle = atan2(bb, a);
            b.scale(h.escala, hypot(a, bb));
        } else {
            angle = x[0];
            a = cos(angle);
            bb = sin(angle);
        }
        const Dual& X0 = x[x.size() - 2];
        const Dual& Y0 = x[x.size() - 1];
        b.angle("rotation", "rotation", std::atan2(h.sen_giro, h.cos_giro), angle);
        // The origin's image X0 - L xm, with L = [a -b; b a] and xm the
        // record's centroid (mirrored already for y-down models).
        b.add("translation", translation, {origin[0], origin[1]}, 4,
              {X0 - (a * xm - bb * ym), Y0 - (bb * xm + a * ym)});
        const Hel2D_dbl d = Hel2D___Hel2Dg_dbl(h);
        const Dual q = a * a + bb * bb;
        b.add("source_point_at_destination_origin", "source point mapped to the destination origin (x, y)",
              {d.tx, t.y_down ? -d.ty : d.ty}, 4,
              {xm - (a * X0 + bb * Y0) / q, (t.y_down ? -1.0 : 1.0) * (ym - (a * Y0 - bb * X0) / q)});
        return;
    }
    default:
        break;
    }
    const std::size_t terms = polynomial_terms(t.kind);
    const Dual &X0 = x[0], &Y0 = x[terms];
    if (t.kind == ModelKind::affine) {
        const Dual &a = x[1], &bb = x[2], &c = x[terms + 1], &d = x[terms + 2];
        b.add("matrix", t.y_down ? "linear part [a b; c d] (X = a x - b y + tx: y mirrored)"
                                 : "linear part [a b; c d] (X = a x + b y + tx)", {p.coef_x[0], p.coef_x[1], p.coef_y[0], p.coef_y[1]},
              12, {a, bb, c, d});
        b.add("translation", translation, {origin[0], origin[1]}, 4, {X0 - (a * xm + bb * ym), Y0 - (c * xm + d * ym)});
        const Dual det = a * d - bb * c;
        b.add("scale_x", "scale along source x", {std::hypot(a.v, c.v)}, 12, {hypot(a, c)});
        b.add("scale_y", "scale along source y", {std::hypot(bb.v, d.v)}, 12, {hypot(bb, d)});
        b.angle("rotation", "rotation of the source x axis", std::atan2(c.v, a.v), atan2(c, a));
        const Dual shear = atan2(a * bb + c * d, abs(det));
        b.angle("shear", "non-orthogonality of the axes", shear.v, shear);
        b.add("mirrored", "mirror image (determinant < 0: 1 yes, 0 no)", {det.v < 0 ? 1.0 : 0.0}, 0);
        return;
    }
    b.add("source_centre", "source centre (x0, y0)", {xm, ym}, 6);
    b.add("destination_at_centre", "image of the source centre (X0, Y0)", {p.x0_destino, p.y0_destino}, 6, {X0, Y0});
    std::vector<Dual> cx(x.begin() + 1, x.begin() + static_cast<std::ptrdiff_t>(terms));
    std::vector<Dual> cy(x.begin() + static_cast<std::ptrdiff_t>(terms) + 1, x.end());
    b.add("coef_x", "X coefficients of dx dy dx2 dxdy dy2 dx3 dx2dy dxdy2 dy3",
          std::vector<double>(p.coef_x, p.coef_x + (terms - 1)), 15, cx);
    b.add("coef_y", "Y coefficients of dx dy dx2 dxdy dy2 dx3 dx2dy dxdy2 dy3",
          std::vector<double>(p.coef_y, p.coef_y + (terms - 1)), 15, cy);
}

void describe_3d(const Transform& t, Builder& b) {
    const Hel3Dg_dbl& h = t.similarity3d;
    const std::vector<Dual> x = internal_parameters(t);
    // R(t) = (I + [t]x) R0 to first order in the small rotation t.
    const Dual zero(0.0);
    const Dual cross[3][3] = {{zero, -x[6], x[5]}, {x[6], zero, -x[4]}, {-x[5], x[4], zero}};
    Dual R[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            R[i][j] = Dual(h.R[3 * i + j]);
            for (int k = 0; k < 3; ++k) R[i][j] = R[i][j] + cross[i][k] * h.R[3 * k + j];
        }
    b.scale(h.escala, x[3]);
    double shift[3];
    const double origin[3] = {0.0, 0.0, 0.0};
    t.apply(origin, shift);
    const double xm[3] = {h.xm_origen, h.ym_origen, h.zm_origen};
    std::vector<Dual> T;
    for (int i = 0; i < 3; ++i) T.push_back(x[i] - x[3] * (R[i][0] * xm[0] + R[i][1] * xm[1] + R[i][2] * xm[2]));
    b.add("translation", "translation: image of the source origin (X, Y, Z)", {shift[0], shift[1], shift[2]}, 4, T);
    const Angulos a = Gmatriz_ωφκ_seg(h.R);
    const std::vector<Dual> angles = {atan2(R[2][1], R[2][2]), asin(-R[2][0]), atan2(R[1][0], R[0][0])};
    std::vector<Dual> deg, sec;
    for (const Dual& d : angles) {
        deg.push_back(d * kDegreesPerRadian);
        sec.push_back(d * (kDegreesPerRadian * 3600.0));
    }
    b.add("omega_phi_kappa_deg", "omega, phi, kappa (degrees; R = Rz(kappa) Ry(phi) Rx(omega))",
          {a.omega * kDegreesPerRadian, a.fi * kDegreesPerRadian, a.kappa * kDegreesPerRadian}, 9, deg);
    b.add("omega_phi_kappa_arcsec", "omega, phi, kappa (arc seconds)",
          {a.omega * kDegreesPerRadian * 3600.0, a.fi * kDegreesPerRadian * 3600.0,
           a.kappa * kDegreesPerRadian * 3600.0},
          4, sec);
    b.add("rotation_matrix", "rotation matrix R (row by row)", std::vector<double>(h.R, h.R + 9), 15);
}

}  // namespace

std::vector<Parameter> describe_parameters(const Transform& t, const Quality* quality) {
    std::vector<Parameter> out;
    Builder b{out, quality};
    if (t.kind == ModelKind::similarity3d)
        describe_3d(t, b);
    else
        describe_2d(t, b);
    return out;
}

}  // namespace vq
