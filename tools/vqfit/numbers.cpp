#include "numbers.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace vq {

NumberStatus parse_number(std::string_view text, double& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') {
        ++first;
        if (first != last && (*first == '-' || *first == '+')) return NumberStatus::malformed;
    }
    if (first == last) return NumberStatus::malformed;
    auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range && ptr == last) {
        // Underflow or overflow: strtod rounds an underflow correctly to a
        // subnormal or zero, and an overflow to infinity.
        const std::string copy(first, last);
        value = std::strtod(copy.c_str(), nullptr);
        return std::isinf(value) ? NumberStatus::out_of_range : NumberStatus::ok;
    }
    if (ec != std::errc() || ptr != last) return NumberStatus::malformed;
    if (!std::isfinite(value)) return NumberStatus::non_finite;
    return NumberStatus::ok;
}

}  // namespace vq
