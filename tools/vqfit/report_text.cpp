// Text report: model and point count, parameters, the residual table
// (components, length, blunder mark), then RMS, largest residual and the list
// of suspected blunders (|v| > 3 RMS).
#include "parameters.hpp"
#include "point_file.hpp"
#include "report.hpp"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace vq {

std::string fixed(double value, int decimals) {
    if (value == 0.0) value = 0.0;  // no "-0"
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
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

}  // namespace

std::string fit_report_text(const FitResult& fit, const PointTable& points, const ReportOptions& options) {
    const int dim = fit.transform.dimension();
    const int dec = options.decimals;
    std::string out;
    out += "model: " + std::string(model_name(fit.transform.kind)) + "  (" + std::to_string(fit.count) +
           " points from " + points.file_name() + ")\n";
    for (const auto& w : fit.warnings) out += "warning: " + w + "\n";

    out += "\nparameters\n";
    for (const Parameter& p : describe_parameters(fit.transform)) {
        out += "  " + p.label + ":";
        if (p.values.size() == 9) {
            for (int row = 0; row < 3; ++row) {
                out += "\n   ";
                for (int col = 0; col < 3; ++col) out += " " + pad_left(fixed(p.values[3 * row + col], p.decimals), p.decimals + 4);
            }
        } else {
            for (double v : p.values) out += " " + fixed(v, p.decimals);
        }
        out += "\n";
    }

    std::size_t id_width = 2;
    for (std::size_t i = 0; i < fit.count; ++i) id_width = std::max(id_width, points.id(i).size());
    std::size_t width = static_cast<std::size_t>(dec) + 6;
    for (double v : fit.residuals) width = std::max(width, fixed(v, dec).size() + 1);

    static const char* const kComponent[] = {"vx", "vy", "vz"};
    out += "\nresiduals (observed - transformed)\n  " + pad_right("id", id_width);
    for (int k = 0; k < dim; ++k) out += pad_left(kComponent[k], width);
    out += pad_left("|v|", width) + "\n";
    for (std::size_t i = 0; i < fit.count; ++i) {
        out += "  " + pad_right(std::string(points.id(i)), id_width);
        for (int k = 0; k < dim; ++k) out += pad_left(fixed(fit.residuals[i * dim + k], dec), width);
        out += pad_left(fixed(fit.lengths[i], dec), width);
        if (fit.blunder[i]) out += "  << suspected blunder";
        out += "\n";
    }

    out += "\nRMS residual: " + fixed(fit.rms, dec) + "\n";
    out += "largest residual: " + fixed(fit.lengths[fit.largest], dec) + " at " +
           std::string(points.id(fit.largest)) + "\n";
    std::string flagged;
    for (std::size_t i = 0; i < fit.count; ++i)
        if (fit.blunder[i]) flagged += " " + std::string(points.id(i));
    out += "suspected blunders (|v| > 3 RMS):" + (flagged.empty() ? std::string(" none") : flagged) + "\n";
    return out;
}

}  // namespace vq
