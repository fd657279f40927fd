// Fitting through the library and the residual statistics.
//
// Residuals are v = observed destination - transformed source, per point, with
// length |v|; rms = sqrt(sum |v|^2 / n), and a point is a suspected blunder when
// |v| > 3 rms. Geometry is checked before fitting (coincident or collinear
// points), and every fitted record is checked for finiteness afterwards, so a
// non-finite parameter is never reported as a result.
#include "models.hpp"

#include "geometry.hpp"
#include "point_file.hpp"
#include "record_fields.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vq {

namespace {

struct ModelInfo {
    ModelKind kind;
    const char* name;
    int dimension;
    std::uint32_t code;
    std::size_t minimum;
};

constexpr ModelInfo kModels[] = {
    {ModelKind::translation, "translation", 2, 0, 1},
    {ModelKind::rigid, "rigid", 2, 1, 2},
    {ModelKind::similarity, "similarity", 2, 2, 2},
    {ModelKind::affine, "affine", 2, 3, 3},
    {ModelKind::poly2, "poly2", 2, 6, 6},
    {ModelKind::poly3, "poly3", 2, 7, 10},
    {ModelKind::similarity3d, "similarity3d", 3, 0, 3},
};

const ModelInfo& info(ModelKind kind) {
    for (const auto& m : kModels)
        if (m.kind == kind) return m;
    return kModels[0];
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
bool has_closed_form_inverse(ModelKind kind) {
    return kind != ModelKind::poly2 && kind != ModelKind::poly3;
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

Transform Transform::inverse() const {
    Transform inv = *this;
    if (kind == ModelKind::similarity3d) {
        const Hel3Dg_dbl& h = similarity3d;
        Hel3Dg_dbl& g = inv.similarity3d;
        g.xm_origen = h.xm_destino;
        g.ym_origen = h.ym_destino;
        g.zm_origen = h.zm_destino;
        g.xm_destino = h.xm_origen;
        g.ym_destino = h.ym_origen;
        g.zm_destino = h.zm_origen;
        g.escala = 1.0 / h.escala;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) g.R[3 * i + j] = h.R[3 * j + i];
        return inv;
    }
    // The linear part of a model up to degree 1 is a 2x2 matrix L; the inverse
    // maps the destination centre back to the source centre through L^-1.
    const Trans_Polinomica2D_dbl& t = polynomial;
    Trans_Polinomica2D_dbl& u = inv.polynomial;
    const double a = t.coef_x[0], b = t.coef_x[1], c = t.coef_y[0], d = t.coef_y[1];
    const double det = a * d - b * c;
    u.xm_origen = t.x0_destino;
    u.ym_origen = t.y0_destino;
    u.x0_destino = t.xm_origen;
    u.y0_destino = t.ym_origen;
    u.coef_x[0] = d / det;
    u.coef_x[1] = -b / det;
    u.coef_y[0] = -c / det;
    u.coef_y[1] = a / det;
    if (kind == ModelKind::rigid || kind == ModelKind::similarity) {
        const Hel2Dg_dbl& h = similarity2d;
        Hel2Dg_dbl& g = inv.similarity2d;
        g.xm_origen = h.xm_destino;
        g.ym_origen = h.ym_destino;
        g.xm_destino = h.xm_origen;
        g.ym_destino = h.ym_origen;
        g.escala = 1.0 / h.escala;
        g.sen_giro = -h.sen_giro;
    }
    return inv;
}

bool Transform::finite() const { return record_finite(*this); }

namespace {

// Relative size of the optimality condition accepted as converged; the
// estimator solves its correction equations in single precision.
constexpr double kRotationTolerance = 1e-5;

[[noreturn]] void degenerate(const PointTable& points, const std::string& why) {
    throw FitError(points.file_name() + ": degenerate geometry: " + why);
}

void check_geometry(const PointTable& points, ModelKind kind) {
    const int dim = model_dimension(kind);
    const std::size_t n = points.size();
    const char* name = model_name(kind);
    if (n < minimum_points(kind)) {
        throw FitError(points.file_name() + ": " + std::to_string(n) + " point" + (n == 1 ? "" : "s") +
                       "; model " + name + " needs at least " + std::to_string(minimum_points(kind)) +
                       (kind == ModelKind::similarity3d ? " non-collinear points" : " points"));
    }
    if (kind == ModelKind::translation) return;
    const Spread source = spread_of(points, 0, dim);
    const Spread destination = spread_of(points, dim, dim);
    if (source.coincident) degenerate(points, "all source points coincide");
    if (destination.coincident) degenerate(points, "all destination points coincide");
    const bool needs_plane = kind != ModelKind::rigid && kind != ModelKind::similarity;
    if (needs_plane && source.collinear)
        degenerate(points, std::string("the source points are collinear; model ") + name +
                               " needs points spread in two directions");
    if (kind == ModelKind::similarity3d && destination.collinear)
        degenerate(points, "the destination points are collinear");
}

// At the best rotation, sum (R a') x b' vanishes (a', b' centred source and
// destination points, r = R a'), and the second-order matrix
// N = sum [(r.b') I - (r b'^T + b' r^T) / 2] is positive definite; a vanishing
// sum alone may be a saddle. Checked against sum |r| |b'|, this tells whether
// the estimator's few correction passes reached the optimum.
bool rotation_converged(const PointTable& points, const Hel3Dg_dbl& h) {
    const double ms[3] = {h.xm_origen, h.ym_origen, h.zm_origen};
    const double md[3] = {h.xm_destino, h.ym_destino, h.zm_destino};
    double g[3] = {0.0, 0.0, 0.0};
    double N[3][3] = {};
    double size = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double* p = points.values(i);
        double a[3], b[3], r[3];
        for (int k = 0; k < 3; ++k) {
            a[k] = p[k] - ms[k];
            b[k] = p[3 + k] - md[k];
        }
        for (int k = 0; k < 3; ++k) r[k] = h.R[3 * k] * a[0] + h.R[3 * k + 1] * a[1] + h.R[3 * k + 2] * a[2];
        g[0] += r[1] * b[2] - r[2] * b[1];
        g[1] += r[2] * b[0] - r[0] * b[2];
        g[2] += r[0] * b[1] - r[1] * b[0];
        size += std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]) * std::sqrt(b[0] * b[0] + b[1] * b[1] + b[2] * b[2]);
        const double dot = r[0] * b[0] + r[1] * b[1] + r[2] * b[2];
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) N[j][k] += (j == k ? dot : 0.0) - 0.5 * (r[j] * b[k] + b[j] * r[k]);
    }
    if (!(std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]) <= kRotationTolerance * size)) return false;
    // Positive definite by its leading minors (Sylvester), with a margin against rounding.
    const double m1 = N[0][0];
    const double m2 = N[0][0] * N[1][1] - N[0][1] * N[1][0];
    const double m3 = N[0][0] * (N[1][1] * N[2][2] - N[1][2] * N[2][1]) -
                      N[0][1] * (N[1][0] * N[2][2] - N[1][2] * N[2][0]) +
                      N[0][2] * (N[1][0] * N[2][1] - N[1][1] * N[2][0]);
    const double eps = kRotationTolerance * size;
    return m1 > -eps && m2 > -eps * size && m3 > -eps * size * size;
}

