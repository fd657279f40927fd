// The C++ side of the one value comparison of the tests (bits.h): equal bits,
// any NaN equal to any NaN. Failures name the first differing value in hex.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <type_traits>
#include <vector>

#include "support/bits.h"

namespace vq_test {

inline bool same_value(float a, float b) { return vq_same_float(a, b) != 0; }
inline bool same_value(double a, double b) { return vq_same_double(a, b) != 0; }

template <class T>
::testing::AssertionResult same_bits(const T* x, const T* y, std::size_t count) {
    std::size_t first = count, differing = 0;
    for (std::size_t k = 0; k < count; ++k)
        if (!same_value(x[k], y[k]) && differing++ == 0) first = k;
    if (differing == 0) return ::testing::AssertionSuccess();
    char text[160];
    std::snprintf(text, sizeof text, "value %zu is %a, want %a (%zu values differ)", first,
                  double(x[first]), double(y[first]), differing);
    return ::testing::AssertionFailure() << text;
}

template <class T, class = std::enable_if_t<std::is_floating_point_v<T>>>
::testing::AssertionResult same_bits(T x, T y) {
    return same_bits(&x, &y, 1);
}

template <class T>
::testing::AssertionResult same_bits(const std::vector<T>& x, const std::vector<T>& y) {
    if (x.size() != y.size())
        return ::testing::AssertionFailure() << x.size() << " values, want " << y.size();
    return same_bits(x.data(), y.data(), x.size());
}

// A record whose fields are all of type T (the C records of the libraries).
template <class T, class Record>
::testing::AssertionResult same_record(const Record& a, const Record& b) {
    static_assert(sizeof(Record) % sizeof(T) == 0, "a record of T alone");
    constexpr std::size_t count = sizeof(Record) / sizeof(T);
    T x[count], y[count];
    std::memcpy(x, &a, sizeof x);
    std::memcpy(y, &b, sizeof y);
    return same_bits(x, y, count);
}

}  // namespace vq_test
