// The transformations vq fits, and a fitted transformation held as the
// library's records. 2D models are polynomial records (model codes 0, 1, 2, 3,
// 6, 7) applied by the library's point transform; the 3D similarity is the
// centroid form
//   X = Xm_destination + scale * R * (x - xm_source).
#pragma once

#include "errors.hpp"

#include <VQ2D3D.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

enum class ModelKind { translation, rigid, similarity, affine, poly2, poly3, similarity3d };

std::optional<ModelKind> model_from_name(std::string_view name);
const char* model_name(ModelKind kind);
const std::vector<std::string>& model_names();
int model_dimension(ModelKind kind);
std::uint32_t model_code(ModelKind kind);  // tipo of the polynomial fit (2D models)
std::size_t minimum_points(ModelKind kind);
// Unknowns of the least-squares problem: 2, 3, 4, 6, 12, 20 and 7.
std::size_t model_unknowns(ModelKind kind);
// Polynomial models: terms per coordinate (1, x, y, ...): 3, 6 or 10; else 0.
std::size_t polynomial_terms(ModelKind kind);

// The scale a similarity carries: the least-squares scale (what surveying
// packages report; it minimises the residuals) or the symmetric one, the
// ratio of the two sets' spreads (exchanging the sets gives the exact
// reciprocal).
enum class ScaleEstimator { least_squares, symmetric };
const char* scale_estimator_name(ScaleEstimator estimator);  // "least_squares", "symmetric"

// A fitted transformation. 2D models use `polynomial` (rigid and similarity
// also keep the similarity as a `similarity2d` record, whose `escala` is the
// scale the model carries); the 3D similarity uses `similarity3d`.
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
    // Maps one point (dimension() values) from in to out; in and out may alias.
    void apply(const double* in, double* out) const;
    // Maps a destination point back to the source system; in and out may
    // alias. Closed form for every model but poly2 and poly3, which are
    // inverted by Newton's method from the inverse of their linear part, to
    // 1e-9 relative; false where that does not converge (the point lies
    // outside the region the polynomial maps one to one).
    bool apply_inverse(const double* in, double* out) const;
    // True when every number of the record in use is finite.
    bool finite() const;
};

}  // namespace vq
