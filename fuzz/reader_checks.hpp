// What every reader promises on any bytes: a table whose points are finite,
// with ids and lines in order, or an InputError located in "fuzz:". Anything
// else (another exception, a crash, a sanitizer report) is a finding.
#pragma once

#include "point_table.hpp"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace vq_fuzz {

template <typename Read>
void check_reader(const std::uint8_t* data, std::size_t size, Read&& read) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const vq::PointTable table = read(text);
        if (table.size() == 0 || table.numbers_per_point() < 2) std::abort();
        for (std::size_t i = 0; i < table.size(); ++i) {
            for (int k = 0; k < table.numbers_per_point(); ++k)
                if (!std::isfinite(table.values(i)[k])) std::abort();
            if (i > 0 && table.line(i) < table.line(i - 1)) std::abort();
        }
    } catch (const vq::InputError& e) {
        if (std::strncmp(e.what(), "fuzz", 4) != 0) std::abort();
    }
}

}  // namespace vq_fuzz
