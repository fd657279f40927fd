// The _fl / _dbl exports of the 2D similarity seen through one template
// parameter, plus helpers shared by its tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "VQ2D3D.h"
#include "support/bits.hpp"
#include "support/exports.hpp"
#include "support/point_pairs.hpp"

template <class T> using Similarity2D = vq_test::Exports<T>;

using Twins = ::testing::Types<float, double>;

// Relative tolerance for results that are exact only up to rounding.
template <class T> constexpr T kTolerance = sizeof(T) == 4 ? T(2e-5) : T(1e-12);

// Records compared field by field with the shared rule (support/bits.hpp).
template <class Record> ::testing::AssertionResult same_bits(const Record& a, const Record& b) {
    return vq_test::same_record<decltype(a.escala)>(a, b);
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
    PointSets<T> sets;
    vq_test::similarity_pairs_2d(n, gen, {-500.0, 1500.0, 1.0, 0.8, 0.6, 4000.0, -700.0, 0.5},
                                 [&](double x, double y, double X, double Y) {
                                     sets.source.insert(sets.source.end(), {T(x), T(y)});
                                     sets.destination.insert(sets.destination.end(), {T(X), T(Y)});
                                 });
    return sets;
}
