// Mapping points through a model, for `vq apply`.
//
// The plain format streams: each line is read, mapped and written before the
// next is read, so memory stays constant whatever the input's length, and
// lines keep their order. Output lines follow the input: `id X Y [Z]` when
// the file has ids, `X Y [Z]` when it has none; a 2D model maps `x y z` to
// `X Y z` (z passed through); of a pair line the source columns are mapped,
// or with `inverse` the destination columns. Other formats are read whole
// and mapped the same way. Output is written as it is made: an error stops
// the run with the lines before it already written (write to a file with
// --output to have all or nothing).
#pragma once

#include "models.hpp"
#include "output.hpp"
#include "point_formats.hpp"

#include <cstdio>
#include <string>

namespace vq {

struct ApplyOptions {
    bool inverse = false;
    bool json = false;
    int decimals = -1;  // -1: the shortest text that reads back exactly
    ReadOptions input;  // format, ids, columns
};

// Maps every point of `path` ("-": standard input) through t (back to its
// source system when options.inverse) and writes them to out.
void apply_points(const Transform& t, const std::string& path, const ApplyOptions& options, StreamOutput& out);

}  // namespace vq
