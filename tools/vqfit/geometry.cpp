// Second moments about the centroid, C = sum (p - m)(p - m)^T / n. A set is
// collinear when the second invariant of C (the sum of its principal 2x2
// minors, l1*l2 + l1*l3 + l2*l3) is negligible against trace(C)^2, that is
// when the second-largest spread is below a millionth of the largest.
#include "geometry.hpp"

#include "small_matrix.hpp"

#include <algorithm>
#include <cmath>

namespace vq {

namespace {

constexpr double kCollinearRatio = 1e-12;

const double* point(const PointPairs& pairs, std::size_t i, bool destination) {
    return destination ? pairs.dst(i) : pairs.src(i);
}

std::array<double, 3> centroid(const PointPairs& pairs, const std::vector<std::size_t>& use, bool destination) {
    std::array<double, 3> m{0.0, 0.0, 0.0};
    for (std::size_t i : use)
        for (int k = 0; k < pairs.dim; ++k) m[k] += point(pairs, i, destination)[k];
    for (int k = 0; k < pairs.dim; ++k) m[k] /= static_cast<double>(use.size());
    return m;
}

}  // namespace

Spread spread_of(const PointPairs& pairs, const std::vector<std::size_t>& use, bool destination) {
    const int dim = pairs.dim;
    const std::array<double, 3> mean = centroid(pairs, use, destination);
    double c[3][3] = {};
    Spread s;
    for (std::size_t i : use) {
        double d[3] = {0.0, 0.0, 0.0};
        for (int k = 0; k < dim; ++k) {
            const double x = point(pairs, i, destination)[k];
            d[k] = x - mean[k];
            s.largest = std::max(s.largest, std::fabs(x));
            s.deviation = std::max(s.deviation, std::fabs(d[k]));
        }
        for (int j = 0; j < dim; ++j)
            for (int k = 0; k < dim; ++k) c[j][k] += d[j] * d[k];
    }
    for (auto& row : c)
        for (double& v : row) v /= static_cast<double>(use.size());
    const double trace = c[0][0] + c[1][1] + c[2][2];
    const double minors = (c[0][0] * c[1][1] - c[0][1] * c[1][0]) + (c[0][0] * c[2][2] - c[0][2] * c[2][0]) +
                          (c[1][1] * c[2][2] - c[1][2] * c[2][1]);
    s.coincident = !(trace > 0.0);
    s.collinear = s.coincident || minors <= kCollinearRatio * trace * trace;
    s.extent = std::sqrt(std::max({c[0][0], c[1][1], c[2][2]}));
    return s;
}

bool mirrored(const PointPairs& pairs, const std::vector<std::size_t>& use) {
    const int dim = pairs.dim;
    const std::array<double, 3> ms = centroid(pairs, use, false), md = centroid(pairs, use, true);
    Matrix33 K{};
    double sa = 0.0, sb = 0.0;
    for (std::size_t i : use) {
        double a[3] = {0, 0, 0}, b[3] = {0, 0, 0};
        for (int k = 0; k < dim; ++k) {
            a[k] = pairs.src(i)[k] - ms[k];
            b[k] = pairs.dst(i)[k] - md[k];
            sa += a[k] * a[k];
            sb += b[k] * b[k];
        }
        for (int r = 0; r < dim; ++r)
            for (int c = 0; c < dim; ++c) K[r][c] += b[r] * a[c];
    }
    if (dim == 2) K[2][2] = 1.0;  // a 2D reflection shows in the sign of the 2x2 determinant
    if (!(determinant(K) < 0.0)) return false;
    // Singular values of K: the best rotation reaches their sum less twice the
    // smallest, the best reflection their whole sum.
    const Matrix33 g = multiply(transpose(K), K);
    std::array<double, 3> values{};
    Matrix33 vectors{};
    symmetric_eigen<3>(g, values, vectors);
    double sum = 0.0, smallest = 1e308;
    for (int k = 0; k < dim; ++k) {
        const double sv = std::sqrt(std::max(0.0, values[k]));
        sum += sv;
        smallest = std::min(smallest, sv);
    }
    const double rotation = sum - 2.0 * smallest;
    const double left_by_rotation = sb - rotation * rotation / sa;
    const double left_by_reflection = sb - sum * sum / sa;
    return left_by_rotation - left_by_reflection > 1e-12 * sb && left_by_reflection < 0.25 * left_by_rotation;
}

std::array<std::array<double, 3>, 3> principal_axes(const double (&moment)[3][3]) {
    Matrix33 a{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) a[i][j] = moment[i][j];
    std::array<double, 3> values{};
    Matrix33 vectors{};
    symmetric_eigen<3>(a, values, vectors);
    std::array<std::array<double, 3>, 3> axes{};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 3; ++i) axes[k][i] = vectors[i][k];
    const auto& u = axes[0];
    const auto& w = axes[1];
    axes[2] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    return axes;
}

}  // namespace vq
