// A model of the vq tool (vq::Transform of tools/vqfit) as the package's
// vq.Model holds it: (kind, record, y_down, scale_estimator), the record being
// the numbers of the model file's record in its order:
//   2D   Trans_Polinomica2D xm_origen, ym_origen, x0_destino, y0_destino,
//        coef_x[9], coef_y[9]; for rigid and similarity then Hel2Dg
//        xm_origen, ym_origen, xm_destino, ym_destino, escala, cos_giro, sen_giro
//   3D   Hel3Dg xm_origen, ym_origen, zm_origen, xm_destino, ym_destino,
//        zm_destino, escala, R[9]
// The model code (tipo) follows from the kind. Python floats are doubles, so
// the values go both ways without rounding and a model file written from
// either side applies to the same bits.
#pragma once

#include "arrays.hpp"

#include <models.hpp>
#include <parameters.hpp>

#include <optional>
#include <string>
#include <vector>

namespace vqpy {

// The kind of a model name; ValueError naming the models for others.
vq::ModelKind model_kind(const std::string& name);

// ValueError for an unknown kind, a record of the wrong length or holding
// non-finite numbers, y_down on a 3D model, or a scale estimator on a model
// that has no scale to estimate. No scale estimator on a similarity model
// means the least-squares one, as in a model file.
vq::Transform transform_of(const std::string& kind, const std::vector<double>& record, bool y_down,
                           const std::optional<std::string>& scale_estimator);

// (kind, record, y_down, scale_estimator): y_down only for 2D models,
// scale_estimator only for similarity and similarity3d (else None), as the
// model file keeps them.
py::tuple model_values(const vq::Transform& t);

// [(key, values, standard deviations)] of vq::describe_parameters, values
// and deviations as tuples (no deviations: empty).
py::list parameter_list(const std::vector<vq::Parameter>& parameters);

}  // namespace vqpy
