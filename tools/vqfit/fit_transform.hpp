// One model fitted to the control points, through the libraries. The 2D
// models come from the polynomial fit (the least-squares solution for every
// model but the symmetric-scale similarity); the 3D similarity starts from the
// seven-parameter estimator and is refined to the least-squares rotation.
#pragma once

#include "models.hpp"
#include "pairs.hpp"

#include <cstddef>
#include <string>
#include <vector>

namespace vq {

// How the 3D rotation was found: the start that led to the optimum
// ("general" or "planimetric", the estimator's two starts, or "quaternion",
// the closed-form solution, tried as well), the double-precision refinement
// passes from it, and whether the optimum was confirmed (the gradient
// vanishes and the second-order matrix is positive definite).
struct RotationSolution {
    const char* start = "";
    int passes = 0;
    bool converged = true;
};

// Fits `kind` to the pairs listed in `use` (checked beforehand: enough
// points, not degenerate). `name` names the input in messages.
Transform fit_transform(const PointPairs& pairs, const std::vector<std::size_t>& use, ModelKind kind,
                        ScaleEstimator scale, RotationSolution* rotation, const std::string& name);

// The 3D similarity (kind similarity3d); `rotation` tells how its rotation
// was found and whether the optimum was confirmed.
Transform fit_similarity3d(const PointPairs& pairs, const std::vector<std::size_t>& use, ScaleEstimator scale,
                           RotationSolution& rotation);

}  // namespace vq
