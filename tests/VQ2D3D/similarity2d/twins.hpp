// The _fl / _dbl exports of the 2D similarity seen through one template
// parameter, plus helpers shared by its tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "VQ2D3D.h"

template <class T> struct Similarity2D;

template <> struct Similarity2D<float> {
    using Hel2Dg = Hel2Dg_fl;
    using Hel2D = Hel2D_fl;
    static constexpr auto pp = Hel2Dg___pp_fl;
    static constexpr auto p = Hel2Dg___p_fl;
    static constexpr auto g = Hel2Dg___g_fl;
    static constexpr auto gg = Hel2Dg___gg_fl;
    static constexpr auto mixed = Hel2Dg___mixed_fl;
    static constexpr auto ptr = Hel2Dg___ptr_fl;
    static constexpr auto to_hel2d = Hel2D___Hel2Dg_fl;
};

template <> struct Similarity2D<double> {
    using Hel2Dg = Hel2Dg_dbl;
    using Hel2D = Hel2D_dbl;
    static constexpr auto pp = Hel2Dg___pp_dbl;
    static constexpr auto p = Hel2Dg___p_dbl;
    static constexpr auto g = Hel2Dg___g_dbl;
    static constexpr auto gg = Hel2Dg___gg_dbl;
    static constexpr auto mixed = Hel2Dg___mixed_dbl;
    static constexpr auto ptr = Hel2Dg___ptr_dbl;
    static constexpr auto to_hel2d = Hel2D___Hel2Dg_dbl;
};

using Twins = ::testing::Types<float, double>;

// Relative tolerance for results that are exact only up to rounding.
template <class T> constexpr T kTolerance = sizeof(T) == 4 ? T(2e-5) : T(1e-12);

// Records compared as raw bytes: NaN payloads and signed zeros included.
template <class Record> ::testing::AssertionResult same_bits(const Record& a, const Record& b) {
    if (std::memcmp(&a, &b, sizeof(Record)) == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "records differ in their bits";
}

// n pairs of points as two plain arrays x0, y0, x1, y1, ...
template <class T> struct PointSets {
    std::vector<T> source;
    std::vector<T> destination;
    uint32_t count() const { return static_cast<uint32_t>(source.size() / 2); }
};

// Source points scattered over a field, destination points a similarity of
// them plus noise, so that every sum of the fit is exercised.
template <class T> PointSets<T> random_pairs(uint32_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> coord(-500.0, 1500.0);
    std::uniform_real_distribution<double> noise(-0.5, 0.5);
    PointSets<T> sets;
    for (uint32_t i = 0; i < n; ++i) {
        const double x = coord(gen), y = coord(gen);
        sets.source.push_back(static_cast<T>(x));
        sets.source.push_back(static_cast<T>(y));
        sets.destination.push_back(static_cast<T>(4000.0 + 0.8 * x - 0.6 * y + noise(gen)));
        sets.destination.push_back(static_cast<T>(-700.0 + 0.6 * x + 0.8 * y + noise(gen)));
    }
    return sets;
}
