// JSON report: the same content as the text report, numbers at full precision.
#include "parameters.hpp"
#include "point_file.hpp"
#include "record_json.hpp"
#include "report.hpp"
#include "utf8_text.hpp"

namespace vq {

nlohmann::json fit_report_json(const FitResult& fit, const PointTable& points) {
    using nlohmann::json;
    const int dim = fit.transform.dimension();
    json j;
    j["model"] = model_name(fit.transform.kind);
    j["dimension"] = dim;
    j["points"] = fit.count;
    j["file"] = utf8_text(points.file_name());
    j["warnings"] = fit.warnings;
    json params = json::object();
    for (const Parameter& p : describe_parameters(fit.transform))
        params[p.key] = p.values.size() == 1 ? json(p.values[0]) : json(p.values);
    j["parameters"] = params;
    j["record"] = record_to_json(fit.transform);

    json rows = json::array();
    json blunders = json::array();
    for (std::size_t i = 0; i < fit.count; ++i) {
        const auto begin = fit.residuals.begin() + static_cast<std::ptrdiff_t>(i * dim);
        const auto fitted = fit.fitted.begin() + static_cast<std::ptrdiff_t>(i * dim);
        rows.push_back({{"id", utf8_text(points.id(i))},
                        {"line", points.line(i)},
                        {"residual", std::vector<double>(begin, begin + dim)},
                        {"length", fit.lengths[i]},
                        {"transformed", std::vector<double>(fitted, fitted + dim)},
                        {"suspected_blunder", static_cast<bool>(fit.blunder[i])}});
        if (fit.blunder[i]) blunders.push_back(utf8_text(points.id(i)));
    }
    j["residuals"] = rows;
    j["rms"] = fit.rms;
    j["largest_residual"] = {{"id", utf8_text(points.id(fit.largest))}, {"length", fit.lengths[fit.largest]}};
    j["blunder_factor"] = kBlunderFactor;
    j["suspected_blunders"] = blunders;
    return j;
}

}  // namespace vq
