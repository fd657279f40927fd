// The plain point format, line by line: strip the comment, check the
// separators, split into fields, skip a header, fix the layout on the first
// data line, read the numbers. Numbers are read with std::from_chars, the
// correctly rounded decimal-to-double conversion, and must fill their field.
// Columns in messages count bytes from 1.
#include "point_file.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vq {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool is_separator(char c) { return is_blank(c) || c == ','; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool contains(const std::vector<int>& counts, std::size_t n) {
    return std::find(counts.begin(), counts.end(), static_cast<int>(n)) != counts.end();
}

}  // namespace

std::string number_problem(NumberStatus status, std::string_view text) {
    switch (status) {
    case NumberStatus::ok: break;
    case NumberStatus::malformed:
        for (std::size_t i = 1; i + 1 < text.size(); ++i)
            if (text[i] == ',' && is_digit(text[i - 1]) && is_digit(text[i + 1]))
                return "decimal comma in '" + std::string(text) + "': vq reads '.' as the decimal mark";
        return "malformed number '" + std::string(text) + "'";
    case NumberStatus::non_finite: return "non-finite value '" + std::string(text) + "'";
    case NumberStatus::out_of_range: return "number out of the range of double '" + std::string(text) + "'";
    }
    return "";
}

std::string describe_columns(int numbers) {
    switch (numbers) {
    case 2: return "id x y";
    case 3: return "id x y z";
    case 4: return "id x y X Y";
    case 6: return "id x y z X Y Z";
    default: return "id and " + std::to_string(numbers) + " numbers";
    }
}

std::string describe_columns_without_id(int numbers) {
    switch (numbers) {
    case 2: return "x y";
    case 3: return "x y z";
    case 4: return "x y X Y";
    case 6: return "x y z X Y Z";
    default: return std::to_string(numbers) + " numbers";
    }
}

PlainLineParser::PlainLineParser(std::string name, PlainLayout layout)
    : name_(std::move(name)), layout_(std::move(layout)) {
    if (layout_.ids == IdColumn::none) has_ids_ = false;
}

void PlainLineParser::fail(std::size_t column, const std::string& message) const {
    fail_at(name_, line_number_, column, message);
}

std::string_view PlainLineParser::strip_comment(std::string_view line) const {
    if (const std::size_t nul = line.find('\0'); nul != std::string_view::npos) fail(nul + 1, "NUL byte in text");
    if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    return line;
}

// A decimal comma cannot be told from a separator by its own; on a line that
// separates its fields by blanks, a comma between digits can only be one.
void PlainLineParser::check_separators(std::string_view line) const {
    if (const std::size_t semicolon = line.find(';'); semicolon != std::string_view::npos)
        fail(semicolon + 1, "';' is not a separator of the plain format (spaces, tabs, commas); "
                            "a ';'-separated file with a header row reads with --format csv");
    std::size_t first = 0, last = line.size();
    while (first < last && is_blank(line[first])) ++first;
    while (last > first && is_blank(line[last - 1])) --last;
    const std::string_view inner = line.substr(first, last - first);
    if (std::none_of(inner.begin(), inner.end(), is_blank)) return;
    for (std::size_t i = first + 1; i + 1 < last; ++i)
        if (line[i] == ',' && is_digit(line[i - 1]) && is_digit(line[i + 1]))
            fail(i + 1, "ambiguous ',' between digits on a line separated by blanks: a decimal comma? "
                        "vq reads '.' as the decimal mark; write 1.5, or separate every field by commas");
}

