// PROJ pipelines that map as the records do, step for step:
//  - 2D linear models: centre (affine offsets -xm, -ym; the y-down mirror as
//    s22 = -1), the linear part (affine s11 s12 s21 s22 with no offset), then
//    the destination centre (affine offsets X0, Y0). PROJ's affine sums
//    xoff + s11 x + s12 y + s13 z from the left, so each step gives the same
//    bits as the record: 0 + a dx + b dy + 0 z, then X0 + X' + 0 + 0.
//  - poly2/poly3: horner with fwd_origin (xm, ym) and a zero constant, then
//    the destination centre. Horner's real fwd_u runs by the power of y, then
//    of x: 1 x x2 x3 y xy x2y y2 xy2 y3 (degree 3), and fwd_v the other way
//    round: 1 y y2 y3 x xy xy2 x2 x2y x3 (found by feeding cct unit
//    coefficients); the record's run dx dy dx2 dxdy dy2 dx3 dx2dy dxdy2 dy3.
//    Horner's nesting rounds
//    differently from the record's sums: equal to rounding of the
//    polynomial's terms, far below 1e-9 m.
//  - similarity3d: centre (affine offsets -xm), then helmert with the
//    destination centre as translation, the scale in ppm and the rotation as
//    position-vector angles (arc seconds) with +exact: PROJ computes
//    T + (1 + s 1e-6) R a, the record's Xm + escala R a, with R rebuilt from
//    the angles to rounding.
#include "exports.hpp"

#include "rotation_convert.hpp"

namespace vq {

namespace {

std::string n(double v) { return exact_number(v); }

}  // namespace

std::string export_proj(const Transform& t) {
    std::string out = "+proj=pipeline";
    if (t.kind == ModelKind::similarity3d) {
        const Hel3Dg_dbl& h = t.similarity3d;
        Matrix3 R;
        std::copy(h.R, h.R + 9, R.begin());
        const auto pv = rotation_values(RotationForm::proj_pv, R, AngleUnit::arcseconds);
        out += " +step +proj=affine +xoff=" + n(-h.xm_origen) + " +yoff=" + n(-h.ym_origen) + " +zoff=" + n(-h.zm_origen);
        out += " +step +proj=helmert +x=" + n(h.xm_destino) + " +y=" + n(h.ym_destino) + " +z=" + n(h.zm_destino);
        out += " +rx=" + n((*pv)[0]) + " +ry=" + n((*pv)[1]) + " +rz=" + n((*pv)[2]);
        out += " +s=" + n((h.escala - 1.0) * 1e6) + " +convention=position_vector +exact\n";
        return out;
    }
    const Trans_Polinomica2D_dbl& p = t.polynomial;
    const std::string mirror = t.y_down ? " +s22=-1" : "";
    if (is_linear_2d(t.kind)) {
        out += " +step +proj=affine +xoff=" + n(-p.xm_origen) + " +yoff=" + n(-p.ym_origen) + mirror;
        out += " +step +proj=affine +s11=" + n(p.coef_x[0]) + " +s12=" + n(p.coef_x[1]) + " +s21=" + n(p.coef_y[0]) +
               " +s22=" + n(p.coef_y[1]);
    } else {
        if (t.y_down) out += " +step +proj=affine +s22=-1";
        const bool cubic = t.kind == ModelKind::poly3;
        // Record index of each horner coefficient after the constant.
        static const int kQuadraticU[] = {0, 2, 1, 3, 4}, kQuadraticV[] = {1, 4, 0, 3, 2};
        static const int kCubicU[] = {0, 2, 5, 1, 3, 6, 4, 7, 8}, kCubicV[] = {1, 4, 8, 0, 3, 7, 2, 6, 5};
        const int* order_u = cubic ? kCubicU : kQuadraticU;
        const int* order_v = cubic ? kCubicV : kQuadraticV;
        const int terms = cubic ? 9 : 5;
        std::string u = "0", v = "0";
        for (int k = 0; k < terms; ++k) {
            u += "," + n(p.coef_x[order_u[k]]);
            v += "," + n(p.coef_y[order_v[k]]);
        }
        out += " +step +proj=horner +ellps=GRS80 +range=1e30 +deg=" + std::string(cubic ? "3" : "2") +
               " +fwd_origin=" + n(p.xm_origen) + "," + n(p.ym_origen) + " +fwd_u=" + u + " +fwd_v=" + v;
    }
    out += " +step +proj=affine +xoff=" + n(p.x0_destino) + " +yoff=" + n(p.y0_destino) + "\n";
    return out;
}

}  // namespace vq
