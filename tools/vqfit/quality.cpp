#include "quality.hpp"

#include <VQmatrices.h>

#include <cmath>

namespace vq {

namespace {

// A Cholesky pivot of the normal matrix scaled to unit diagonal (the
// correlation matrix of the unknowns) is 1 - R^2, R^2 the share of one
// unknown's column explained by the columns before it. Below 1e-10 the
// column is a combination of the others to ten digits: the coordinates'
// rounding alone (1e-16 relative) would move that unknown by more than a
// millionth, so the points do not determine it (a 2 x 5 grid for poly3, whose
// dy^2 is a constant on two rows, gives a pivot of 0).
constexpr double kDeterminedPivot = 1e-10;

// Monomials 1, dx, dy, dx2, dxdy, dy2, dx3, dx2dy, dxdy2, dy3.
void monomials(double dx, double dy, double (&m)[10]) {
    m[0] = 1.0;
    m[1] = dx;
    m[2] = dy;
    m[3] = dx * dx;
    m[4] = dx * dy;
    m[5] = dy * dy;
    m[6] = dx * m[3];
    m[7] = dx * m[4];
    m[8] = dx * m[5];
    m[9] = dy * m[5];
}

[[noreturn]] void undetermined(const Transform& t, const std::string& name) {
    std::string message = name + ": the points do not determine model " + model_name(t.kind);
    if (t.kind == ModelKind::poly3)
        message += " (they lie on too few lines or curves for a cubic); try --model poly2 or affine";
    else if (t.kind == ModelKind::poly2)
        message += " (they lie on too few lines or a conic); try --model affine";
    else
        message += " (degenerate geometry)";
    throw FitError(message);
}

}  // namespace

void design_rows(const Transform& t, const double* source, double (*rows)[kMaxUnknowns]) {
    const std::size_t u = model_unknowns(t.kind);
    for (int r = 0; r < t.dimension(); ++r)
        for (std::size_t k = 0; k < u; ++k) rows[r][k] = 0.0;
    if (t.kind == ModelKind::similarity3d) {
        const Hel3Dg_dbl& h = t.similarity3d;
        const double a[3] = {source[0] - h.xm_origen, source[1] - h.ym_origen, source[2] - h.zm_origen};
        double r[3];
        for (int i = 0; i < 3; ++i) r[i] = h.R[3 * i] * a[0] + h.R[3 * i + 1] * a[1] + h.R[3 * i + 2] * a[2];
        const double s = h.escala;
        // d/dt of s [t]x r is -s [r]x.
        const double cross[3][3] = {{0, -r[2], r[1]}, {r[2], 0, -r[0]}, {-r[1], r[0], 0}};
        for (int i = 0; i < 3; ++i) {
            rows[i][i] = 1.0;
            rows[i][3] = r[i];
            for (int j = 0; j < 3; ++j) rows[i][4 + j] = -s * cross[i][j];
        }
        return;
    }
    const Trans_Polinomica2D_dbl& p = t.polynomial;
    const double dx = source[0] - p.xm_origen, dy = source[1] - p.ym_origen;
    switch (t.kind) {
    case ModelKind::translation:
        rows[0][0] = rows[1][1] = 1.0;
        return;
    case ModelKind::rigid: {
        const double c = t.similarity2d.cos_giro, s = t.similarity2d.sen_giro;
        rows[0][0] = -s * dx - c * dy;
        rows[1][0] = c * dx - s * dy;
        rows[0][1] = rows[1][2] = 1.0;
        return;
    }
    case ModelKind::similarity:
        rows[0][0] = dx;
        rows[0][1] = -dy;
        rows[1][0] = dy;
        rows[1][1] = dx;
        rows[0][2] = rows[1][3] = 1.0;
        return;
    default: {
        const std::size_t terms = polynomial_terms(t.kind);
        double m[10];
        monomials(dx, dy, m);
        for (std::size_t k = 0; k < terms; ++k) {
            rows[0][k] = m[k];
            rows[1][terms + k] = m[k];
        }
        return;
    }
    }
}

std::vector<Dual> internal_parameters(const Transform& t) {
    std::vector<double> v;
    if (t.kind == ModelKind::similarity3d) {
        const Hel3Dg_dbl& h = t.similarity3d;
        v = {h.xm_destino, h.ym_destino, h.zm_destino, h.escala, 0.0, 0.0, 0.0};
    } else {
        const Trans_Polinomica2D_dbl& p = t.polynomial;
        switch (t.kind) {
        case ModelKind::translation: v = {p.x0_destino, p.y0_destino}; break;
        case ModelKind::rigid:
            v = {std::atan2(t.similarity2d.sen_giro, t.similarity2d.cos_giro), p.x0_destino, p.y0_destino};
            break;
        case ModelKind::similarity: v = {p.coef_x[0], p.coef_y[0], p.x0_destino, p.y0_destino}; break;
        default: {
            const std::size_t terms = polynomial_terms(t.kind);
            v.push_back(p.x0_destino);
            v.insert(v.end(), p.coef_x, p.coef_x + (terms - 1));
            v.push_back(p.y0_destino);
            v.insert(v.end(), p.coef_y, p.coef_y + (terms - 1));
        }
        }
    }
    std::vector<Dual> d;
    for (std::size_t k = 0; k < v.size(); ++k) d.push_back(Dual::variable(v[k], k));
    return d;
}

std::vector<double> cofactor_matrix(const Transform& t, const PointPairs& pairs, const std::vector<std::size_t>& use,
                                    const std::string& name) {
    const std::size_t u = model_unknowns(t.kind);
    const int dim = t.dimension();
    std::vector<double> N(u * u, 0.0);
    std::vector<double> mirrored(dim);
    double rows[3][kMaxUnknowns];
    for (std::size_t i : use) {
        const double* source = pairs.src(i);
        if (t.y_down) {
            mirrored.assign(source, source + dim);
            mirrored[1] = -mirrored[1];
            source = mirrored.data();
        }
        design_rows(t, source, rows);
        for (int r = 0; r < dim; ++r)
            for (std::size_t j = 0; j < u; ++j) {
                if (rows[r][j] == 0.0) continue;
                for (std::size_t k = j; k < u; ++k) N[j * u + k] += rows[r][j] * rows[r][k];
            }
    }
    // Scaled to unit diagonal, so that the determinacy test and the inverse
    // do not depend on the units of the unknowns.
    std::vector<double> scale(u);
    for (std::size_t j = 0; j < u; ++j) {
        if (!(N[j * u + j] > 0.0) || !std::isfinite(N[j * u + j])) undetermined(t, name);
        scale[j] = 1.0 / std::sqrt(N[j * u + j]);
    }
    for (std::size_t j = 0; j < u; ++j)
        for (std::size_t k = j; k < u; ++k) N[j * u + k] *= scale[j] * scale[k];
    // Cholesky pivots of the scaled matrix.
    std::vector<double> L(u * u, 0.0);
    for (std::size_t j = 0; j < u; ++j)
        for (std::size_t i = j; i < u; ++i) {
            double s = N[j * u + i];
            for (std::size_t k = 0; k < j; ++k) s -= L[i * u + k] * L[j * u + k];
            if (i == j) {
                if (!(s > kDeterminedPivot)) undetermined(t, name);
                L[j * u + j] = std::sqrt(s);
            } else {
                L[i * u + j] = s / L[j * u + j];
            }
        }
    if (VQinvsim_cho_dbl(N.data(), static_cast<std::uint32_t>(u)) != 0) undetermined(t, name);
    for (std::size_t j = 0; j < u; ++j)
        for (std::size_t k = 0; k < u; ++k) N[j * u + k] *= scale[j] * scale[k];
    return N;
}

double standard_deviation(const Dual& value, const Quality& q) {
    const std::size_t u = q.unknowns;
    if (q.qxx.size() != u * u || !std::isfinite(q.sigma0)) return std::numeric_limits<double>::quiet_NaN();
    double var = 0.0;
    for (std::size_t j = 0; j < u; ++j) {
        if (value.d[j] == 0.0) continue;
        for (std::size_t k = 0; k < u; ++k) var += value.d[j] * q.qxx[j * u + k] * value.d[k];
    }
    return q.sigma0 * std::sqrt(std::max(0.0, var));
}

}  // namespace vq
