// The tool's models for vq.Model: checking the values, applying a model both
// ways through vq::Transform (what `vq apply` runs), its derived parameters,
// and the model file through the tool's own writer and reader.
#include "tool_model.hpp"

#include <parameters.hpp>
#include <record_json.hpp>

#include <cmath>
#include <limits>

namespace vqpy {

namespace {

constexpr std::size_t kPolynomialNumbers = 4 + 9 + 9;
constexpr std::size_t kSimilarity2dNumbers = 7;
constexpr std::size_t kSimilarity3dNumbers = 7 + 9;

bool has_similarity2d(vq::ModelKind kind) { return kind == vq::ModelKind::rigid || kind == vq::ModelKind::similarity; }
bool has_scale_estimator(vq::ModelKind kind) {
    return kind == vq::ModelKind::similarity || kind == vq::ModelKind::similarity3d;
}

std::size_t record_length(vq::ModelKind kind) {
    if (kind == vq::ModelKind::similarity3d) return kSimilarity3dNumbers;
    return kPolynomialNumbers + (has_similarity2d(kind) ? kSimilarity2dNumbers : 0);
}

}  // namespace

vq::ModelKind model_kind(const std::string& name) {
    if (const auto kind = vq::model_from_name(name)) return *kind;
    std::string names;
    for (const std::string& n : vq::model_names()) names += (names.empty() ? "" : ", ") + n;
    throw py::value_error("model must be one of " + names + ", got '" + name + "'");
}

vq::Transform transform_of(const std::string& kind, const std::vector<double>& record, bool y_down,
                           const std::optional<std::string>& scale_estimator) {
    const vq::ModelKind k = model_kind(kind);
    if (record.size() != record_length(k))
        throw py::value_error("the record of a " + kind + " model holds " + std::to_string(record_length(k)) +
                              " numbers, got " + std::to_string(record.size()));
    vq::Transform t;
    t.kind = k;
    if (y_down && t.dimension() != 2) throw py::value_error("y_down applies to 2D models only");
    t.y_down = y_down;
    if (scale_estimator) {
        if (!has_scale_estimator(k))
            throw py::value_error("a " + kind + " model has no scale estimator (only similarity and similarity3d)");
        if (*scale_estimator != "least_squares" && *scale_estimator != "symmetric")
            throw py::value_error("scale_estimator must be 'least_squares' or 'symmetric', got '" + *scale_estimator +
                                  "'");
        t.scale = *scale_estimator == "symmetric" ? vq::ScaleEstimator::symmetric : vq::ScaleEstimator::least_squares;
    }
    const double* v = record.data();
    if (k == vq::ModelKind::similarity3d) {
        Hel3Dg_dbl& h = t.similarity3d;
        double* head[7] = {&h.xm_origen, &h.ym_origen, &h.zm_origen, &h.xm_destino, &h.ym_destino, &h.zm_destino,
                           &h.escala};
        for (double* field : head) *field = *v++;
        for (double& r : h.R) r = *v++;
    } else {
        Trans_Polinomica2D_dbl& p = t.polynomial;
        p.tipo = vq::model_code(k);
        for (double* field : {&p.xm_origen, &p.ym_origen, &p.x0_destino, &p.y0_destino}) *field = *v++;
        for (double& c : p.coef_x) c = *v++;
        for (double& c : p.coef_y) c = *v++;
        if (has_similarity2d(k)) {
            Hel2Dg_dbl& h = t.similarity2d;
            for (double* field : {&h.xm_origen, &h.ym_origen, &h.xm_destino, &h.ym_destino, &h.escala, &h.cos_giro,
                                  &h.sen_giro})
                *field = *v++;
        }
    }
    if (!t.finite()) throw py::value_error("the record of the " + kind + " model holds non-finite numbers");
    return t;
}

py::tuple model_values(const vq::Transform& t) {
    std::vector<double> record;
    record.reserve(record_length(t.kind));
    if (t.kind == vq::ModelKind::similarity3d) {
        const Hel3Dg_dbl& h = t.similarity3d;
        record = {h.xm_origen, h.ym_origen, h.zm_origen, h.xm_destino, h.ym_destino, h.zm_destino, h.escala};
        record.insert(record.end(), h.R, h.R + 9);
    } else {
        const Trans_Polinomica2D_dbl& p = t.polynomial;
        record = {p.xm_origen, p.ym_origen, p.x0_destino, p.y0_destino};
        record.insert(record.end(), p.coef_x, p.coef_x + 9);
        record.insert(record.end(), p.coef_y, p.coef_y + 9);
        if (has_similarity2d(t.kind)) {
            const Hel2Dg_dbl& h = t.similarity2d;
            record.insert(record.end(), {h.xm_origen, h.ym_origen, h.xm_destino, h.ym_destino, h.escala, h.cos_giro,
                                         h.sen_giro});
        }
    }
    const py::object scale = has_scale_estimator(t.kind) ? py::object(py::str(vq::scale_estimator_name(t.scale)))
                                                         : py::object(py::none());
    return py::make_tuple(vq::model_name(t.kind), py::tuple(py::cast(record)), t.dimension() == 2 && t.y_down,
                          scale);
}

namespace {

using Record = std::vector<double>;
using Estimator = std::optional<std::string>;

// Maps every row of `points` into `out` (n x dim doubles); raises FitError
// for the first finite point an inverse cannot map back, after the loop.
void map_rows(const vq::Transform& t, bool inverse, const Rows& points, double* out) {
    const int dim = t.dimension();
    std::size_t failed = points.n;
    {
        py::gil_scoped_release unlocked;
        for (std::size_t i = 0; i < points.n; ++i) {
            const double* in = reinterpret_cast<const double*>(points.row(i));
            double* mapped = out + i * static_cast<std::size_t>(dim);
            if (!inverse) {
                t.apply(in, mapped);
                continue;
            }
            // A point that is not finite maps to what it maps to, as forwards;
            // a finite point that the model cannot map back is an error.
            bool finite = true;
            for (int k = 0; k < dim; ++k) finite = finite && std::isfinite(in[k]);
            if (!t.apply_inverse(in, mapped) && finite && failed == points.n) failed = i;
        }
    }
    if (failed == points.n) return;
    const bool polynomial = t.kind == vq::ModelKind::poly2 || t.kind == vq::ModelKind::poly3;
    throw vq::FitError("points[" + std::to_string(failed) + "] cannot be mapped back: " +
                       (polynomial ? "the inverse of the polynomial does not converge there (outside the region it "
                                     "maps one to one?)"
                                   : "the model is singular"));
}

py::array apply(const std::string& kind, const Record& record, bool y_down, const Estimator& scale, bool inverse,
                py::handle points) {
    const vq::Transform t = transform_of(kind, record, y_down, scale);
    const Rows rows = float64_rows(points, "points", t.dimension());
    py::array_t<double> out({static_cast<py::ssize_t>(rows.n), static_cast<py::ssize_t>(t.dimension())});
    map_rows(t, inverse, rows, out.mutable_data());
    return std::move(out);
}

py::array residuals(const std::string& kind, const Record& record, bool y_down, const Estimator& scale, bool inverse,
                    py::handle src, py::handle dst) {
    const vq::Transform t = transform_of(kind, record, y_down, scale);
    const int dim = t.dimension();
    const Rows from = float64_rows(src, "src", dim);
    const Rows to = float64_rows(dst, "dst", dim);
    if (from.n != to.n)
        throw py::value_error("src and dst must hold the same number of points, got " + std::to_string(from.n) +
                              " and " + std::to_string(to.n));
    py::array_t<double> out({static_cast<py::ssize_t>(from.n), static_cast<py::ssize_t>(dim)});
    double* v = out.mutable_data();
    map_rows(t, inverse, from, v);
    {
        py::gil_scoped_release unlocked;
        for (std::size_t i = 0; i < from.n; ++i) {
            const double* observed = reinterpret_cast<const double*>(to.row(i));
            for (int k = 0; k < dim; ++k) v[i * dim + k] = observed[k] - v[i * dim + k];
        }
    }
    return std::move(out);
}

py::list parameters(const std::string& kind, const Record& record, bool y_down, const Estimator& scale) {
    return parameter_list(vq::describe_parameters(transform_of(kind, record, y_down, scale)));
}

py::tuple from_json(const std::string& text) {
    try {
        return model_values(vq::parse_model_text(text, "model file text"));
    } catch (const vq::InputError& e) {
        throw py::value_error(e.what());
    }
}

}  // namespace

py::list parameter_list(const std::vector<vq::Parameter>& parameters) {
    py::list out;
    for (const vq::Parameter& p : parameters)
        out.append(py::make_tuple(p.key, py::tuple(py::cast(p.values)), py::tuple(py::cast(p.sd))));
    return out;
}

void bind_tool_model(py::module_& m) {
    m.def("model_check",
          [](const std::string& kind, const Record& record, bool y_down, const Estimator& scale) {
              return model_values(transform_of(kind, record, y_down, scale));
          },
          py::arg("kind"), py::arg("record"), py::arg("y_down"), py::arg("scale_estimator"),
          "The model's values as the model file keeps them (the scale estimator filled in), or ValueError.");
    m.def("model_apply", &apply, py::arg("kind"), py::arg("record"), py::arg("y_down"), py::arg("scale_estimator"),
          py::arg("inverse"), py::arg("points"),
          "vq::Transform::apply (inverse: apply_inverse) over every row of points, into a new float64 array.");
    m.def("model_residuals", &residuals, py::arg("kind"), py::arg("record"), py::arg("y_down"),
          py::arg("scale_estimator"), py::arg("inverse"), py::arg("src"), py::arg("dst"),
          "dst - model_apply(src), as vq::FitResult::residual forms v.");
    m.def("model_parameters", &parameters, py::arg("kind"), py::arg("record"), py::arg("y_down"),
          py::arg("scale_estimator"), "vq::describe_parameters: [(key, values, ())].");
    m.def("model_to_json",
          [](const std::string& kind, const Record& record, bool y_down, const Estimator& scale) {
              return vq::model_file_text(transform_of(kind, record, y_down, scale));
          },
          py::arg("kind"), py::arg("record"), py::arg("y_down"), py::arg("scale_estimator"),
          "vq::model_file_text: the model file vq fit --save writes.");
    m.def("model_from_json", &from_json, py::arg("text"),
          "vq::parse_model_text: (kind, record, y_down, scale_estimator); ValueError with the reader's message.");
}

}  // namespace vqpy
