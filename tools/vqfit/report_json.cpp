// JSON report: the same content as the text report, numbers at full
// precision (non-finite ones as null). Everything but the residual rows is
// built as one small document; the rows are streamed after it, so the report
// of a million points needs no more memory than that of ten. The fields are
// described in docs/report.md.
#include "parameters.hpp"
#include "point_file.hpp"
#include "record_json.hpp"
#include "report.hpp"
#include "utf8_text.hpp"

#include <charconv>
#include <cmath>

namespace vq {

namespace {

using nlohmann::json;

const char* role_name(PointRole role) {
    switch (role) {
    case PointRole::control: return "control";
    case PointRole::check: return "check";
    case PointRole::rejected: return "rejected";
    }
    return "control";
}

std::string dump(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

json number_or_null(double v) { return std::isfinite(v) ? json(v) : json(nullptr); }

// The residual rows are many: their numbers go straight through to_chars,
// which gives the same shortest round-trip text as the JSON library.
void append_number(std::string& out, double v) {
    if (!std::isfinite(v)) {
        out += "null";
        return;
    }
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
    out.append(buffer, end);
}

}  // namespace

void write_report_json(Output& out, const FitResult& fit, const PointPairs& pairs, const PointTable& points,
                       const ReportOptions& options) {
    const int dim = fit.dimension();
    const Transform& t = fit.transform;
    const Quality& q = fit.quality;
    json j;
    j["format"] = "vq-report";
    j["version"] = 2;
    j["model"] = model_name(t.kind);
    j["dimension"] = dim;
    if (t.kind == ModelKind::similarity || t.kind == ModelKind::similarity3d)
        j["scale_estimator"] = scale_estimator_name(t.scale);
    if (dim == 2) j["y_down"] = t.y_down;
    j["file"] = utf8_text(points.file_name());
    j["points"] = fit.count();
    j["control_points"] = fit.control;
    j["warnings"] = fit.warnings;
    const bool with_sd = q.has_deviations();
    json params = json::object(), sds = json::object();
    for (const Parameter& p : describe_parameters(t, with_sd ? &q : nullptr)) {
        params[p.key] = p.values.size() == 1 ? json(p.values[0]) : json(p.values);
        if (p.sd.empty()) continue;
        json s = json::array();
        for (double v : p.sd) s.push_back(number_or_null(v));
        sds[p.key] = p.sd.size() == 1 ? s[0] : s;
    }
    j["parameters"] = params;
    j["standard_deviations"] = sds;
    j["quality"] = {{"observations", q.observations},
                    {"unknowns", q.unknowns},
                    {"redundancy", q.redundancy},
                    {"vtv", q.vtv},
                    {"sigma0", number_or_null(q.sigma0)},
                    {"exact_fit", q.exact},
                    {"blunder_test",
                     {{"tested", q.testable()},
                      {"sigma", number_or_null(q.sigma)},
                      {"sigma_source", q.a_priori ? "a_priori" : "robust"},
                      {"critical_value", q.critical_value}}}};
    if (t.kind == ModelKind::similarity3d)
        j["rotation_solution"] = {
            {"start", fit.rotation.start}, {"passes", fit.rotation.passes}, {"converged", fit.rotation.converged}};
    j["record"] = record_to_json(t);
    j["rms"] = fit.rms;
    j["largest_residual"] = {{"id", utf8_text(points.id(fit.largest))},
                             {"length", fit.residual(pairs, fit.largest).length}};
    json flagged = json::array(), rejected = json::array();
    for (std::size_t i : fit.flagged) flagged.push_back(utf8_text(points.id(i)));
    for (std::size_t i : fit.rejected) rejected.push_back(utf8_text(points.id(i)));
    j["suspected_blunders"] = flagged;
    j["rejected"] = rejected;

    std::string head = dump(j);
    head.pop_back();  // the closing brace: the residual rows follow
    out.write(head);
    out.write(",\"residuals\":[");
    if (!options.summary) {
        std::string row;
        for (std::size_t i = 0; i < fit.count(); ++i) {
            const PointResidual r = fit.residual(pairs, i);
            row.clear();
            if (i) row += ",";
            row += "\n{\"id\":" + dump(json(utf8_text(points.id(i)))) + ",\"line\":" + std::to_string(points.line(i)) +
                   ",\"role\":\"" + role_name(fit.roles[i]) + "\"";
            auto vector = [&](const char* key, const double* v) {
                row += std::string(",\"") + key + "\":[";
                for (int k = 0; k < dim; ++k) {
                    if (k) row += ',';
                    append_number(row, v[k]);
                }
                row += "]";
            };
            vector("residual", r.v);
            row += ",\"length\":";
            append_number(row, r.length);
            vector("transformed", r.fitted);
            vector("redundancy", r.redundancy);
            vector("standardized", r.w);
            row += std::string(",\"suspected_blunder\":") + (r.flagged ? "true" : "false") + "}";
            out.write(row);
        }
    }
    out.write("\n]}\n");
}

}  // namespace vq
