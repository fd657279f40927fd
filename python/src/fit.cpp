// vq.fit: a complete fit of the vq tool (vq::fit_points of tools/vqfit) on
// numpy arrays, and the report `vq fit --json` gives of it: the same
// parameters and standard deviations, quality, and per point the residual,
// the transformed source, the redundancy numbers, the standardized residuals
// and the blunder flag, all computed by the tool's library.
#include "tool_model.hpp"

#include <adjustment.hpp>
#include <quality.hpp>

#include <cmath>
#include <cstdint>

namespace vqpy {

namespace {

// The first coordinate of `rows` that is not finite, as "name[i, k] is nan".
std::string first_non_finite(const Rows& rows, const char* name) {
    std::size_t bad = rows.n;
    int axis = 0;
    {
        py::gil_scoped_release unlocked;
        for (std::size_t i = 0; i < rows.n && bad == rows.n; ++i) {
            const double* p = reinterpret_cast<const double*>(rows.row(i));
            for (int k = 0; k < rows.dim; ++k)
                if (!std::isfinite(p[k])) {
                    bad = i;
                    axis = k;
                    break;
                }
        }
    }
    if (bad == rows.n) return {};
    const double v = reinterpret_cast<const double*>(rows.row(bad))[axis];
    return std::string(name) + "[" + std::to_string(bad) + ", " + std::to_string(axis) + "] is " +
           (std::isnan(v) ? "nan" : v > 0 ? "inf" : "-inf") + "; a fit takes finite coordinates";
}

std::vector<vq::PointRole> roles_of(py::handle check, std::size_t n) {
    if (check.is_none()) return {};
    py::array a = py::module_::import("numpy").attr("asarray")(check);
    if (a.dtype().kind() != 'b')
        throw py::type_error("check has dtype " + py::str(a.dtype()).cast<std::string>() +
                             "; it must be a boolean mask (True: a check point, not in the fit)");
    if (a.ndim() != 1 || static_cast<std::size_t>(a.shape(0)) != n)
        throw py::value_error("check must have shape (" + std::to_string(n) + ",), got " + shape_text(a));
    auto mask = py::array_t<bool, py::array::c_style | py::array::forcecast>::ensure(a);
    std::vector<vq::PointRole> roles(n);
    for (std::size_t i = 0; i < n; ++i) roles[i] = mask.data()[i] ? vq::PointRole::check : vq::PointRole::control;
    return roles;
}

py::dict quality_dict(const vq::Quality& q) {
    py::dict d;
    d["observations"] = q.observations;
    d["unknowns"] = q.unknowns;
    d["redundancy"] = q.redundancy;
    d["vtv"] = q.vtv;
    d["sigma0"] = q.sigma0;
    d["exact"] = q.exact;
    d["tested"] = q.testable();
    d["sigma"] = q.sigma;
    d["a_priori"] = q.a_priori;
    d["critical_value"] = q.critical_value;
    return d;
}

py::dict fit(py::handle src_obj, py::handle dst_obj, const std::string& model, const std::string& scale, bool y_down,
             double critical_value, double sigma, std::optional<std::size_t> reject, py::handle check) {
    const vq::ModelKind kind = model_kind(model);
    const int dim = vq::model_dimension(kind);
    const Rows src = float64_rows(src_obj, "src", dim);
    const Rows dst = float64_rows(dst_obj, "dst", dim);
    if (src.n != dst.n)
        throw py::value_error("src and dst must hold the same number of points, got " + std::to_string(src.n) +
                              " and " + std::to_string(dst.n));
    for (const auto& [rows, name] : {std::pair{&src, "src"}, std::pair{&dst, "dst"}})
        if (std::string bad = first_non_finite(*rows, name); !bad.empty()) throw py::value_error(bad);
    const std::vector<vq::PointRole> roles = roles_of(check, src.n);

    constexpr auto d = static_cast<std::int64_t>(sizeof(double));
    const vq::PointPairs pairs{dim, src.n, reinterpret_cast<const double*>(src.data), src.stride / d,
                               reinterpret_cast<const double*>(dst.data), dst.stride / d};
    vq::FitOptions options;
    options.scale = scale == "symmetric" ? vq::ScaleEstimator::symmetric : vq::ScaleEstimator::least_squares;
    options.y_down = y_down;
    options.critical_value = critical_value;
    options.sigma = sigma;
    options.reject = reject;

    const auto n = static_cast<py::ssize_t>(src.n);
    py::array_t<double> residuals({n, py::ssize_t{dim}}), fitted({n, py::ssize_t{dim}}), lengths(n),
        redundancy({n, py::ssize_t{dim}}), standardized({n, py::ssize_t{dim}});
    py::array_t<bool> flagged(n);
    py::array_t<std::uint8_t> role_codes(n);
    vq::FitResult r;
    {
        py::gil_scoped_release unlocked;
        r = vq::fit_points(pairs, roles, kind, options, "vq.fit");
        double *v = residuals.mutable_data(), *x = fitted.mutable_data(), *q = redundancy.mutable_data(),
               *w = standardized.mutable_data();
        for (std::size_t i = 0; i < src.n; ++i) {
            const vq::PointResidual p = r.residual(pairs, i);
            const std::size_t at = i * static_cast<std::size_t>(dim);
            for (int k = 0; k < dim; ++k) {
                v[at + k] = p.v[k];
                x[at + k] = p.fitted[k];
                q[at + k] = p.redundancy[k];
                w[at + k] = p.w[k];
            }
            lengths.mutable_data()[i] = p.length;
            flagged.mutable_data()[i] = p.flagged;
            role_codes.mutable_data()[i] = static_cast<std::uint8_t>(r.roles[i]);
        }
    }
    const vq::Quality& q = r.quality;
    // Standard deviations as the tool reports them: only where sigma0 says
    // something (redundancy, and not an exact fit's rounding noise).
    const bool with_sd = q.has_deviations();
    py::dict out;
    out["model"] = model_values(r.transform);
    out["parameters"] = parameter_list(vq::describe_parameters(r.transform, with_sd ? &q : nullptr));
    out["quality"] = quality_dict(q);
    out["rotation"] = kind == vq::ModelKind::similarity3d
                          ? py::object(py::make_tuple(r.rotation.start, r.rotation.passes, r.rotation.converged))
                          : py::object(py::none());
    out["residuals"] = residuals;
    out["fitted"] = fitted;
    out["lengths"] = lengths;
    out["redundancy"] = redundancy;
    out["standardized"] = standardized;
    out["flagged"] = flagged;
    out["roles"] = role_codes;
    out["rejected"] = py::tuple(py::cast(r.rejected));
    out["rms"] = r.rms;
    out["largest"] = r.largest;
    out["warnings"] = py::tuple(py::cast(r.warnings));
    return out;
}

}  // namespace

void bind_fit(py::module_& m) {
    m.def("fit", &fit, py::arg("src"), py::arg("dst"), py::arg("model"), py::arg("scale"), py::arg("y_down"),
          py::arg("critical_value"), py::arg("sigma"), py::arg("reject"), py::arg("check"),
          "vq::fit_points and the residual of every point: a dict of the report's parts. roles holds "
          "0 control, 1 check, 2 rejected.");
}

}  // namespace vqpy
