// The transformations vq fits, and the fitted transformation as the library's
// records. 2D models are fitted by the polynomial fit (model codes 0, 1, 2, 3,
// 6, 7) and applied by its point transform; the 3D similarity is fitted by the
// seven-parameter estimator and applied here from its centroid form
//   X = Xm_destination + scale * R * (x - xm_source).
#pragma once

#include "errors.hpp"

#include <VQ2D3D.h>

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

enum class ModelKind { translation, rigid, similarity, affine, poly2, poly3, similarity3d };

std::optional<ModelKind> model_from_name(std::string_view name);
const char* model_name(ModelKind kind);
const std::vector<std::string>& model_names();
int model_dimension(ModelKind kind);
std::uint32_t model_code(ModelKind kind);        // tipo of the polynomial fit (2D models)
std::size_t minimum_points(ModelKind kind);
bool has_closed_form_inverse(ModelKind kind);    // all but poly2 and poly3

// The scale a similarity carries: the least-squares scale (what every
// surveying package reports, minimising the residuals) or the symmetric one,
// the ratio of the two sets' spreads (exchanging the sets gives the exact
// reciprocal).
enum class ScaleEstimator { least_squares, symmetric };

// A fitted transformation. 2D models use `polynomial` (translation, rigid and
// similarity also keep the library's `similarity2d` record for reporting);
// the 3D similarity uses `similarity3d`.
struct Transform {
    ModelKind kind = ModelKind::similarity;
    Trans_Polinomica2D_dbl polynomial{};
    Hel2Dg_dbl similarity2d{};
    Hel3Dg_dbl similarity3d{};
    // 2D source coordinates whose rows count down (pixel/line): the source y
    // is mirrored, y -> -y, before the record maps the point.
    bool y_down = false;
    ScaleEstimator scale = ScaleEstimator::least_squares;

    int dimension() const { return model_dimension(kind); }
    // Maps one point (dimension() values) from in to out.
    void apply(const double* in, double* out) const;
    // The inverse mapping (needs has_closed_form_inverse(kind)).
    Transform inverse() const;
    // True when every number of the record in use is finite.
    bool finite() const;
};

struct FitOptions {
    bool general_start = false;  // similarity3d: start from the orthonormalised affine fit
};

class PointTable;

// A fit with its residuals v = observed destination - transformed source.
struct FitResult {
    Transform transform;
    std::size_t count = 0;
    std::vector<double> fitted;     // count * dimension: transformed source points
    std::vector<double> residuals;  // count * dimension
    std::vector<double> lengths;    // |v| per point
    std::vector<bool> blunder;      // |v| > 3 * rms
    double rms = 0.0;               // sqrt(sum |v|^2 / count)
    std::size_t largest = 0;        // index of the largest |v|
    std::vector<std::string> warnings;
};

// Fits `kind` to the pairs of `points` (4 numbers per point for 2D models, 6 for
// similarity3d). Throws FitError naming the file on too few points, degenerate
// geometry or non-finite parameters.
FitResult fit_model(const PointTable& points, ModelKind kind, const FitOptions& options);

// Flag factor for suspected blunders.
constexpr double kBlunderFactor = 3.0;

}  // namespace vq
