// The fitted parameters in the terms users think in, one list shared by the
// text and the JSON reports and the model file, each with its standard
// deviation when the fit's quality is known.
#pragma once

#include "models.hpp"

#include <string>
#include <vector>

namespace vq {

struct Quality;

struct Parameter {
    std::string key;             // JSON key, e.g. "scale_ppm"
    std::string label;           // text label, e.g. "scale - 1 (ppm)"
    std::vector<double> values;  // one value, a vector or a row-major matrix
    int decimals;                // fixed decimals in the text report
    std::vector<double> sd;      // standard deviations, one per value; empty where none
    bool in_text = true;         // shown in the text report (ppm only near a scale of 1)
};

// With `quality`, the standard deviations from sigma0^2 Qxx propagated through
// each parameter's exact Jacobian.
std::vector<Parameter> describe_parameters(const Transform& t, const Quality* quality = nullptr);

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegreesPerRadian = 180.0 / kPi;
constexpr double kGonPerRadian = 200.0 / kPi;

// ppm is shown for scales within this distance of 1; a scale far from 1 (a
// pixel-to-metre fit) reads better as a factor.
constexpr double kPpmScaleRange = 1e-3;

}  // namespace vq
