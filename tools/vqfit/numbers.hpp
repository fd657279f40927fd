// Decimal numbers as vq reads them, in files and on the command line alike:
// the whole text is one number (an optional sign, digits with an optional
// point, an optional exponent); infinities and NaN are refused; a value too
// small for double becomes its correctly rounded subnormal or zero, a value
// too large is out of range.
#pragma once

#include <string_view>

namespace vq {

enum class NumberStatus { ok, malformed, non_finite, out_of_range };

NumberStatus parse_number(std::string_view text, double& value);

}  // namespace vq
