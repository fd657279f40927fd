// Fit reports: a text report for people and the same content as JSON, both
// streamed point by point to an Output, so that their memory does not grow
// with the number of points.
#pragma once

#include "adjustment.hpp"
#include "output.hpp"

#include <nlohmann/json.hpp>
#include <string>

namespace vq {

class PointTable;

struct ReportOptions {
    int decimals = 4;      // residuals and coordinates in the text report
    bool summary = false;  // leave the per-point table out
};

// `points` gives the ids and lines of the pairs that were fitted.
void write_report_text(Output& out, const FitResult& fit, const PointPairs& pairs, const PointTable& points,
                       const ReportOptions& options);
void write_report_json(Output& out, const FitResult& fit, const PointPairs& pairs, const PointTable& points,
                       const ReportOptions& options);

// printf-style fixed formatting of one number ("undefined" when not finite).
std::string fixed(double value, int decimals);
// Shortest text that reads back as the same double.
std::string shortest(double value);

// The longest id the text report pads its columns to; a longer id takes its
// own width on its own line and leaves the others aligned.
constexpr std::size_t kIdColumnWidth = 24;

}  // namespace vq
