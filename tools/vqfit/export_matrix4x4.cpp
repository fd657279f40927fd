// The homogeneous matrix M with (X, 1) = M (x, 1), four rows of four numbers:
// for the 3D similarity [s R | T] with T = Xm - s R xm; for a 2D linear model
// its 2x2 part and shift, z kept. The matrix form folds the centring into T,
// so applying it rounds differently from the record (to about 1e-16 of the
// coordinates' size).
#include "exports.hpp"

namespace vq {

std::string export_matrix4x4(const Transform& t) {
    double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    if (t.kind == ModelKind::similarity3d) {
        const Hel3Dg_dbl& h = t.similarity3d;
        double shift[3];
        const double zero[3] = {0.0, 0.0, 0.0};
        t.apply(zero, shift);
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) m[4 * i + j] = h.escala * h.R[3 * i + j];
            m[4 * i + 3] = shift[i];
        }
    } else if (is_linear_2d(t.kind)) {
        const Linear2D l = linear_part(t);
        m[0] = l.a, m[1] = l.b, m[3] = l.tx;
        m[4] = l.c, m[5] = l.d, m[7] = l.ty;
    } else {
        throw UsageError(std::string("a 4x4 matrix holds a linear map; model ") + model_name(t.kind) + " is not one");
    }
    std::string out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) out += exact_number(m[4 * i + j]) + (j == 3 ? "\n" : " ");
    return out;
}

}  // namespace vq
