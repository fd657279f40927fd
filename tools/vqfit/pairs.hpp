// Point pairs as the fits read them: `count` pairs of a source point and its
// destination point, `dim` coordinates each (2 or 3), found `step` doubles
// apart. A point file's table, a numpy array or two plain arrays all give one.
#pragma once

#include <cstddef>
#include <vector>

namespace vq {

struct PointPairs {
    int dim = 2;
    std::size_t count = 0;
    const double* source = nullptr;
    std::ptrdiff_t source_step = 0;
    const double* destination = nullptr;
    std::ptrdiff_t destination_step = 0;

    const double* src(std::size_t i) const { return source + static_cast<std::ptrdiff_t>(i) * source_step; }
    const double* dst(std::size_t i) const { return destination + static_cast<std::ptrdiff_t>(i) * destination_step; }
};

class PointTable;

// The pairs of a table whose lines hold 2 * dim numbers (source, destination).
PointPairs point_pairs(const PointTable& table);

// The same pairs with every source y mirrored (y -> -y), for image rows that
// count down; `storage` keeps the mirrored source coordinates.
PointPairs mirrored_source_y(const PointPairs& pairs, std::vector<double>& storage);

}  // namespace vq
