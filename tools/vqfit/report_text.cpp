// Text report: model and point counts, parameters with standard deviations,
// the quality of the fit, the residual table (components, length, redundancy
// number, standardized residual, blunder mark; check points apart), then
// RMS, largest residual, suspected blunders and rejected points.
#include "numbers.hpp"
#include "parameters.hpp"
#include "point_file.hpp"
#include "report.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace vq {

namespace {

constexpr std::size_t kFixedBuffer = 512;

// The characters of fixed(value, decimals) from `buffer`; returns their end.
char* fixed_chars(char (&buffer)[kFixedBuffer], double value, int decimals) {
    static constexpr char kUndefined[] = "undefined";
    if (!std::isfinite(value)) return std::copy(kUndefined, kUndefined + sizeof kUndefined - 1, buffer);
    if (value == 0.0) value = 0.0;  // no "-0"
    static_assert(kFixedChars <= kFixedBuffer);
    if (decimals >= 0 && decimals <= 40) return format_fixed(buffer, value, decimals);
    const int length = std::snprintf(buffer, kFixedBuffer, "%.*f", decimals, value);
    return buffer + std::clamp(length, 0, static_cast<int>(kFixedBuffer) - 1);
}

// fixed(value, decimals) right-aligned in `width` columns, appended to `line`
// (the residual table builds its lines in one buffer).
void append_fixed(std::string& line, double value, int decimals, std::size_t width) {
    char buffer[kFixedBuffer];
    const char* end = fixed_chars(buffer, value, decimals);
    const auto length = static_cast<std::size_t>(end - buffer);
    if (length < width) line.append(width - length, ' ');
    line.append(buffer, length);
}

}  // namespace

std::string fixed(double value, int decimals) {
    char buffer[kFixedBuffer];
    return std::string(buffer, fixed_chars(buffer, value, decimals));
}

