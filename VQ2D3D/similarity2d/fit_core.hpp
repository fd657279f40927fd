// The two-pass centroid fit of a 2D similarity, shared by every estimator.
//
// Given n pairs (source p_i, destination q_i):
//   first pass   centroids  po = r * sum p_i,  qo = r * sum q_i,  r = 1/n
//   second pass  with a_i = p_i - po, b_i = q_i - qo
//                Qo = sum |a_i|^2,  Qd = sum |b_i|^2,
//                Sdot = sum a_i . b_i,  Scross = sum a_i x b_i
//   escala = sqrt(Qd / Qo)
//   (cos_giro, sen_giro) = (Sdot, Scross) / sqrt(Sdot^2 + Scross^2)
//
// The estimators differ only in where pair i lives, so the fit is written
// once over a "pair reader": an object whose visit(n, f) calls f(source,
// destination) for i = 0 .. n-1 in increasing order. The same pairs in the
// same order therefore give bit-identical records whatever the layout.
// Everything is computed in T: the float twin never widens to double.
#pragma once

#include <cmath>
#include <cstdint>

#include "records.hpp"

namespace vq {

template <class T> struct Point2 {
    T x;
    T y;
};

// Scale and rotation from the four sums of the second pass.
template <class T> void set_scale_and_rotation(Hel2Dg_t<T>& g, T qo, T qd, T sdot, T scross) {
    g.escala = std::sqrt(qd / qo);
    const T k = T(1) / std::sqrt(sdot * sdot + scross * scross);
    g.cos_giro = sdot * k;
    g.sen_giro = scross * k;
}

// The fit as written above, one pair at a time: the reference for the vector
// kernels, and the fit itself where they do not exist.
template <class T, class PairReader>
Hel2Dg_t<T> fit_similarity_2d(const PairReader& pairs, uint32_t n) {
    T sxo = 0, syo = 0, sxd = 0, syd = 0;
    pairs.visit(n, [&](const Point2<T>& s, const Point2<T>& d) {
        sxo += s.x;
        syo += s.y;
        sxd += d.x;
        syd += d.y;
    });

    // One division shared by the four means; n = 0 gives 0 * inf = NaN.
    const T r = T(1) / static_cast<T>(n);
    Hel2Dg_t<T> g;
    g.xm_origen = sxo * r;
    g.ym_origen = syo * r;
    g.xm_destino = sxd * r;
    g.ym_destino = syd * r;

    // Products of deviations from the centroids, never of raw coordinates.
    // Each term is formed in full before it is added to its sum.
    T qo = 0, qd = 0, sdot = 0, scross = 0;
    pairs.visit(n, [&](const Point2<T>& s, const Point2<T>& d) {
        const T dxo = s.x - g.xm_origen;
        const T dyo = s.y - g.ym_origen;
        const T dxd = d.x - g.xm_destino;
        const T dyd = d.y - g.ym_destino;
        qo += dxo * dxo + dyo * dyo;
        qd += dxd * dxd + dyd * dyd;
        sdot += dxo * dxd + dyo * dyd;
        scross += dxo * dyd - dyo * dxd;
    });

    set_scale_and_rotation(g, qo, qd, sdot, scross);
    return g;
}

}  // namespace vq
