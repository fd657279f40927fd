// The plain point format: one point per line, an id followed by numbers,
// separated by spaces, tabs or commas. '#' starts a comment, blank lines are
// skipped, and the first content line may be a header (a line whose fields
// after the first contain no number). Every line carries the same count of
// fields, chosen by the first data line among the layouts the caller accepts.
// Ids must be unique in a table.
//
// Files without ids (`x y`, `x y z`, ...) are read where the caller accepts
// them (vq apply); each point's id is then its line number. A line that fits
// both readings (three numbers for a 2D model: `id x y` or `x y z`) is refused
// unless the caller says which (IdColumn::first or IdColumn::none).
//
// Refused as ambiguous, never guessed: a ',' between two digits on a line
// whose fields are separated by blanks (a decimal comma), and ';' (the
// separator of files with a decimal comma: read them as CSV).
#pragma once

#include "errors.hpp"
#include "numbers.hpp"
#include "point_table.hpp"
#include "text_input.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

enum class IdColumn { automatic, first, none };

// The layouts a caller accepts, as counts of numbers per line.
struct PlainLayout {
    std::vector<int> with_id;     // after an id, e.g. {4, 6}
    std::vector<int> without_id;  // lines of numbers only; empty: ids required
    IdColumn ids = IdColumn::automatic;
};

// Splits and checks the lines of one plain file; the first data line fixes
// the layout. Shared by the table reader and the streaming `vq apply`.
class PlainLineParser {
public:
    PlainLineParser(std::string name, PlainLayout layout);

    // Parses line `number`; false for a blank, comment or header line. On
    // true, values() holds numbers() numbers and id() the id (empty when the
    // file has no ids).
    bool parse(std::string_view line, std::uint64_t number);
    std::string_view id() const { return has_ids_ ? fields_[0].text : std::string_view(); }
    std::size_t id_column() const { return 1; }
    const double* values() const { return values_; }
    int numbers() const { return numbers_; }
    bool has_ids() const { return has_ids_; }
    const std::string& name() const { return name_; }

    static constexpr std::size_t kMaxFields = 16;

private:
    struct Field {
        std::string_view text;
        std::size_t column;  // 1-based byte column
    };
    [[noreturn]] void fail(std::size_t column, const std::string& message) const;
    std::string_view strip_comment(std::string_view line) const;
    void check_separators(std::string_view line) const;
    void split_fields(std::string_view line);
    bool is_header() const;
    void choose_layout(std::string_view line);
    void check_field_count(std::string_view line) const;
    void read_numbers();

    std::string name_;
    PlainLayout layout_;
    std::uint64_t line_number_ = 0;
    Field fields_[kMaxFields];
    std::size_t count_ = 0;
    bool seen_content_ = false;
    bool has_ids_ = true;
    int numbers_ = 0;  // 0 until the first data line
    double values_[kMaxFields];
};

// Incremental table reader: feed() chunks, then finish() hands over the table.
class PointParser {
public:
    // accepted_counts: numbers after the id the caller can use (for example {4, 6}).
    PointParser(std::string file_name, std::vector<int> accepted_counts);
    PointParser(std::string file_name, PlainLayout layout);
    ~PointParser();
    PointParser(const PointParser&) = delete;
    PointParser& operator=(const PointParser&) = delete;

    void feed(const char* data, std::size_t size);
    // Room for about `points` points whose ids take `id_bytes` in all.
    void reserve(std::size_t points, std::size_t id_bytes);
    // Reserves for a text of total_bytes from what the first bytes_seen held.
    void reserve_for(std::size_t total_bytes, std::size_t bytes_seen);
    PointTable finish();

    static constexpr std::size_t kMaxLineLength = vq::kMaxLineLength;

private:
    void take_line(std::string_view line, std::uint64_t number);

    TableBuilder builder_;
    PlainLineParser lines_;
    LineSplitter splitter_;
    std::string number_text_;
};

// Reads a whole file ("-": standard input) in fixed-size chunks.
PointTable read_point_file(const std::string& path, const std::vector<int>& accepted_counts);
PointTable read_point_file(const std::string& path, const PlainLayout& layout);

// Parses text held in memory (tests, fuzzing); name is used in messages.
PointTable parse_point_text(std::string_view text, const std::string& name,
                            const std::vector<int>& accepted_counts);
PointTable parse_point_text(std::string_view text, const std::string& name, const PlainLayout& layout);

// The column names for a count of numbers after an id ("id x y X Y" for 4).
std::string describe_columns(int numbers);
// The column names of a line without id ("x y z" for 3).
std::string describe_columns_without_id(int numbers);

// The message for a field that is not a number ("malformed number 'x'").
std::string number_problem(NumberStatus status, std::string_view text);

}  // namespace vq