// Fields are split at runs of spaces, tabs and commas; a run holding two
// commas leaves an empty field, which is an error.
void PlainLineParser::split_fields(std::string_view line) {
    count_ = 0;
    std::size_t i = 0;
    int commas = 0;
    bool leading = true;
    while (i < line.size()) {
        if (is_separator(line[i])) {
            if (line[i] == ',') {
                ++commas;
                if (commas > 1 || leading) fail(i + 1, "empty field");
            }
            ++i;
            continue;
        }
        const std::size_t begin = i;
        while (i < line.size() && !is_separator(line[i])) ++i;
        if (count_ == kMaxFields) fail(begin + 1, "too many columns");
        fields_[count_++] = Field{line.substr(begin, i - begin), begin + 1};
        commas = 0;
        leading = false;
    }
    if (count_ == 0 && commas > 0) fail(line.size(), "empty field");
    if (count_ > 0 && commas > 0) fail(line.size(), "empty field at end of line");
}

// A header names its columns: no field after the first reads as a number.
bool PlainLineParser::is_header() const {
    if (count_ < 2) return false;
    double value = 0.0;
    for (std::size_t f = 1; f < count_; ++f)
        if (parse_number(fields_[f].text, value) != NumberStatus::malformed) return false;
    return true;
}

void PlainLineParser::choose_layout(std::string_view line) {
    double value = 0.0;
    const bool numeric_first = parse_number(fields_[0].text, value) == NumberStatus::ok;
    const bool fits_id = count_ >= 1 && contains(layout_.with_id, count_ - 1);
    const bool fits_plain = numeric_first && contains(layout_.without_id, count_);
    // A first field like 4316373.376 or -12 is a coordinate more likely than
    // an id (a QGIS .points file without its header starts with map X).
    const std::string_view first = fields_[0].text;
    const bool coordinate_first =
        numeric_first && first.find_first_of(".eE+-") != std::string_view::npos;
    bool with_id = fits_id;
    switch (layout_.ids) {
    case IdColumn::first: break;
    case IdColumn::none: with_id = false; break;
    case IdColumn::automatic:
        if (fits_id && fits_plain)
            fail(1, "ambiguous line: " + std::to_string(count_) + " numbers read as '" +
                        describe_columns(static_cast<int>(count_) - 1) + "' or as '" +
                        describe_columns_without_id(static_cast<int>(count_)) +
                        "' without ids; say which with --ids first or --ids none");
        if (fits_id && coordinate_first)
            fail(1, "the first field '" + std::string(first) + "' reads as a coordinate, not as an id; "
                    "give the file a header row naming its columns (or --ids first if it is an id)");
        with_id = fits_id || !fits_plain;
        break;
    }
    const std::vector<int>& counts = with_id ? layout_.with_id : layout_.without_id;
    const std::size_t numbers = with_id ? count_ - 1 : count_;
    if (!contains(counts, numbers)) {
        std::string wanted;
        for (int c : layout_.with_id)
            if (layout_.ids != IdColumn::none) wanted += (wanted.empty() ? "" : " or ") + describe_columns(c);
        for (int c : layout_.without_id)
            if (layout_.ids != IdColumn::first) wanted += (wanted.empty() ? "" : " or ") + describe_columns_without_id(c);
        if (wanted.empty()) wanted = "ids (this command needs an id on every line)";
        const int most = counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
        const std::size_t limit = static_cast<std::size_t>(most) + (with_id ? 1 : 0);
        const std::size_t column = count_ > limit ? fields_[limit].column : line.size() + 1;
        fail(column, "expected " + wanted + ", found " + std::to_string(count_) + " columns");
    }
    has_ids_ = with_id;
    numbers_ = static_cast<int>(numbers);
}

void PlainLineParser::check_field_count(std::string_view line) const {
    const std::size_t expected = static_cast<std::size_t>(numbers_) + (has_ids_ ? 1 : 0);
    if (count_ == expected) return;
    const std::size_t column = count_ > expected ? fields_[expected].column : line.size() + 1;
    fail(column, "expected " + std::to_string(expected) + " columns (" +
                     (has_ids_ ? describe_columns(numbers_) : describe_columns_without_id(numbers_)) +
                     ") as on the first data line, found " + std::to_string(count_));
}