Transform fit_transform(const PointTable& points, ModelKind kind, const FitOptions& options) {
    const std::size_t n = points.size();
    const auto count = static_cast<std::uint32_t>(n);
    Transform t;
    t.kind = kind;
    if (kind == ModelKind::similarity3d) {
        // The estimator only reads the points when it does not reduce in place.
        std::vector<double*> pairs(2 * n);
        std::vector<double> copy(points.values(0), points.values(0) + 6 * n);
        for (std::size_t i = 0; i < n; ++i) {
            pairs[2 * i] = copy.data() + 6 * i;
            pairs[2 * i + 1] = copy.data() + 6 * i + 3;
        }
        const std::int32_t status =
            Hel3Dg___ptr_dbl(pairs.data(), count, &t.similarity3d, options.general_start ? 1 : 0, 0, nullptr);
        if (status != 0) throw FitError(points.file_name() + ": out of memory for the 3D fit");
        return t;
    }
    std::vector<const double*> pairs(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        pairs[2 * i] = points.values(i);
        pairs[2 * i + 1] = points.values(i) + 2;
    }
    t.polynomial.tipo = model_code(kind);
    Trans_Polinomica2D___puntosxy_dbl(&t.polynomial, pairs.data(), count);
    if (kind == ModelKind::translation) {
        // Model code 0 gives the two centroids only; unit linear terms make the
        // record a pure shift by their difference.
        t.polynomial.coef_x[0] = 1.0;
        t.polynomial.coef_y[1] = 1.0;
    }
    if (kind == ModelKind::rigid || kind == ModelKind::similarity) {
        t.similarity2d = Hel2Dg___ptr_dbl(pairs.data(), count);
        if (kind == ModelKind::rigid) t.similarity2d.escala = 1.0;
    }
    return t;
}

}  // namespace

