// Fit reports: a text report for people and the same content as JSON.
#pragma once

#include "models.hpp"

#include <nlohmann/json.hpp>
#include <string>

namespace vq {

class PointTable;

struct ReportOptions {
    int decimals = 4;  // residuals and coordinates in the text report
};

std::string fit_report_text(const FitResult& fit, const PointTable& points, const ReportOptions& options);
nlohmann::json fit_report_json(const FitResult& fit, const PointTable& points);

// printf-style fixed formatting of one number.
std::string fixed(double value, int decimals);
// Shortest text that reads back as the same double.
std::string shortest(double value);

}  // namespace vq
