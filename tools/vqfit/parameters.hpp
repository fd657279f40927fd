// The fitted parameters in the terms users think in, one list shared by the
// text and the JSON reports and the model file.
#pragma once

#include "models.hpp"

#include <string>
#include <vector>

namespace vq {

struct Parameter {
    std::string key;             // JSON key, e.g. "scale_ppm"
    std::string label;           // text label, e.g. "scale - 1 (ppm)"
    std::vector<double> values;  // one value, a vector or a row-major matrix
    int decimals;                // fixed decimals in the text report
};

std::vector<Parameter> describe_parameters(const Transform& t);

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegreesPerRadian = 180.0 / kPi;
constexpr double kGonPerRadian = 200.0 / kPi;

}  // namespace vq
