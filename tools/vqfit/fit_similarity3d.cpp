// The least-squares 3D similarity. With centred source and destination
// points a', b' and K = sum b' a'^T, the rotation maximises
// F(R) = sum b'.(R a') = <R, K>, independently of the scale; the scale is then
// F / sum |a'|^2 (least squares) or sqrt(sum |b'|^2 / sum |a'|^2) (the
// spreads' ratio, the estimator's own), and the translation joins the
// centroids.
//
// The seven-parameter estimator gives the centroids and two starting
// rotations (planimetric, and general from 9 points on). Its refinement is
// limited to four passes in single precision, and from the planimetric start
// it can stop far from the optimum (tilts of tens of degrees). Each start is
// therefore refined here in double precision by Newton's method on F, with
// the rotation perturbed on the left, R <- D(t) R:
//   A = K R^T,  g = (A21 - A12, A02 - A20, A10 - A01),
//   N = trace(A) I - (A + A^T) / 2,  t = N^-1 g,
// all from the 3x3 matrix K, so a pass costs nothing per point. Newton's
// method converges to the nearest stationary point, which may be a saddle for
// a start half a turn away; the closed-form optimum (the unit quaternion of
// the largest eigenvalue of Horn's 4x4 matrix, B. K. P. Horn, J. Opt. Soc. Am.
// A 4 (1987) 629) is refined as a third start, and the start reaching the
// largest F with a confirmed maximum wins.
#include "fit_transform.hpp"
#include "small_matrix.hpp"

#include <cmath>
#include <limits>
#include <new>

namespace vq {

namespace {

// A Newton step below this angle (radians) ends the refinement: the rotation
// is then exact to rounding. A step that stops shrinking quadratically has
// reached the rounding noise of K; it is accepted below kAcceptedStep, far
// below what any survey resolves (1e-11 rad is 0.1 mm at 10 000 km).
constexpr double kFinalStep = 1e-14;
constexpr double kAcceptedStep = 1e-11;
constexpr int kMaxPasses = 60;

struct Refined {
    Matrix33 R;
    int passes = 0;
    bool converged = false;
    double objective = -std::numeric_limits<double>::infinity();
};

double objective(const Matrix33& R, const Matrix33& K) {
    double f = 0.0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) f += R[i][j] * K[i][j];
    return f;
}

// Solves N t = g by Cholesky; false when N is not positive definite (a
// saddle or a minimum of F, not its maximum).
bool solve_positive(const Matrix33& N, const std::array<double, 3>& g, std::array<double, 3>& t) {
    double L[3][3] = {};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j <= i; ++j) {
            double s = N[i][j];
            for (int k = 0; k < j; ++k) s -= L[i][k] * L[j][k];
            if (i == j) {
                if (!(s > 0.0)) return false;
                L[i][i] = std::sqrt(s);
            } else {
                L[i][j] = s / L[j][j];
            }
        }
    double y[3];
    for (int i = 0; i < 3; ++i) {
        double s = g[i];
        for (int k = 0; k < i; ++k) s -= L[i][k] * y[k];
        y[i] = s / L[i][i];
    }
    for (int i = 2; i >= 0; --i) {
        double s = y[i];
        for (int k = i + 1; k < 3; ++k) s -= L[k][i] * t[k];
        t[i] = s / L[i][i];
    }
    return true;
}

Refined refine(Matrix33 R, const Matrix33& K) {
    Refined out;
    double previous = std::numeric_limits<double>::infinity();
    for (int pass = 1; pass <= kMaxPasses; ++pass) {
        Matrix33 A{};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) A[i][j] = K[i][0] * R[j][0] + K[i][1] * R[j][1] + K[i][2] * R[j][2];
        const std::array<double, 3> g = {A[2][1] - A[1][2], A[0][2] - A[2][0], A[1][0] - A[0][1]};
        const double trace = A[0][0] + A[1][1] + A[2][2];
        Matrix33 N{};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) N[i][j] = (i == j ? trace : 0.0) - 0.5 * (A[i][j] + A[j][i]);
        std::array<double, 3> t{};
        if (!solve_positive(N, g, t)) break;
        const double step = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
        if (!std::isfinite(step)) break;
        // At the rounding floor a further step only moves within the noise.
        if (step <= kFinalStep || (pass > 2 && step > 0.5 * previous)) {
            out.converged = step <= kAcceptedStep || previous <= kAcceptedStep;
            break;
        }
        R = orthonormalized(multiply(rotation_from_vector(t), R));
        out.passes = pass;
        previous = step;
    }
    out.R = R;
    out.objective = objective(R, K);
    return out;
}

