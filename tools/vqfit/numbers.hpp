// Decimal numbers as vq reads them, in files and on the command line alike:
// the whole text is one number (an optional sign, digits with an optional
// point, an optional exponent); infinities and NaN are refused; a value too
// small for double becomes its correctly rounded subnormal or zero, a value
// too large is out of range. And as vq writes them with fixed decimals.
#pragma once

#include <string_view>

namespace vq {

enum class NumberStatus { ok, malformed, non_finite, out_of_range };

NumberStatus parse_number(std::string_view text, double& value);

// The characters of printf's "%.*f" for a finite value in the C locale (its
// exact binary value rounded to `decimals` places, ties to even; a minus for
// every negative value, -0 included), written from `first`; returns their
// end. Room for kFixedChars characters is enough for decimals <= 40.
// Several times faster than printf and std::to_chars for the values of
// reports (magnitudes below 2^53, at most 17 decimals), which it formats in
// one 64-bit integer; any other falls back to std::to_chars.
constexpr int kFixedChars = 360;
char* format_fixed(char* first, double value, int decimals);

}  // namespace vq
