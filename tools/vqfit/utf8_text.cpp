#include "utf8_text.hpp"

namespace vq {

namespace {

// Length of the valid UTF-8 sequence at s[i] (overlong forms, surrogates and
// code points above U+10FFFF are not valid), or 0.
std::size_t valid_sequence(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char c = b(0);
    if (c < 0x80) return 1;
    std::size_t n = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) n = 2;
    else if (c == 0xE0) n = 3, low = 0xA0;
    else if (c >= 0xE1 && c <= 0xEC) n = 3;
    else if (c == 0xED) n = 3, high = 0x9F;
    else if (c >= 0xEE && c <= 0xEF) n = 3;
    else if (c == 0xF0) n = 4, low = 0x90;
    else if (c >= 0xF1 && c <= 0xF3) n = 4;
    else if (c == 0xF4) n = 4, high = 0x8F;
    else return 0;
    if (i + n > s.size()) return 0;
    if (b(1) < low || b(1) > high) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (b(k) < 0x80 || b(k) > 0xBF) return 0;
    return n;
}

}  // namespace

std::string utf8_text(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t n = valid_sequence(bytes, i);
        if (n > 0) {
            out.append(bytes.substr(i, n));
            i += n;
            continue;
        }
        const auto c = static_cast<unsigned char>(bytes[i++]);
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

}  // namespace vq
