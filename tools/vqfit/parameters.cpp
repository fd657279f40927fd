// Derived parameters. 2D: the linear part L of the record (X = X0 + L (x - x0)),
// the image of the source origin as translation, and for the similarity family
// the scale s, ppm = (s - 1) * 1e6 and the rotation angle atan2(sin, cos),
// counterclockwise from the source x axis to the destination x axis.
// 3D: X = T + s R x with T = Xm - s R xm, and omega, phi, kappa of
// R = Rz(kappa) Ry(phi) Rx(omega), in degrees and arc seconds.
#include "parameters.hpp"

#include <cmath>

namespace vq {

namespace {

void add_angle(std::vector<Parameter>& out, const std::string& key, const std::string& what, double radians) {
    out.push_back({key + "_deg", what + " (degrees)", {radians * kDegreesPerRadian}, 9});
    out.push_back({key + "_gon", what + " (gon)", {radians * kGonPerRadian}, 9});
}

void describe_2d(const Transform& t, std::vector<Parameter>& out) {
    const Trans_Polinomica2D_dbl& p = t.polynomial;
    double origin[2];
    const double zero[2] = {0.0, 0.0};
    t.apply(zero, origin);
    switch (t.kind) {
    case ModelKind::translation:
        out.push_back({"translation", "translation (x, y)", {p.x0_destino - p.xm_origen, p.y0_destino - p.ym_origen}, 4});
        return;
    case ModelKind::rigid:
    case ModelKind::similarity: {
        const Hel2Dg_dbl& h = t.similarity2d;
        if (t.kind == ModelKind::similarity) {
            out.push_back({"scale", "scale", {h.escala}, 12});
            out.push_back({"scale_ppm", "scale - 1 (ppm)", {(h.escala - 1.0) * 1e6}, 3});
        }
        add_angle(out, "rotation", "rotation", std::atan2(h.sen_giro, h.cos_giro));
        out.push_back({"translation", "translation: image of the source origin (x, y)", {origin[0], origin[1]}, 4});
        const Hel2D_dbl d = Hel2D___Hel2Dg_dbl(h);
        out.push_back({"source_point_at_destination_origin", "source point mapped to the destination origin (x, y)",
                       {d.tx, d.ty}, 4});
        return;
    }
    default:
        break;
    }
    const double a = p.coef_x[0], b = p.coef_x[1], c = p.coef_y[0], d = p.coef_y[1];
    if (t.kind == ModelKind::affine) {
        out.push_back({"matrix", "linear part [a b; c d] (X = a x + b y + tx)", {a, b, c, d}, 12});
        out.push_back({"translation", "translation: image of the source origin (x, y)", {origin[0], origin[1]}, 4});
        out.push_back({"scale_x", "scale along source x", {std::hypot(a, c)}, 12});
        out.push_back({"scale_y", "scale along source y", {std::hypot(b, d)}, 12});
        add_angle(out, "rotation", "rotation of the source x axis", std::atan2(c, a));
        const double skew = std::atan2(a * b + c * d, a * d - b * c);  // angle between images of the axes, minus 90 deg
        add_angle(out, "shear", "non-orthogonality of the axes", skew);
        return;
    }
    const int terms = t.kind == ModelKind::poly2 ? 5 : 9;
    out.push_back({"source_centre", "source centre (x0, y0)", {p.xm_origen, p.ym_origen}, 6});
    out.push_back({"destination_at_centre", "image of the source centre (X0, Y0)", {p.x0_destino, p.y0_destino}, 6});
    out.push_back({"coef_x", "X coefficients of dx dy dx2 dxdy dy2 dx3 dx2dy dxdy2 dy3",
                   std::vector<double>(p.coef_x, p.coef_x + terms), 15});
    out.push_back({"coef_y", "Y coefficients of dx dy dx2 dxdy dy2 dx3 dx2dy dxdy2 dy3",
                   std::vector<double>(p.coef_y, p.coef_y + terms), 15});
}

void describe_3d(const Transform& t, std::vector<Parameter>& out) {
    const Hel3Dg_dbl& h = t.similarity3d;
    out.push_back({"scale", "scale", {h.escala}, 12});
    out.push_back({"scale_ppm", "scale - 1 (ppm)", {(h.escala - 1.0) * 1e6}, 4});
    double shift[3];
    const double zero[3] = {0.0, 0.0, 0.0};
    t.apply(zero, shift);
    out.push_back({"translation", "translation: image of the source origin (X, Y, Z)", {shift[0], shift[1], shift[2]}, 4});
    const Angulos a = Gmatriz_ωφκ_seg(h.R);
    const double angles[3] = {a.omega, a.fi, a.kappa};
    out.push_back({"omega_phi_kappa_deg", "omega, phi, kappa (degrees; R = Rz(kappa) Ry(phi) Rx(omega))",
                   {angles[0] * kDegreesPerRadian, angles[1] * kDegreesPerRadian, angles[2] * kDegreesPerRadian}, 9});
    out.push_back({"omega_phi_kappa_arcsec", "omega, phi, kappa (arc seconds)",
                   {angles[0] * kDegreesPerRadian * 3600.0, angles[1] * kDegreesPerRadian * 3600.0,
                    angles[2] * kDegreesPerRadian * 3600.0},
                   4});
    out.push_back({"rotation_matrix", "rotation matrix R (row by row)", std::vector<double>(h.R, h.R + 9), 15});
}

}  // namespace

std::vector<Parameter> describe_parameters(const Transform& t) {
    std::vector<Parameter> out;
    if (t.kind == ModelKind::similarity3d)
        describe_3d(t, out);
    else
        describe_2d(t, out);
    return out;
}

}  // namespace vq
