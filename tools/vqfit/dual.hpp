// First derivatives carried along with a value (forward-mode differentiation):
// a Dual holds f and its gradient with respect to the internal parameters of a
// fit, so that a derived parameter (a scale from two coefficients, a
// translation at the origin, an angle from a matrix) gets its exact Jacobian
// row for the propagation of the parameters' covariance.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>

namespace vq {

constexpr std::size_t kMaxUnknowns = 20;  // poly3: 10 terms per coordinate

struct Dual {
    double v = 0.0;
    std::array<double, kMaxUnknowns> d{};

    Dual() = default;
    Dual(double value) : v(value) {}  // a constant: zero gradient
    // The k-th parameter itself.
    static Dual variable(double value, std::size_t k) {
        Dual x(value);
        x.d[k] = 1.0;
        return x;
    }
};

inline Dual scaled(const Dual& a, double fa, const Dual& b, double fb, double value) {
    Dual r(value);
    for (std::size_t k = 0; k < kMaxUnknowns; ++k) r.d[k] = fa * a.d[k] + fb * b.d[k];
    return r;
}
inline Dual operator+(const Dual& a, const Dual& b) { return scaled(a, 1.0, b, 1.0, a.v + b.v); }
inline Dual operator-(const Dual& a, const Dual& b) { return scaled(a, 1.0, b, -1.0, a.v - b.v); }
inline Dual operator-(const Dual& a) { return scaled(a, -1.0, a, 0.0, -a.v); }
inline Dual operator*(const Dual& a, const Dual& b) { return scaled(a, b.v, b, a.v, a.v * b.v); }
inline Dual operator/(const Dual& a, const Dual& b) {
    const double q = a.v / b.v;
    return scaled(a, 1.0 / b.v, b, -q / b.v, q);
}
inline Dual sqrt(const Dual& a) {
    const double r = std::sqrt(a.v);
    return scaled(a, 0.5 / r, a, 0.0, r);
}
inline Dual hypot(const Dual& a, const Dual& b) {
    const double h = std::hypot(a.v, b.v);
    return scaled(a, a.v / h, b, b.v / h, h);
}
inline Dual atan2(const Dual& y, const Dual& x) {
    const double q = x.v * x.v + y.v * y.v;
    return scaled(y, x.v / q, x, -y.v / q, std::atan2(y.v, x.v));
}
inline Dual asin(const Dual& a) { return scaled(a, 1.0 / std::sqrt(1.0 - a.v * a.v), a, 0.0, std::asin(a.v)); }
inline Dual sin(const Dual& a) { return scaled(a, std::cos(a.v), a, 0.0, std::sin(a.v)); }
inline Dual cos(const Dual& a) { return scaled(a, -std::sin(a.v), a, 0.0, std::cos(a.v)); }
inline Dual abs(const Dual& a) { return a.v < 0 ? -a : a; }

}  // namespace vq
