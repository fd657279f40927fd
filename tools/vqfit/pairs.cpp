#include "pairs.hpp"

#include "point_file.hpp"

namespace vq {

PointPairs point_pairs(const PointTable& table) {
    PointPairs p;
    p.dim = table.numbers_per_point() / 2;
    p.count = table.size();
    p.source = table.size() ? table.values(0) : nullptr;
    p.destination = table.size() ? table.values(0) + p.dim : nullptr;
    p.source_step = p.destination_step = table.numbers_per_point();
    return p;
}

PointPairs mirrored_source_y(const PointPairs& pairs, std::vector<double>& storage) {
    storage.resize(pairs.count * static_cast<std::size_t>(pairs.dim));
    for (std::size_t i = 0; i < pairs.count; ++i)
        for (int k = 0; k < pairs.dim; ++k) storage[i * pairs.dim + k] = k == 1 ? -pairs.src(i)[k] : pairs.src(i)[k];
    PointPairs m = pairs;
    m.source = storage.data();
    m.source_step = pairs.dim;
    return m;
}

}  // namespace vq
