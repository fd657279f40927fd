// The model table and applying a fitted transformation, both ways.
#include "models.hpp"

#include "record_fields.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace vq {

namespace {

struct ModelInfo {
    ModelKind kind;
    const char* name;
    int dimension;
    std::uint32_t code;
    std::size_t minimum;
    std::size_t unknowns;
    std::size_t terms;
};

constexpr ModelInfo kModels[] = {
    {ModelKind::translation, "translation", 2, 0, 1, 2, 0},
    {ModelKind::rigid, "rigid", 2, 1, 2, 3, 0},
    {ModelKind::similarity, "similarity", 2, 2, 2, 4, 0},
    {ModelKind::affine, "affine", 2, 3, 3, 6, 3},
    {ModelKind::poly2, "poly2", 2, 6, 6, 12, 6},
    {ModelKind::poly3, "poly3", 2, 7, 10, 20, 10},
    {ModelKind::similarity3d, "similarity3d", 3, 0, 3, 7, 0},
};

// The table is in the order of ModelKind, so a model's row is its index
// (dimension() sits in the per-point loops).
const ModelInfo& info(ModelKind kind) { return kModels[static_cast<std::size_t>(kind)]; }

constexpr bool in_enum_order() {
    for (std::size_t k = 0; k < std::size(kModels); ++k)
        if (static_cast<std::size_t>(kModels[k].kind) != k) return false;
    return true;
}
static_assert(in_enum_order(), "kModels must list the models in the order of ModelKind");

// Newton's method stops when a step moves the point by less than this share
// of its position (a few units in the last place).
constexpr double kNewtonStep = 1e-14;
constexpr int kNewtonIterations = 60;
// The accepted inverse maps back onto the given point to this share of the
// point's own magnitude.
constexpr double kInverseTolerance = 1e-9;

// Value and Jacobian of the polynomial part at (dx, dy), the monomials of
// dx, dy, dx2, dxdy, dy2, dx3, dx2dy, dxdy2, dy3.
void polynomial_jacobian(const Trans_Polinomica2D_dbl& p, double dx, double dy, double (&J)[2][2]) {
    const double* cs[2] = {p.coef_x, p.coef_y};
    for (int r = 0; r < 2; ++r) {
        const double* c = cs[r];
        J[r][0] = c[0] + 2 * c[2] * dx + c[3] * dy + 3 * c[5] * dx * dx + 2 * c[6] * dx * dy + c[7] * dy * dy;
        J[r][1] = c[1] + c[3] * dx + 2 * c[4] * dy + c[6] * dx * dx + 2 * c[7] * dx * dy + 3 * c[8] * dy * dy;
    }
}

}  // namespace

std::optional<ModelKind> model_from_name(std::string_view name) {
    for (const auto& m : kModels)
        if (name == m.name) return m.kind;
    return std::nullopt;
}

const char* model_name(ModelKind kind) { return info(kind).name; }

const std::vector<std::string>& model_names() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const auto& m : kModels) v.emplace_back(m.name);
        return v;
    }();
    return names;
}

int model_dimension(ModelKind kind) { return info(kind).dimension; }
std::uint32_t model_code(ModelKind kind) { return info(kind).code; }
std::size_t minimum_points(ModelKind kind) { return info(kind).minimum; }
std::size_t model_unknowns(ModelKind kind) { return info(kind).unknowns; }
std::size_t polynomial_terms(ModelKind kind) { return info(kind).terms; }

const char* scale_estimator_name(ScaleEstimator estimator) {
    return estimator == ScaleEstimator::symmetric ? "symmetric" : "least_squares";
}

void Transform::apply(const double* in, double* out) const {
    if (kind == ModelKind::similarity3d) {
        const Hel3Dg_dbl& h = similarity3d;
        const double a[3] = {in[0] - h.xm_origen, in[1] - h.ym_origen, in[2] - h.zm_origen};
        const double centre[3] = {h.xm_destino, h.ym_destino, h.zm_destino};
        for (int i = 0; i < 3; ++i) {
            const double r = h.R[3 * i] * a[0] + h.R[3 * i + 1] * a[1] + h.R[3 * i + 2] * a[2];
            out[i] = centre[i] + h.escala * r;
        }
        return;
    }
    double point[2] = {in[0], y_down ? -in[1] : in[1]};
    transforma_punto2D_dbl(&polynomial, point);
    out[0] = point[0];
    out[1] = point[1];
}

bool Transform::apply_inverse(const double* in, double* out) const {
    if (kind == ModelKind::similarity3d) {
        const Hel3Dg_dbl& h = similarity3d;
        const double b[3] = {in[0] - h.xm_destino, in[1] - h.ym_destino, in[2] - h.zm_destino};
        const double centre[3] = {h.xm_origen, h.ym_origen, h.zm_origen};
        for (int i = 0; i < 3; ++i) {
            const double r = h.R[i] * b[0] + h.R[3 + i] * b[1] + h.R[6 + i] * b[2];  // R^T b
            out[i] = centre[i] + r / h.escala;
        }
        return std::isfinite(out[0]) && std::isfinite(out[1]) && std::isfinite(out[2]);
    }
    const Trans_Polinomica2D_dbl& p = polynomial;
    const double target[2] = {in[0], in[1]};
    // The linear part first: exact for models up to degree 1, the start of
    // Newton's method for poly2 and poly3.
    const double a = p.coef_x[0], b = p.coef_x[1], c = p.coef_y[0], d = p.coef_y[1];
    const double det = a * d - b * c;
    const double u = target[0] - p.x0_destino, w = target[1] - p.y0_destino;
    double dx = (d * u - b * w) / det;
    double dy = (a * w - c * u) / det;
    bool ok = std::isfinite(dx) && std::isfinite(dy);
    if (ok && (kind == ModelKind::poly2 || kind == ModelKind::poly3)) {
        // Iterate until a step is below the rounding of the point itself (its
        // position, not only its offset from the centre: near the centre the
        // offset is small and the steps settle at the ulps of the position),
        // then accept what maps back onto the target.
        for (int k = 0; k < kNewtonIterations && std::isfinite(dx) && std::isfinite(dy); ++k) {
            double image[2] = {p.xm_origen + dx, p.ym_origen + dy};
            transforma_punto2D_dbl(&p, image);
            double J[2][2];
            polynomial_jacobian(p, dx, dy, J);
            const double jdet = J[0][0] * J[1][1] - J[0][1] * J[1][0];
            const double ex = target[0] - image[0], ey = target[1] - image[1];
            const double sx = (J[1][1] * ex - J[0][1] * ey) / jdet;
            const double sy = (J[0][0] * ey - J[1][0] * ex) / jdet;
            dx += sx;
            dy += sy;
            const double position = std::hypot(p.xm_origen + dx, p.ym_origen + dy) + std::hypot(dx, dy);
            if (std::hypot(sx, sy) <= kNewtonStep * (1.0 + position)) break;
        }
        double image[2] = {p.xm_origen + dx, p.ym_origen + dy};
        transforma_punto2D_dbl(&p, image);
        const double miss = std::hypot(image[0] - target[0], image[1] - target[1]);
        ok = miss <= kInverseTolerance * (1.0 + std::hypot(target[0], target[1]));
    }
    out[0] = p.xm_origen + dx;
    out[1] = p.ym_origen + dy;
    if (y_down) out[1] = -out[1];
    return ok && std::isfinite(out[0]) && std::isfinite(out[1]);
}

bool Transform::finite() const { return record_finite(*this); }

}  // namespace vq
