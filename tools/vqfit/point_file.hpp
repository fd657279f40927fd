// Control-point files: one point per line, an id followed by 2, 3, 4 or 6
// numbers, separated by spaces, tabs or commas. '#' starts a comment, blank
// lines are skipped, and the first content line may be a header (a line whose
// fields after the first contain no number). Every line must carry the same
// count of numbers, chosen by the first data line among the counts the caller
// accepts. Ids must be unique.
//
// The parser is fed the text in chunks of any size (a line may straddle two
// chunks), so a file is read in one pass with memory proportional to the
// points it holds. Errors are reported as "file:line:column: message".
#pragma once

#include "errors.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

// The points of one file, in file order.
class PointTable {
public:
    // Numbers per point (fixed by the first data line).
    int numbers_per_point() const { return numbers_; }
    std::size_t size() const { return lines_.size(); }
    std::string_view id(std::size_t i) const;
    // The numbers of point i: numbers_per_point() consecutive doubles.
    const double* values(std::size_t i) const { return values_.data() + i * static_cast<std::size_t>(numbers_); }
    double* values(std::size_t i) { return values_.data() + i * static_cast<std::size_t>(numbers_); }
    // The 1-based line point i was read from.
    std::uint64_t line(std::size_t i) const { return lines_[i]; }
    const std::string& file_name() const { return file_name_; }

private:
    friend class PointParser;
    std::string file_name_;
    int numbers_ = 0;
    std::string id_chars_;               // all ids, back to back
    std::vector<std::uint64_t> id_ends_; // end of id i in id_chars_
    std::vector<double> values_;
    std::vector<std::uint64_t> lines_;
};

// Incremental parser: feed() chunks, then finish() hands over the table.
class PointParser {
public:
    // accepted_counts: numbers per line the caller can use (for example {4, 6}).
    // description(count) names the expected columns in messages ("id x y X Y").
    PointParser(std::string file_name, std::vector<int> accepted_counts);
    ~PointParser();
    PointParser(const PointParser&) = delete;
    PointParser& operator=(const PointParser&) = delete;

    void feed(const char* data, std::size_t size);
    // Room for about `points` points whose ids take `id_bytes` in all.
    void reserve(std::size_t points, std::size_t id_bytes);
    // Reserves for a text of total_bytes from what the first bytes_seen held.
    void reserve_for(std::size_t total_bytes, std::size_t bytes_seen);
    PointTable finish();

    // Longest line accepted; longer lines are an error (bounds the carry buffer).
    static constexpr std::size_t kMaxLineLength = 1 << 16;

private:
    void parse_line(std::string_view line);
    [[noreturn]] void fail(std::size_t column, const std::string& message) const;
    void add_id(std::string_view id, std::size_t column);

    class IdSet;
    PointTable table_;
    std::vector<int> accepted_;
    std::string carry_;  // the unfinished last line of the previous chunk
    std::uint64_t line_number_ = 0;
    bool seen_content_ = false;
    std::unique_ptr<IdSet> ids_;
};

// Reads a whole file through PointParser in fixed-size chunks.
PointTable read_point_file(const std::string& path, const std::vector<int>& accepted_counts);

// Parses text held in memory (tests, fuzzing); name is used in messages.
PointTable parse_point_text(std::string_view text, const std::string& name,
                            const std::vector<int>& accepted_counts);

// The column names for a count of numbers ("id x y X Y" for 4).
std::string describe_columns(int numbers);

}  // namespace vq