// The rotation of the largest eigenvalue of Horn's matrix, with S = K^T
// (S_ij = sum a'_i b'_j).
Matrix33 quaternion_rotation(const Matrix33& K) {
    const Matrix33 S = transpose(K);
    const double xx = S[0][0], xy = S[0][1], xz = S[0][2], yx = S[1][0], yy = S[1][1], yz = S[1][2];
    const double zx = S[2][0], zy = S[2][1], zz = S[2][2];
    const Square<4> H = {{{xx + yy + zz, yz - zy, zx - xz, xy - yx},
                          {yz - zy, xx - yy - zz, xy + yx, zx + xz},
                          {zx - xz, xy + yx, -xx + yy - zz, yz + zy},
                          {xy - yx, zx + xz, yz + zy, -xx - yy + zz}}};
    std::array<double, 4> values{};
    Square<4> vectors{};
    symmetric_eigen<4>(H, values, vectors);
    const double w = vectors[0][0], x = vectors[1][0], y = vectors[2][0], z = vectors[3][0];
    Matrix33 R{};
    R[0] = {w * w + x * x - y * y - z * z, 2 * (x * y - w * z), 2 * (x * z + w * y)};
    R[1] = {2 * (y * x + w * z), w * w - x * x + y * y - z * z, 2 * (y * z - w * x)};
    R[2] = {2 * (z * x - w * y), 2 * (z * y + w * x), w * w - x * x - y * y + z * z};
    return R;
}

Matrix33 matrix_of(const Hel3Dg_dbl& h) {
    Matrix33 R{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) R[i][j] = h.R[3 * i + j];
    return R;
}

bool finite_rotation(const Hel3Dg_dbl& h) {
    for (double v : h.R)
        if (!std::isfinite(v)) return false;
    return true;
}

}  // namespace

Transform fit_similarity3d(const PointPairs& pairs, const std::vector<std::size_t>& use, ScaleEstimator scale,
                           RotationSolution& rotation) {
    const std::size_t n = use.size();
    const auto count = static_cast<std::uint32_t>(n);
    // The estimator only reads the points when it does not reduce in place,
    // but its pointers are not to const: it gets a copy.
    std::vector<double> copy(6 * n);
    std::vector<double*> pointers(2 * n);
    for (std::size_t k = 0; k < n; ++k) {
        for (int c = 0; c < 3; ++c) {
            copy[6 * k + c] = pairs.src(use[k])[c];
            copy[6 * k + 3 + c] = pairs.dst(use[k])[c];
        }
        pointers[2 * k] = copy.data() + 6 * k;
        pointers[2 * k + 1] = copy.data() + 6 * k + 3;
    }
    Hel3Dg_dbl planimetric{}, general{};
    if (Hel3Dg___ptr_dbl(pointers.data(), count, &planimetric, 0, 0, nullptr) != 0) throw std::bad_alloc();
    const bool has_general = n >= 9;
    if (has_general && Hel3Dg___ptr_dbl(pointers.data(), count, &general, 1, 0, nullptr) != 0)
        throw std::bad_alloc();

    const double ms[3] = {planimetric.xm_origen, planimetric.ym_origen, planimetric.zm_origen};
    const double md[3] = {planimetric.xm_destino, planimetric.ym_destino, planimetric.zm_destino};
    Matrix33 K{};
    double sa = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        double a[3], b[3];
        for (int c = 0; c < 3; ++c) {
            a[c] = copy[6 * k + c] - ms[c];
            b[c] = copy[6 * k + 3 + c] - md[c];
        }
        sa += a[0] * a[0] + a[1] * a[1] + a[2] * a[2];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) K[i][j] += b[i] * a[j];
    }

    struct Start {
        const char* name;
        Matrix33 R;
    };
    std::vector<Start> starts;
    if (has_general && finite_rotation(general)) starts.push_back({"general", matrix_of(general)});
    if (finite_rotation(planimetric)) starts.push_back({"planimetric", matrix_of(planimetric)});
    starts.push_back({"quaternion", quaternion_rotation(K)});

    std::vector<Refined> results;
    double best = -std::numeric_limits<double>::infinity();
    for (const Start& s : starts) {
        results.push_back(refine(orthonormalized(s.R), K));
        if (results.back().converged) best = std::max(best, results.back().objective);
    }
    // The first start (in the order above) that reaches the best maximum.
    std::size_t chosen = starts.size() - 1;
    for (std::size_t k = 0; k < starts.size(); ++k)
        if (results[k].converged && results[k].objective >= best - 1e-12 * std::fabs(best)) {
            chosen = k;
            break;
        }
    rotation.start = starts[chosen].name;
    rotation.passes = results[chosen].passes;
    rotation.converged = results[chosen].converged;

    Transform t;
    t.kind = ModelKind::similarity3d;
    t.scale = scale;
    Hel3Dg_dbl& h = t.similarity3d;
    h = planimetric;
    const Matrix33& R = results[chosen].R;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) h.R[3 * i + j] = R[i][j];
    if (scale == ScaleEstimator::least_squares) h.escala = results[chosen].objective / sa;
    return t;
}

}  // namespace vq
