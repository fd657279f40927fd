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
// OutputFile to have all or nothing).
#pragma once

#include "models.hpp"
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

// Buffered output to a stream; throws OutputError naming `name` when a write fails.
class OutputSink {
public:
    OutputSink(std::FILE* stream, std::string name) : stream_(stream), name_(std::move(name)) { buffer_.reserve(kBuffer); }
    ~OutputSink();
    void write(std::string_view text);
    char* room(std::size_t bytes);  // a place for at most `bytes`, then commit()
    void commit(char* end) { buffer_.resize(static_cast<std::size_t>(end - buffer_.data())); }
    void flush();

private:
    static constexpr std::size_t kBuffer = 1 << 16;
    std::FILE* stream_;
    std::string name_;
    std::string buffer_;
};

// Maps every point of `path` ("-": standard input) through t (back to its
// source system when options.inverse) and writes them to out.
void apply_points(const Transform& t, const std::string& path, const ApplyOptions& options, OutputSink& out);

}  // namespace vq
