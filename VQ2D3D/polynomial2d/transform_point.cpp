// Maps one point in place through a 2D polynomial transformation record.
//
// With dx = x - xm_origen, dy = y - ym_origen:
//   X = x0_destino + (cx0 dx + cx1 dy)
//                  + (cx2 dx^2 + cx3 dx dy + cx4 dy^2)              tipo >= 6
//                  + (cx5 dx^3 + cx6 dx^2 dy + cx7 dx dy^2 + cx8 dy^3)  tipo >= 7
// and Y likewise with coef_y. Codes 0 to 5 use the linear terms only;
// coefficients beyond the model are ignored whatever they hold. Each group is
// summed left to right before it is added, which fixes the rounding.
// The point is copied in and out with memcpy: it may lie at any byte address.
#include <cstring>

#include "VQ2D3D.h"
#include "records.hpp"

namespace vq {
namespace {

template <class T> void transform_point_2d(const Trans_Polinomica2D_t<T>& t, T* punto) {
    T xy[2];
    std::memcpy(xy, punto, sizeof xy);
    const T dx = xy[0] - t.xm_origen;
    const T dy = xy[1] - t.ym_origen;
    const T* cx = t.coef_x;
    const T* cy = t.coef_y;
    T X = cx[0] * dx + cx[1] * dy;
    T Y = cy[0] * dx + cy[1] * dy;
    if (t.tipo >= 6) {
        const T xx = dx * dx, xy = dx * dy, yy = dy * dy;
        X = X + (cx[2] * xx + cx[3] * xy + cx[4] * yy);
        Y = Y + (cy[2] * xx + cy[3] * xy + cy[4] * yy);
        if (t.tipo >= 7) {
            const T xxx = xx * dx, xxy = xy * dx, xyy = yy * dx, yyy = yy * dy;
            X = X + (cx[5] * xxx + cx[6] * xxy + cx[7] * xyy + cx[8] * yyy);
            Y = Y + (cy[5] * xxx + cy[6] * xxy + cy[7] * xyy + cy[8] * yyy);
        }
    }
    xy[0] = t.x0_destino + X;
    xy[1] = t.y0_destino + Y;
    std::memcpy(punto, xy, sizeof xy);
}

}  // namespace
}  // namespace vq

void transforma_punto2D_fl(const Trans_Polinomica2D_fl* t, float* punto) {
    vq::transform_point_2d<float>(*t, punto);
}

void transforma_punto2D_dbl(const Trans_Polinomica2D_dbl* t, double* punto) {
    vq::transform_point_2d<double>(*t, punto);
}
