// SVG picture of a fit: control points with their residual vectors, magnified
// so that a typical (median) residual is clearly visible, blunders drawn
// clipped with their length written beside them, check points apart.
#pragma once

#include "adjustment.hpp"

#include <string>
#include <string_view>

namespace vq {

class PointTable;

struct PlotOptions {
    double magnification = 0.0;  // 0: automatic, from the median residual
};

std::string fit_plot_svg(const FitResult& fit, const PointPairs& pairs, const PointTable& points,
                         const PlotOptions& options);

// Text made safe inside XML: markup characters escaped, control characters and
// bytes that are not UTF-8 replaced by '?'.
std::string xml_escape(std::string_view text);

// The largest of 1, 2, 5 times a power of ten not above `value` (value > 0).
double nice_below(double value);

// Beyond this many points the plot draws an even sample of them (and every
// flagged, check and rejected point) and says so.
constexpr std::size_t kPlotPoints = 10000;

}  // namespace vq
