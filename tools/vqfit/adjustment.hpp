// A complete fit as vq reports it: the checks before fitting, the model
// through the libraries, its quality (see quality.hpp), the blunder test,
// optional rejection of the worst blunders, and residuals of every point,
// control points and check points alike.
#pragma once

#include "fit_transform.hpp"
#include "models.hpp"
#include "pairs.hpp"
#include "quality.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vq {

// What a point does in a fit: a control point determines the model; a check
// point (disabled in its file) and a rejected point (removed as a blunder)
// only get residuals against it.
enum class PointRole : unsigned char { control, check, rejected };

struct FitOptions {
    ScaleEstimator scale = ScaleEstimator::least_squares;  // similarity, similarity3d
    bool y_down = false;                                    // 2D: source rows count down
    double critical_value = kCriticalValue;
    double sigma = 0.0;  // a priori standard deviation of a destination coordinate; 0: sigma0
    // Remove the control point of the largest |w| above the critical value and
    // fit again, at most this many times (and never below minimum + 1 points).
    std::optional<std::size_t> reject;
};

// One point against the fit. Components past the model's dimension are 0.
struct PointResidual {
    double fitted[3] = {0, 0, 0};    // the transformed source point
    double v[3] = {0, 0, 0};         // observed - transformed
    double length = 0.0;             // |v|, without overflow
    double redundancy[3] = {0, 0, 0};  // q_vv of each coordinate
    double w[3] = {0, 0, 0};         // standardized residuals (NaN: not testable)
    double largest_w = 0.0;          // largest |w| (NaN: not testable)
    bool flagged = false;            // a control point with |w| above the critical value
};

struct FitResult {
    Transform transform;
    Quality quality;
    RotationSolution rotation;  // similarity3d
    std::vector<PointRole> roles;
    std::vector<std::size_t> rejected;  // in the order they were removed
    std::vector<std::size_t> flagged;   // control points whose |w| exceeds the critical value
    std::size_t control = 0;
    double rms = 0.0;              // of the control points' |v|
    std::size_t largest = 0;       // control point with the largest |v|
    double median_length = 0.0;    // of the control points' |v|
    std::vector<std::string> warnings;

    std::size_t count() const { return roles.size(); }
    int dimension() const { return transform.dimension(); }
    // Point i of the pairs that were fitted.
    PointResidual residual(const PointPairs& pairs, std::size_t i) const;
    // The same without |v| (left 0): all the blunder test reads.
    PointResidual standardized(const PointPairs& pairs, std::size_t i) const;
};

// Fits `kind` to the control points of `pairs` (roles: control or check;
// empty: all control). Throws FitError naming `name` on too few points,
// degenerate geometry, mirrored sets for models that cannot mirror, points
// that do not determine a polynomial, or a 3D rotation that does not converge.
FitResult fit_points(const PointPairs& pairs, std::vector<PointRole> roles, ModelKind kind, const FitOptions& options,
                     const std::string& name);

}  // namespace vq
