// The 2D models through the polynomial fit. Its record is the least-squares
// solution of every model up to poly3, with one exception: the similarity
// (model code 2) carries the scale of the spreads, sqrt(Qd / Qo). The
// least-squares scale is (cos Sdot + sin Scross) / Qo with the same rotation
// and centroids, Sdot = sum a'.b', Scross = sum a' x b' over the centred
// source and destination points a', b', Qo = sum |a'|^2.
#include "fit_transform.hpp"

#include <cmath>
#include <limits>

namespace vq {

namespace {

double least_squares_scale(const PointPairs& pairs, const std::vector<std::size_t>& use, const Hel2Dg_dbl& h) {
    double dot = 0.0, cross = 0.0, qo = 0.0;
    for (std::size_t i : use) {
        const double ax = pairs.src(i)[0] - h.xm_origen, ay = pairs.src(i)[1] - h.ym_origen;
        const double bx = pairs.dst(i)[0] - h.xm_destino, by = pairs.dst(i)[1] - h.ym_destino;
        dot += ax * bx + ay * by;
        cross += ax * by - ay * bx;
        qo += ax * ax + ay * ay;
    }
    return (h.cos_giro * dot + h.sen_giro * cross) / qo;
}

}  // namespace

Transform fit_transform(const PointPairs& pairs, const std::vector<std::size_t>& use, ModelKind kind,
                        ScaleEstimator scale, RotationSolution* rotation, const std::string& name) {
    if (use.size() > std::numeric_limits<std::uint32_t>::max())
        throw FitError(name + ": more than 4294967295 control points");
    if (kind == ModelKind::similarity3d) {
        RotationSolution ignored;
        return fit_similarity3d(pairs, use, scale, rotation ? *rotation : ignored);
    }
    const auto count = static_cast<std::uint32_t>(use.size());
    std::vector<const double*> pointers(2 * use.size());
    for (std::size_t k = 0; k < use.size(); ++k) {
        pointers[2 * k] = pairs.src(use[k]);
        pointers[2 * k + 1] = pairs.dst(use[k]);
    }
    Transform t;
    t.kind = kind;
    t.scale = scale;
    t.polynomial.tipo = model_code(kind);
    Trans_Polinomica2D___puntosxy_dbl(&t.polynomial, pointers.data(), count);
    if (kind == ModelKind::translation) {
        // Model code 0 gives the two centroids only; unit linear terms make the
        // record a pure shift by their difference.
        t.polynomial.coef_x[0] = 1.0;
        t.polynomial.coef_y[1] = 1.0;
    }
    if (kind == ModelKind::rigid || kind == ModelKind::similarity) {
        Hel2Dg_dbl& h = t.similarity2d;
        h = Hel2Dg___ptr_dbl(pointers.data(), count);
        if (kind == ModelKind::rigid) h.escala = 1.0;
        if (kind == ModelKind::similarity && scale == ScaleEstimator::least_squares) {
            const double s = least_squares_scale(pairs, use, h);
            h.escala = s;
            t.polynomial.coef_x[0] = h.cos_giro * s;
            t.polynomial.coef_x[1] = -(h.sen_giro * s);
            t.polynomial.coef_y[0] = h.sen_giro * s;
            t.polynomial.coef_y[1] = h.cos_giro * s;
        }
    }
    return t;
}

}  // namespace vq
