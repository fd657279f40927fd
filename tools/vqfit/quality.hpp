// The quality of a least-squares fit as a Gauss-Markov model: every
// destination coordinate of a control point is an observation of equal
// weight, the model's unknowns are its internal parameters (below), and at the
// solution
//   r = observations - unknowns                  (redundancy)
//   sigma0 = sqrt(v^T v / r)                     (a posteriori, unit weight)
//   Qxx = N^-1,  N = A^T A                       (cofactors of the unknowns)
//   q_vv = 1 - a Qxx a^T for an observation row a of A (its redundancy number;
//          1 + a Qxx a^T for a check point, which is not in the fit)
//   w = v / (sigma sqrt(q_vv))                   (standardized residual)
// with sigma the a priori standard deviation of a coordinate when one is
// given. Otherwise sigma is estimated robustly, 1.4826 median |v| / sqrt(q_vv)
// over the control points' coordinates: sigma0 grows with every blunder in
// the data and masks them (two gross errors among ten points keep every |w|
// computed with sigma0 below the critical value), the median does not. |w|
// above the critical value (3.29: the two-sided 0.1 % point of the normal
// distribution, Baarda's data snooping) flags a suspected blunder.
//
// Internal parameters, in this order, of a model with source centroid
// (xm, ym) and dx = x - xm, dy = y - ym (the source y mirrored for y-down
// models):
//   translation   X0, Y0                          X = X0 + dx
//   rigid         theta, X0, Y0                   X = X0 + R(theta) (dx, dy)
//   similarity    a, b, X0, Y0                    X = X0 + a dx - b dy, Y = Y0 + b dx + a dy
//   affine, poly2, poly3
//                 X0, cx[0..], Y0, cy[0..]        X = X0 + sum cx[k] m_k(dx, dy)
//   similarity3d  Cx, Cy, Cz, s, tx, ty, tz       X = C + s (I + [t]x) R (x - xm)
// where t is a small rotation of R on the left, about the destination axes.
#pragma once

#include "dual.hpp"
#include "models.hpp"
#include "pairs.hpp"

#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <vector>

namespace vq {

constexpr double kCriticalValue = 3.29;

struct Quality {
    std::size_t observations = 0;
    std::size_t unknowns = 0;
    std::size_t redundancy = 0;
    double vtv = 0.0;
    double sigma0 = std::numeric_limits<double>::quiet_NaN();  // NaN without redundancy
    // The residuals are rounding noise of an exact fit: sigma0 at the
    // rounding level of the destination coordinates. No blunder test then.
    bool exact = false;
    double sigma = std::numeric_limits<double>::quiet_NaN();  // the sigma of the blunder test
    bool a_priori = false;  // sigma given; else the robust estimate
    double critical_value = kCriticalValue;
    std::vector<double> qxx;  // unknowns x unknowns, row by row

    bool testable() const { return redundancy > 0 && !exact && sigma > 0 && std::isfinite(sigma); }
    // Standard deviations mean something: there is redundancy and the
    // residuals are more than rounding noise.
    bool has_deviations() const { return std::isfinite(sigma0) && !exact; }
};

// The `dim` design rows (one per destination coordinate, model_unknowns
// columns each) of one source point as the record maps it (mirrored already
// for y-down models).
void design_rows(const Transform& t, const double* source, double (*rows)[kMaxUnknowns]);

// The internal parameters as the variables of differentiation, for the
// standard deviations of derived parameters.
std::vector<Dual> internal_parameters(const Transform& t);

// Sum of the normal matrix over the pairs in `use` (sources as the record
// sees them), its determinacy check and its inverse. Throws FitError naming
// the model, and for polynomials suggesting a lower degree, when the points do
// not determine the unknowns.
std::vector<double> cofactor_matrix(const Transform& t, const PointPairs& pairs, const std::vector<std::size_t>& use,
                                    const std::string& name);

// Standard deviation of a derived parameter (its gradient in `value.d`).
double standard_deviation(const Dual& value, const Quality& q);

}  // namespace vq
