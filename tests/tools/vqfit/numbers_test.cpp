// Fixed-decimal output: the same characters as printf's "%.*f", whichever
// path a value takes (one 64-bit integer, or std::to_chars beyond it).
#include "numbers.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

namespace {

std::string printf_fixed(double value, int decimals) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

std::string vq_fixed(double value, int decimals) {
    char buffer[vq::kFixedChars];
    return std::string(buffer, vq::format_fixed(buffer, value, decimals));
}

TEST(FormatFixed, MatchesPrintf) {
    // Exact ties (to even), carries into a new digit, -0 and tiny negatives
    // ("-0.00"), the ends of the 64-bit path, subnormals, the largest double.
    const double edges[] = {0.0, -0.0, 0.5, 1.5, 2.5, -2.5, 0.125, 0.375, 0.03125, 9.9995, 99.99999999,
                            -1e-300, 1e-5, 4503599627370495.5, 9007199254740991.0, 9007199254740992.0,
                            1e15 + 0.3, 184467440737.09551615, std::numeric_limits<double>::denorm_min(),
                            std::numeric_limits<double>::min(), std::numeric_limits<double>::max(), 4471320.75};
    for (double edge : edges)
        for (int decimals = 0; decimals <= 23; ++decimals)
            ASSERT_EQ(vq_fixed(edge, decimals), printf_fixed(edge, decimals)) << edge << " " << decimals;
    std::mt19937_64 random(20261209);
    std::uniform_real_distribution<double> exponent(-30.0, 25.0);
    for (int k = 0; k < 200000; ++k) {
        const double value = (k % 2 ? -1.0 : 1.0) * std::pow(10.0, exponent(random));
        // Values on a grid of 2^-12 land on ties of the decimals below 12.
        const double grid = k % 3 ? value : std::round(value * 4096.0) / 4096.0;
        const int decimals = static_cast<int>(random() % 18);
        ASSERT_EQ(vq_fixed(grid, decimals), printf_fixed(grid, decimals)) << grid << " " << decimals;
    }
}

}  // namespace
