// Second moments about the centroid, C = sum (p - m)(p - m)^T / n. A set is
// collinear when the second invariant of C (the sum of its principal 2x2
// minors, l1*l2 + l1*l3 + l2*l3) is negligible against trace(C)^2, that is
// when the second-largest spread is below a millionth of the largest.
#include "geometry.hpp"

#include "point_file.hpp"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vq {

namespace {

constexpr double kCollinearRatio = 1e-12;

void moments(const PointTable& points, int offset, int dim, double (&c)[3][3]) {
    const std::size_t n = points.size();
    double mean[3] = {0.0, 0.0, 0.0};
    for (std::size_t i = 0; i < n; ++i)
        for (int k = 0; k < dim; ++k) mean[k] += points.values(i)[offset + k];
    for (int k = 0; k < dim; ++k) mean[k] /= static_cast<double>(n);
    for (auto& row : c) std::fill(std::begin(row), std::end(row), 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        double d[3] = {0.0, 0.0, 0.0};
        for (int k = 0; k < dim; ++k) d[k] = points.values(i)[offset + k] - mean[k];
        for (int j = 0; j < dim; ++j)
            for (int k = 0; k < dim; ++k) c[j][k] += d[j] * d[k];
    }
    for (auto& row : c)
        for (double& v : row) v /= static_cast<double>(n);
}

}  // namespace

Spread spread_of(const PointTable& points, int offset, int dim) {
    double c[3][3];
    moments(points, offset, dim, c);
    const double trace = c[0][0] + c[1][1] + c[2][2];
    const double minors = (c[0][0] * c[1][1] - c[0][1] * c[1][0]) + (c[0][0] * c[2][2] - c[0][2] * c[2][0]) +
                          (c[1][1] * c[2][2] - c[1][2] * c[2][1]);
    Spread s;
    s.coincident = !(trace > 0.0);
    s.collinear = s.coincident || minors <= kCollinearRatio * trace * trace;
    s.extent = std::sqrt(std::max({c[0][0], c[1][1], c[2][2]}));
    return s;
}

bool mirrored_2d(const PointTable& points) {
    const std::size_t n = points.size();
    double m[4] = {0.0, 0.0, 0.0, 0.0};
    for (std::size_t i = 0; i < n; ++i)
        for (int k = 0; k < 4; ++k) m[k] += points.values(i)[k];
    for (double& v : m) v /= static_cast<double>(n);
    double k00 = 0.0, k01 = 0.0, k10 = 0.0, k11 = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double* p = points.values(i);
        const double x = p[0] - m[0], y = p[1] - m[1], X = p[2] - m[2], Y = p[3] - m[3];
        k00 += X * x;
        k01 += X * y;
        k10 += Y * x;
        k11 += Y * y;
    }
    return k00 * k11 - k01 * k10 < 0.0;
}

std::array<std::array<double, 3>, 3> principal_axes(const double (&moment)[3][3]) {
    double a[3][3];
    double v[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) a[i][j] = moment[i][j];
    for (int sweep = 0; sweep < 50; ++sweep) {
        const double off = std::fabs(a[0][1]) + std::fabs(a[0][2]) + std::fabs(a[1][2]);
        if (off == 0.0) break;
        for (int p = 0; p < 2; ++p)
            for (int q = p + 1; q < 3; ++q) {
                if (a[p][q] == 0.0) continue;
                const double theta = 0.5 * std::atan2(2.0 * a[p][q], a[q][q] - a[p][p]);
                const double c = std::cos(theta), s = std::sin(theta);
                for (int k = 0; k < 3; ++k) {  // A <- A J
                    const double akp = a[k][p], akq = a[k][q];
                    a[k][p] = c * akp - s * akq;
                    a[k][q] = s * akp + c * akq;
                }
                for (int k = 0; k < 3; ++k) {  // A <- J^T A
                    const double apk = a[p][k], aqk = a[q][k];
                    a[p][k] = c * apk - s * aqk;
                    a[q][k] = s * apk + c * aqk;
                }
                for (int k = 0; k < 3; ++k) {  // V <- V J
                    const double vkp = v[k][p], vkq = v[k][q];
                    v[k][p] = c * vkp - s * vkq;
                    v[k][q] = s * vkp + c * vkq;
                }
            }
    }
    int order[3] = {0, 1, 2};
    std::sort(order, order + 3, [&](int i, int j) { return a[i][i] > a[j][j]; });
    std::array<std::array<double, 3>, 3> axes{};
    for (int k = 0; k < 3; ++k)
        for (int i = 0; i < 3; ++i) axes[k][i] = v[i][order[k]];
    // Right-handed: third axis = first x second.
    const auto& u = axes[0];
    const auto& w = axes[1];
    axes[2] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
    return axes;
}

}  // namespace vq
