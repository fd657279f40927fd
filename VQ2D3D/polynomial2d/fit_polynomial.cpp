// Least-squares fit of a 2D polynomial transformation, degree 0 to 3.
//
// Every model but the constant one starts from the 2D similarity of the pairs
// (centroid fit): with dx, dy the source point relative to the source
// centroid, the similarity carries it to
//   u = alpha*dx - beta*dy,  v = beta*dx + alpha*dy
// (alpha, beta = escala * (cos, sin); the scale is left out for tipo 1).
// For tipo >= 3 the part of the destination the similarity leaves unexplained,
// (DX - u, DY - v), is fitted by least squares as polynomials in u and v with
// the terms 1, u, v, u^2, uv, v^2, u^3, u^2 v, u v^2, v^3 (3, 6 or 10 of them),
// from one packed normal matrix and two right-hand sides solved together.
// The correction is then re-expanded in dx, dy and folded into the
// similarity, so that the record holds a single polynomial in dx, dy.
//
// Model codes: 0 centroids only, 1 rotation and shift, 2 similarity,
// 3 affine, 6 degree 2, 7 degree 3; codes above 7 become 7. Codes 4 and 5 are
// kept as given and fitted as the affine model: three terms per coordinate,
// linear coefficients only (the point transform uses nothing else for them).
//
// A point set whose similarity rotation is undefined (Sdot = Scross = 0, as
// for a mirrored, symmetric grid: rows counting down while northings count
// up) would poison every polynomial model with NaN although the polynomial is
// well determined. For tipo >= 3 the first stage then carries on with no
// rotation (alpha = escala, beta = 0) and the least-squares step absorbs the
// reflection. Whenever the rotation is finite the fit is left untouched.
//
// All arithmetic is in T; sums start from zero and add their terms in the
// order of the pairs, and each formula is evaluated left to right.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "VQ2D3D.h"
#include "VQmatrices.h"
#include "records.hpp"
#include "normal_equations.hpp"
#include "similarity2d/fit_paths.hpp"