std::string shortest(double value) {
    if (value == 0.0) value = 0.0;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

namespace {

std::string pad_left(const std::string& s, std::size_t width) {
    return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

std::string pad_right(std::string s, std::size_t width) {
    if (s.size() < width) s.append(width - s.size(), ' ');
    return s;
}

std::string values_text(const std::vector<double>& values, int decimals) {
    std::string s;
    for (double v : values) s += " " + fixed(v, decimals);
    return s;
}

// Significant decimals for a standard deviation: two significant digits, at
// most the parameter's own decimals plus three.
int sd_decimals(const std::vector<double>& sd, int decimals) {
    double smallest = 0.0;
    for (double s : sd)
        if (s > 0.0 && std::isfinite(s) && (smallest == 0.0 || s < smallest)) smallest = s;
    if (smallest == 0.0) return decimals;
    const int digits = 1 - static_cast<int>(std::floor(std::log10(smallest)));
    return std::clamp(digits, 0, decimals + 3);
}

void write_parameters(Output& out, const FitResult& fit) {
    const Quality& q = fit.quality;
    const bool with_sd = q.has_deviations();
    out.write(std::string("\nparameters (lengths in destination units") + (with_sd ? "; ± one standard deviation" : "") +
              ")\n");
    for (const Parameter& p : describe_parameters(fit.transform, with_sd ? &q : nullptr)) {
        if (!p.in_text) continue;
        std::string line = "  " + p.label + ":";
        if (p.values.size() == 9) {
            for (int row = 0; row < 3; ++row) {
                line += "\n   ";
                for (int col = 0; col < 3; ++col)
                    line += " " + pad_left(fixed(p.values[3 * row + col], p.decimals), p.decimals + 4);
            }
        } else {
            line += values_text(p.values, p.decimals);
            if (!p.sd.empty()) line += "  ±" + values_text(p.sd, sd_decimals(p.sd, p.decimals));
        }
        out.write(line + "\n");
    }
}

void write_quality(Output& out, const FitResult& fit, int dec) {
    const Quality& q = fit.quality;
    std::string s = "\nquality\n";
    s += "  redundancy: " + std::to_string(q.redundancy) + " (" + std::to_string(q.observations) + " observations, " +
         std::to_string(q.unknowns) + " unknowns)\n";
    if (q.redundancy == 0) {
        s += "  no redundancy: the control points determine the model exactly; no sigma0 and no blunder test\n";
    } else if (q.exact) {
        s += "  sigma0: " + fixed(q.sigma0, dec + 6) +
             " (rounding noise: the points fit the model exactly; no blunder test)\n";
    } else {
        s += "  sigma0 (standard deviation of unit weight, destination units): " + fixed(q.sigma0, dec) + "\n";
        s += "  blunder test: |w| > " + shortest(q.critical_value) + ", w = v / (sigma sqrt(r)), r the redundancy "
             "number,\n  sigma = " + fixed(q.sigma, dec) +
             (q.a_priori ? " (a priori)\n"
                         : " (robust: 1.4826 median |v| / sqrt(r), which the blunders do not inflate)\n");
    }
    if (fit.transform.kind == ModelKind::similarity3d)
        s += std::string("  rotation: from the ") + fit.rotation.start + " start, " +
             std::to_string(fit.rotation.passes) + " refinement pass" + (fit.rotation.passes == 1 ? "" : "es") +
             " in double precision, converged\n";
    out.write(s);
}

}  // namespace

void write_report_text(Output& out, const FitResult& fit, const PointPairs& pairs, const PointTable& points,
                       const ReportOptions& options) {
    const int dim = fit.dimension();
    const int dec = options.decimals;
    const Transform& t = fit.transform;
    std::string head = "model: " + std::string(model_name(t.kind));
    if (t.kind == ModelKind::similarity || t.kind == ModelKind::similarity3d)
        head += t.scale == ScaleEstimator::symmetric ? ", symmetric scale" : ", least-squares scale";
    if (t.y_down) head += ", source rows counting down (y mirrored)";
    head += "  (" + std::to_string(fit.control) + " control points";
    if (fit.count() != fit.control) head += " of " + std::to_string(fit.count());
    head += " from " + points.file_name() + ")\n";
    for (const auto& w : fit.warnings) head += "warning: " + w + "\n";
    out.write(head);
    write_parameters(out, fit);
    write_quality(out, fit, dec);

    const bool testable = fit.quality.testable();
    if (!options.summary) {
        std::size_t id_width = 2;
        double largest = 0.0;
        for (std::size_t i = 0; i < fit.count(); ++i) {
            if (points.id(i).size() <= kIdColumnWidth) id_width = std::max(id_width, points.id(i).size());
            double fitted[3];
            t.apply(pairs.src(i), fitted);
            for (int k = 0; k < dim; ++k) largest = std::max(largest, std::fabs(pairs.dst(i)[k] - fitted[k]));
        }
        const std::size_t width = std::max<std::size_t>(static_cast<std::size_t>(dec) + 6,
                                                        fixed(-largest * std::sqrt(3.0), dec).size() + 2);
        static const char* const kComponent[] = {"vx", "vy", "vz"};
        std::string header = "  " + pad_right("id", id_width);
        for (int k = 0; k < dim; ++k) header += pad_left(kComponent[k], width);
        header += pad_left("|v|", width) + pad_left("r", 7) + (testable ? pad_left("w", 8) : "") + "\n";
        std::string line;  // one buffer for every row
        for (PointRole role : {PointRole::control, PointRole::check}) {
            bool any = false;
            for (std::size_t i = 0; i < fit.count(); ++i) {
                const bool in_group = role == PointRole::control ? fit.roles[i] == PointRole::control
                                                                 : fit.roles[i] != PointRole::control;
                if (!in_group) continue;
                if (!any) {
                    out.write(role == PointRole::control
                                  ? "\nresiduals (observed - transformed, destination units)\n" + header
                                  : "\ncheck points (not in the fit; r > 1 for a point outside it)\n" + header);
                    any = true;
                }
                const PointResidual r = fit.residual(pairs, i);
                const std::string_view id = points.id(i);
                line.assign("  ").append(id);
                if (id.size() < id_width) line.append(id_width - id.size(), ' ');
                for (int k = 0; k < dim; ++k) append_fixed(line, r.v[k], dec, width);
                append_fixed(line, r.length, dec, width);
                double redundancy = 0.0;
                for (int k = 0; k < dim; ++k) redundancy += r.redundancy[k] / dim;
                append_fixed(line, redundancy, 2, 7);
                if (testable) {
                    if (std::isfinite(r.largest_w)) append_fixed(line, r.largest_w, 2, 8);
                    else line.append(7, ' ').append("-");
                }
                if (r.flagged) line += "  << suspected blunder";
                if (fit.roles[i] == PointRole::rejected) line += "  (rejected)";
                line += '\n';
                out.write(line);
            }
        }
    }

    auto ids = [&](const std::vector<std::size_t>& list) {
        std::string s;
        for (std::size_t i : list) s += " " + std::string(points.id(i));
        return list.empty() ? std::string(" none") : s;
    };
    std::string tail = "\nRMS residual: " + fixed(fit.rms, dec) + "\n";
    tail += "largest residual: " + fixed(fit.residual(pairs, fit.largest).length, dec) + " at " +
            std::string(points.id(fit.largest)) + "\n";
    if (testable)
        tail += "suspected blunders (|w| > " + shortest(fit.quality.critical_value) + "):" + ids(fit.flagged) + "\n";
    else
        tail += "suspected blunders: not tested (" +
                std::string(fit.quality.redundancy == 0 ? "no redundancy" : "exact fit") + ")\n";
    if (!fit.rejected.empty()) tail += "rejected (--reject):" + ids(fit.rejected) + "\n";
    out.write(tail);
}

}  // namespace vq
