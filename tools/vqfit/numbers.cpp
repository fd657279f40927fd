#include "numbers.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
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

char* format_fixed(char* first, double value, int decimals) {
    // |value| = m 2^e exactly, so value 10^d = (m 5^d) 2^(e+d): an integer
    // shifted, whose dropped bits say how to round.
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>(bits >> 52 & 0x7ff);
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const std::uint64_t m = biased == 0 ? fraction : fraction | std::uint64_t{1} << 52;
    const int e = (biased == 0 ? 1 : biased) - 1075;
    constexpr int kMostDecimals = 17;  // 5^17 m < 2^93
    if (decimals < 0 || decimals > kMostDecimals || e > 0)
        return std::to_chars(first, first + kFixedChars, value, std::chars_format::fixed, decimals).ptr;
    std::uint64_t five = 1, unit = 1;  // 5^d, 10^d
    for (int k = 0; k < decimals; ++k) {
        five *= 5;
        unit *= 10;
    }
    using Wide = unsigned __int128;
    const Wide product = static_cast<Wide>(m) * five;
    const int shift = -(e + decimals);  // value 10^d = product 2^-shift
    Wide q;
    if (shift <= 0) {
        q = product << -shift;  // -shift <= decimals: below 2^110
    } else if (shift >= 128) {
        q = 0;  // product < 2^93 <= half of 2^shift: rounds to zero
    } else {
        q = product >> shift;
        const Wide rest = product - (q << shift);
        const Wide half = Wide{1} << (shift - 1);
        if (rest > half || (rest == half && (q & 1) != 0)) ++q;
    }
    if (q >> 64 != 0)  // too many digits for one 64-bit integer
        return std::to_chars(first, first + kFixedChars, value, std::chars_format::fixed, decimals).ptr;
    const auto digits = static_cast<std::uint64_t>(q);
    char* p = first;
    if (bits >> 63) *p++ = '-';
    p = std::to_chars(p, p + 24, digits / unit).ptr;
    if (decimals > 0) {
        *p++ = '.';
        std::uint64_t rest = digits % unit;
        for (int k = decimals; k-- > 0;) {
            p[k] = static_cast<char>('0' + rest % 10);
            rest /= 10;
        }
        p += decimals;
    }
    return p;
}

}  // namespace vq