FitResult fit_model(const PointTable& points, ModelKind kind, const FitOptions& options) {
    const int dim = model_dimension(kind);
    if (points.numbers_per_point() != 2 * dim) {
        throw FitError(points.file_name() + ": model " + model_name(kind) + " needs lines " +
                       describe_columns(2 * dim) + ", the file has " +
                       describe_columns(points.numbers_per_point()));
    }
    check_geometry(points, kind);

    FitResult r;
    r.transform = fit_transform(points, kind, options);
    if (!r.transform.finite()) {
        std::string hint = "the fitted parameters are not finite";
        if (kind == ModelKind::rigid || kind == ModelKind::similarity)
            hint += " (the rotation is undefined: are the sets mirror images, e.g. image rows counting down?)";
        else if (kind != ModelKind::similarity3d)
            hint += " (the points do not determine this polynomial)";
        degenerate(points, hint);
    }

    const std::size_t n = points.size();
    r.count = n;
    r.fitted.resize(n * dim);
    r.residuals.resize(n * dim);
    r.lengths.resize(n);
    r.blunder.assign(n, false);
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double* source = points.values(i);
        const double* observed = source + dim;
        double* fitted = &r.fitted[i * dim];
        r.transform.apply(source, fitted);
        double squared = 0.0;
        for (int k = 0; k < dim; ++k) {
            const double v = observed[k] - fitted[k];
            r.residuals[i * dim + k] = v;
            squared += v * v;
        }
        r.lengths[i] = std::sqrt(squared);
        sum += squared;
        if (r.lengths[i] > r.lengths[r.largest]) r.largest = i;
        for (int k = 0; k < dim; ++k)
            if (!std::isfinite(fitted[k])) degenerate(points, "a transformed point is not finite");
    }
    r.rms = std::sqrt(sum / static_cast<double>(n));

    // Rounding noise of an exact fit is not a blunder: flag only residuals above
    // a floor far below any measurement noise.
    const double floor = 1e-9 * (1.0 + spread_of(points, dim, dim).extent);
    for (std::size_t i = 0; i < n; ++i)
        r.blunder[i] = r.lengths[i] > kBlunderFactor * r.rms && r.lengths[i] > floor;

    if (kind == ModelKind::similarity3d) {
        if (options.general_start && n < 9)
            r.warnings.push_back("--general-start needs 9 points or more; the start from the x-y plane was used");
        if (!rotation_converged(points, r.transform.similarity3d))
            r.warnings.push_back("the rotation did not converge (the start was too far from the solution)" +
                                 std::string(options.general_start ? "" : "; try --general-start"));
    }
    if ((kind == ModelKind::rigid || kind == ModelKind::similarity) && mirrored_2d(points))
        r.warnings.push_back("the destination is a mirror image of the source (for example image rows "
                             "counting down, northings up): a " + std::string(model_name(kind)) +
                             " cannot fit it; use --model affine or change the sign of y");
    return r;
}

}  // namespace vq