namespace vq {
namespace {

constexpr uint32_t kHighestModel = 7;

// The two-right-hand-side packed solver of VQmatrices, bound by name.
inline void solve_two_right_hand_sides(float* p, float* b, float* h, uint32_t n) {
    resuelve_sistema_sim_t_2_fl(p, b, h, n);  // status ignored: a bad system shows in b, h
}
inline void solve_two_right_hand_sides(double* p, double* b, double* h, uint32_t n) {
    resuelve_sistema_sim_t_2_dbl(p, b, h, n);
}

// Number of terms per coordinate in the least-squares step of tipo >= 3.
constexpr int terms_of_model(uint32_t tipo) {
    return tipo == 7 ? 10 : tipo == 6 ? 6 : 3;
}

template <class T> Point2<T> point_at(const T* p) {
    return load_point<T>(address_of(p));
}

// tipo 0: the two centroids, summed straight into the record.
template <class T>
void fit_centroids(Trans_Polinomica2D_t<T>* t, const T* const* puntos, uint32_t n) {
    t->xm_origen = 0;
    t->ym_origen = 0;
    t->x0_destino = 0;
    t->y0_destino = 0;
    for (uint32_t k = 0; k < n; ++k) {
        const Point2<T> s = point_at(puntos[2 * static_cast<std::size_t>(k)]);
        const Point2<T> d = point_at(puntos[2 * static_cast<std::size_t>(k) + 1]);
        t->xm_origen += s.x;
        t->ym_origen += s.y;
        t->x0_destino += d.x;
        t->y0_destino += d.y;
    }
    const T w = T(1) / static_cast<T>(n);
    t->xm_origen *= w;
    t->ym_origen *= w;
    t->x0_destino *= w;
    t->y0_destino *= w;
}

// Quadratic and cubic coefficients in dx, dy of a correction c[0..N-1] in
// u, v: the exact re-expansion of c3 u^2 + c4 uv + c5 v^2 (+ the cubic terms)
// under u = alpha*dx - beta*dy, v = beta*dx + alpha*dy.
template <class T> void fold_higher_terms(const T* c, T alpha, T beta, uint32_t tipo, T* coef) {
    const T two = 2;
    const T three = 3;
    const T a2 = alpha * alpha, ab = alpha * beta, b2 = beta * beta;
    coef[2] = a2 * c[3] + ab * c[4] + b2 * c[5];
    coef[3] = (two * ab) * ((-c[3]) + c[5]) + (a2 - b2) * c[4];
    coef[4] = b2 * c[3] - ab * c[4] + a2 * c[5];
    if (tipo < 7) return;

    const T a3 = a2 * alpha, a2b = ab * alpha, b3 = b2 * beta, ab2 = b2 * alpha;
    const T p = a3 - two * ab2;
    const T q = two * a2b - b3;
    coef[5] = a3 * c[6] + a2b * c[7] + ab2 * c[8] + b3 * c[9];
    coef[6] = (-three * a2b) * c[6] + p * c[7] + q * c[8] + (three * ab2) * c[9];
    coef[7] = (three * ab2) * c[6] - q * c[7] + p * c[8] + (three * a2b) * c[9];
    coef[8] = (-b3) * c[6] + ab2 * c[7] - a2b * c[8] + a3 * c[9];
}

template <class T>
void fit_polynomial_2d(Trans_Polinomica2D_t<T>* t, const T* const* puntos, uint32_t n) {
    if (t->tipo > kHighestModel) t->tipo = kHighestModel;
    const uint32_t tipo = t->tipo;
    for (int k = 0; k < 9; ++k) {
        t->coef_x[k] = 0;
        t->coef_y[k] = 0;
    }
    if (tipo == 0) {
        fit_centroids(t, puntos, n);
        return;
    }

    // First stage: the same fit, with the same bits, as Hel2Dg___ptr_*.
    const Hel2Dg_t<T> g = fit_similarity_2d_fast<T>(PointerPairs<T>{puntos}, n);
    t->xm_origen = g.xm_origen;
    t->ym_origen = g.ym_origen;
    t->x0_destino = g.xm_destino;
    t->y0_destino = g.ym_destino;

    T alpha = g.cos_giro;
    T beta = g.sen_giro;
    if (tipo != 1) {
        alpha = alpha * g.escala;
        beta = beta * g.escala;
    }
    const bool rotation_defined = std::isfinite(g.cos_giro) && std::isfinite(g.sen_giro);
    if (tipo >= 3 && !rotation_defined) {
        // No usable rotation (e.g. a mirrored symmetric set): start from the
        // scale alone and let the polynomial take the reflection.
        alpha = g.escala;
        beta = 0;
    }

    if (tipo <= 2) {
        t->coef_x[0] = alpha;
        t->coef_x[1] = -beta;
        t->coef_y[0] = beta;
        t->coef_y[1] = alpha;
        return;
    }

    const int terms = terms_of_model(tipo);
    const SimilarityStart<T> start{g.xm_origen, g.ym_origen, g.xm_destino, g.ym_destino, alpha, beta};
    NormalEquations<T> e;
    accumulate_normal_equations(e, start, puntos, n, terms);
    T* P = e.P;
    T* rx = e.rx;
    T* ry = e.ry;

    solve_two_right_hand_sides(P, rx, ry, static_cast<uint32_t>(terms));

    t->x0_destino = t->x0_destino + rx[0];
    t->y0_destino = t->y0_destino + ry[0];
    // The similarity's own linear part enters as the 1 in (1 + a1), (1 + b2).
    const T one = 1;
    t->coef_x[0] = alpha * (one + rx[1]) + beta * rx[2];
    t->coef_x[1] = (-beta) * (one + rx[1]) + alpha * rx[2];
    t->coef_y[0] = alpha * ry[1] + beta * (one + ry[2]);
    t->coef_y[1] = (-beta) * ry[1] + alpha * (one + ry[2]);
    if (tipo < 6) return;
    fold_higher_terms(rx, alpha, beta, tipo, t->coef_x);
    fold_higher_terms(ry, alpha, beta, tipo, t->coef_y);
}

}  // namespace
}  // namespace vq

void Trans_Polinomica2D___puntosxy_fl(Trans_Polinomica2D_fl* t, const float* const* puntos,
                                      uint32_t n) {
    vq::fit_polynomial_2d<float>(t, puntos, n);
}

void Trans_Polinomica2D___puntosxy_dbl(Trans_Polinomica2D_dbl* t, const double* const* puntos,
                                       uint32_t n) {
    vq::fit_polynomial_2d<double>(t, puntos, n);
}
