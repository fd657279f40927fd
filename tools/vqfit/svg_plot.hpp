// SVG picture of a fit: control points with their residual vectors, magnified.
#pragma once

#include "models.hpp"

#include <string>

namespace vq {

class PointTable;

struct PlotOptions {
    double magnification = 0.0;  // 0: chosen so the largest vector spans about 15 % of the picture
};

std::string fit_plot_svg(const FitResult& fit, const PointTable& points, const PlotOptions& options);

// Text made safe inside XML: markup characters escaped, control characters and
// bytes that are not UTF-8 replaced by '?'.
std::string xml_escape(std::string_view text);

// The largest of 1, 2, 5 times a power of ten not above `value` (value > 0).
double nice_below(double value);

}  // namespace vq
