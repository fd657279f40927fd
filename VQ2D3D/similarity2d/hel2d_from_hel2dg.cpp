// Centroid form to translation form of a 2D similarity.
//
// With a = cos_giro / escala and b = sen_giro / escala (the inverse mapping's
// linear part), the translation (tx, ty) is the source point that maps onto
// the destination origin:
//   tx = (xm_origen - a*xm_destino) - b*ym_destino
//   ty = (ym_origen + b*xm_destino) - a*ym_destino
// The brackets fix the order of evaluation and so the rounding. escala,
// cos_giro and sen_giro are copied unchanged.
#include "VQ2D3D.h"
#include "records.hpp"

namespace vq {
namespace {

template <class T> Hel2D_t<T> translation_form(const Hel2Dg_t<T>& g) {
    const T a = g.cos_giro / g.escala;
    const T b = g.sen_giro / g.escala;
    Hel2D_t<T> h;
    h.tx = (g.xm_origen - a * g.xm_destino) - b * g.ym_destino;
    h.ty = (g.ym_origen + b * g.xm_destino) - a * g.ym_destino;
    h.escala = g.escala;
    h.cos_giro = g.cos_giro;
    h.sen_giro = g.sen_giro;
    return h;
}

}  // namespace
}  // namespace vq

Hel2D_fl Hel2D___Hel2Dg_fl(Hel2Dg_fl g) {
    return vq::translation_form<float>(g);
}

Hel2D_dbl Hel2D___Hel2Dg_dbl(Hel2Dg_dbl g) {
    return vq::translation_form<double>(g);
}