void PlainLineParser::read_numbers() {
    const std::size_t first = has_ids_ ? 1 : 0;
    for (std::size_t f = first; f < count_; ++f) {
        const NumberStatus status = parse_number(fields_[f].text, values_[f - first]);
        if (status != NumberStatus::ok) fail(fields_[f].column, number_problem(status, fields_[f].text));
    }
}

bool PlainLineParser::parse(std::string_view line, std::uint64_t number) {
    line_number_ = number;
    line = strip_comment(line);
    check_separators(line);
    split_fields(line);
    if (count_ == 0) return false;
    const bool first_content = !seen_content_;
    seen_content_ = true;
    if (first_content && is_header()) return false;
    if (numbers_ == 0)
        choose_layout(line);
    else
        check_field_count(line);
    read_numbers();
    return true;
}

namespace {

PlainLayout with_ids(std::vector<int> counts) {
    PlainLayout layout;
    layout.with_id = std::move(counts);
    return layout;
}

}  // namespace

PointParser::PointParser(std::string file_name, std::vector<int> accepted_counts)
    : PointParser(std::move(file_name), with_ids(std::move(accepted_counts))) {}

PointParser::PointParser(std::string file_name, PlainLayout layout)
    : builder_(file_name, "plain"),
      lines_(file_name, std::move(layout)),
      splitter_(file_name, [this](std::string_view line, std::uint64_t number) { take_line(line, number); }) {}

PointParser::~PointParser() = default;

void PointParser::take_line(std::string_view line, std::uint64_t number) {
    if (!lines_.parse(line, number)) return;
    if (builder_.numbers_per_point() == 0) {
        builder_.set_numbers_per_point(lines_.numbers());
        builder_.set_ids_are_line_numbers(!lines_.has_ids());
    }
    std::copy(lines_.values(), lines_.values() + lines_.numbers(), builder_.next_values());
    if (lines_.has_ids()) {
        builder_.add_point(lines_.id(), number, lines_.id_column());
    } else {
        number_text_ = std::to_string(number);
        builder_.add_point(number_text_, number, 1);
    }
}

void PointParser::feed(const char* data, std::size_t size) {
    builder_.reading([&] { splitter_.feed(data, size); });
}

void PointParser::reserve(std::size_t points, std::size_t id_bytes) { builder_.reserve(points, id_bytes); }

void PointParser::reserve_for(std::size_t total_bytes, std::size_t bytes_seen) {
    if (builder_.size() < 16 || bytes_seen == 0) return;
    const double scale = static_cast<double>(total_bytes) / static_cast<double>(bytes_seen) * 1.02;
    reserve(static_cast<std::size_t>(static_cast<double>(builder_.size()) * scale),
            static_cast<std::size_t>(static_cast<double>(builder_.id_bytes()) * scale));
}

PointTable PointParser::finish() {
    return builder_.finish(builder_.reading([&] { return splitter_.finish(); }));
}

PointTable read_point_file(const std::string& path, const std::vector<int>& accepted_counts) {
    return read_point_file(path, with_ids(accepted_counts));
}

PointTable read_point_file(const std::string& path, const PlainLayout& layout) {
    PointParser parser(display_name(path), layout);
    // The file size and the first chunk's lines give the count of points, so
    // the tables grow once instead of doubling.
    std::size_t total = 0, seen = 0;
    read_chunks(path, [&](const char* data, std::size_t size) {
        parser.feed(data, size);
        if (seen == 0 && total > 0) parser.reserve_for(total, size);
        seen += size;
    }, [&](std::size_t size) { total = size; });
    return parser.finish();
}

PointTable parse_point_text(std::string_view text, const std::string& name, const std::vector<int>& accepted_counts) {
    return parse_point_text(text, name, with_ids(accepted_counts));
}

PointTable parse_point_text(std::string_view text, const std::string& name, const PlainLayout& layout) {
    PointParser parser(name, layout);
    parser.feed(text.data(), text.size());
    return parser.finish();
}

}  // namespace vq
