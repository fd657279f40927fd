// Streaming reader of control-point files.
//
// A line is split into fields at runs of spaces, tabs and commas (a run holding
// two commas leaves an empty field, which is an error). Numbers are read with
// std::from_chars, the shortest correct decimal-to-double conversion, and must
// use the whole field. Columns in messages count bytes from 1.
#include "point_file.hpp"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>

namespace vq {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool is_separator(char c) { return is_blank(c) || c == ','; }

struct Field {
    std::string_view text;
    std::size_t column;  // 1-based
};

enum class NumberStatus { ok, malformed, non_finite, out_of_range };

NumberStatus parse_number(std::string_view text, double& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') {
        ++first;
        if (first != last && (*first == '-' || *first == '+')) return NumberStatus::malformed;
    }
    if (first == last) return NumberStatus::malformed;
    auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) return NumberStatus::out_of_range;
    if (ec != std::errc() || ptr != last) return NumberStatus::malformed;
    if (!std::isfinite(value)) return NumberStatus::non_finite;
    return NumberStatus::ok;
}

}  // namespace

// Open-addressing set of point indices keyed by their ids. A slot holds the
// index and 32 bits of the id's hash, so probing rarely has to touch the ids
// themselves; at most 70 % of the slots are used.
class PointParser::IdSet {
public:
    explicit IdSet(const PointTable& table) : table_(table), slots_(1024, kEmptySlot) {}

    void reserve(std::size_t count) {
        while (count * 10 > slots_.size() * 7) grow();
    }

    // Inserts point `index`; returns the index of an earlier point with the
    // same id, or kEmpty.
    std::uint32_t insert(std::uint32_t index) {
        if ((count_ + 1) * 10 > slots_.size() * 7) grow();
        const std::uint64_t hash = std::hash<std::string_view>{}(table_.id(index));
        const std::uint32_t found = place(index, hash);
        if (found == kEmpty) ++count_;
        return found;
    }

    static constexpr std::uint32_t kEmpty = std::numeric_limits<std::uint32_t>::max();

private:
    static constexpr std::uint64_t kEmptySlot = std::numeric_limits<std::uint64_t>::max();

    std::uint32_t place(std::uint32_t index, std::uint64_t hash) {
        const std::uint64_t tag = hash >> 32;
        const std::size_t mask = slots_.size() - 1;
        std::size_t slot = static_cast<std::size_t>(hash) & mask;
        while (slots_[slot] != kEmptySlot) {
            const auto other = static_cast<std::uint32_t>(slots_[slot]);
            if ((slots_[slot] >> 32) == tag && table_.id(other) == table_.id(index)) return other;
            slot = (slot + 1) & mask;
        }
        slots_[slot] = tag << 32 | index;
        return kEmpty;
    }

    void grow() {
        std::vector<std::uint64_t> old(slots_.size() * 2, kEmptySlot);
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        for (std::uint64_t entry : old) {
            if (entry == kEmptySlot) continue;
            // Rehash from the id: the tag holds only the upper half of the hash.
            const auto index = static_cast<std::uint32_t>(entry);
            const std::uint64_t hash = std::hash<std::string_view>{}(table_.id(index));
            std::size_t slot = static_cast<std::size_t>(hash) & mask;
            while (slots_[slot] != kEmptySlot) slot = (slot + 1) & mask;
            slots_[slot] = entry;
        }
    }

    const PointTable& table_;
    std::vector<std::uint64_t> slots_;
    std::size_t count_ = 0;
};

std::string_view PointTable::id(std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : static_cast<std::size_t>(id_ends_[i - 1]);
    const std::size_t end = static_cast<std::size_t>(id_ends_[i]);
    return std::string_view(id_chars_).substr(begin, end - begin);
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

PointParser::PointParser(std::string file_name, std::vector<int> accepted_counts)
    : accepted_(std::move(accepted_counts)), ids_(std::make_unique<IdSet>(table_)) {
    table_.file_name_ = std::move(file_name);
}

PointParser::~PointParser() = default;

void PointParser::reserve(std::size_t points, std::size_t id_bytes) {
    table_.values_.reserve(points * static_cast<std::size_t>(table_.numbers_ > 0 ? table_.numbers_ : 6));
    table_.id_ends_.reserve(points);
    table_.lines_.reserve(points);
    table_.id_chars_.reserve(id_bytes);
    ids_->reserve(points);
}

void PointParser::fail(std::size_t column, const std::string& message) const {
    throw InputError(table_.file_name_ + ":" + std::to_string(line_number_) + ":" +
                     std::to_string(column) + ": " + message);
}

void PointParser::feed(const char* data, std::size_t size) {
    const char* end = data + size;
    while (data != end) {
        const char* newline = static_cast<const char*>(std::memchr(data, '\n', static_cast<std::size_t>(end - data)));
        if (!newline) {
            if (carry_.size() + static_cast<std::size_t>(end - data) > kMaxLineLength) {
                ++line_number_;
                fail(kMaxLineLength, "line longer than " + std::to_string(kMaxLineLength) + " bytes");
            }
            carry_.append(data, end);
            return;
        }
        ++line_number_;
        if (carry_.empty()) {
            if (static_cast<std::size_t>(newline - data) > kMaxLineLength)
                fail(kMaxLineLength, "line longer than " + std::to_string(kMaxLineLength) + " bytes");
            parse_line(std::string_view(data, static_cast<std::size_t>(newline - data)));
        } else {
            carry_.append(data, newline);
            if (carry_.size() > kMaxLineLength)
                fail(kMaxLineLength, "line longer than " + std::to_string(kMaxLineLength) + " bytes");
            parse_line(carry_);
            carry_.clear();
        }
        data = newline + 1;
    }
}

PointTable PointParser::finish() {
    if (!carry_.empty()) {
        ++line_number_;
        parse_line(carry_);
        carry_.clear();
    }
    if (table_.size() == 0) {
        throw InputError(table_.file_name_ + ":" + std::to_string(line_number_ + 1) +
                         ":1: no points in file");
    }
    return std::move(table_);
}

void PointParser::parse_line(std::string_view line) {
    if (line.find('\0') != std::string_view::npos)
        fail(line.find('\0') + 1, "NUL byte in text");
    if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);

    // Split into fields; a run of separators holding two commas is an empty field.
    Field fields[16];
    std::size_t count = 0;
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
        if (count == std::size(fields)) fail(begin + 1, "too many columns");
        fields[count++] = Field{line.substr(begin, i - begin), begin + 1};
        commas = 0;
        leading = false;
    }
    if (count == 0) {
        if (commas > 0) fail(line.size(), "empty field");
        return;
    }
    if (commas > 0) fail(line.size(), "empty field at end of line");

    const bool first_content = !seen_content_;
    seen_content_ = true;
    const std::size_t numbers = count - 1;

    // A header names its columns: no field after the id reads as a number.
    if (first_content) {
        bool any_number = false;
        double value = 0.0;
        for (std::size_t f = 1; f < count; ++f)
            if (parse_number(fields[f].text, value) != NumberStatus::malformed) any_number = true;
        if (!any_number && count > 1) return;
    }

    int expected = table_.numbers_;
    if (expected == 0) {
        if (std::find(accepted_.begin(), accepted_.end(), static_cast<int>(numbers)) == accepted_.end()) {
            std::string wanted;
            for (std::size_t a = 0; a < accepted_.size(); ++a)
                wanted += (a ? " or " : "") + describe_columns(accepted_[a]);
            const int most = *std::max_element(accepted_.begin(), accepted_.end());
            const std::size_t column = numbers > static_cast<std::size_t>(most)
                                           ? fields[most + 1].column
                                           : line.size() + 1;
            fail(column, "expected " + wanted + ", found " + std::to_string(count) + " columns");
        }
        expected = table_.numbers_ = static_cast<int>(numbers);
    } else if (numbers != static_cast<std::size_t>(expected)) {
        const std::size_t column = numbers > static_cast<std::size_t>(expected)
                                       ? fields[expected + 1].column
                                       : line.size() + 1;
        fail(column, "expected " + std::to_string(expected + 1) + " columns (" +
                         describe_columns(expected) + ") as on the first data line, found " +
                         std::to_string(count));
    }

    // Numbers go straight to the table; on an error the table is thrown away.
    const std::size_t base = table_.values_.size();
    table_.values_.resize(base + numbers);
    double* out = table_.values_.data() + base;
    for (std::size_t f = 1; f < count; ++f) {
        double value = 0.0;
        switch (parse_number(fields[f].text, value)) {
        case NumberStatus::ok: break;
        case NumberStatus::malformed:
            fail(fields[f].column, "malformed number '" + std::string(fields[f].text) + "'");
        case NumberStatus::non_finite:
            fail(fields[f].column, "non-finite value '" + std::string(fields[f].text) + "'");
        case NumberStatus::out_of_range:
            fail(fields[f].column, "number out of the range of double '" + std::string(fields[f].text) + "'");
        }
        out[f - 1] = value;
    }
    add_id(fields[0].text, fields[0].column);
}

void PointParser::add_id(std::string_view id, std::size_t column) {
    if (table_.size() >= IdSet::kEmpty - 1) fail(column, "more than 4294967294 points");
    const auto index = static_cast<std::uint32_t>(table_.size());
    table_.id_chars_.append(id);
    table_.id_ends_.push_back(table_.id_chars_.size());
    table_.lines_.push_back(line_number_);
    const std::uint32_t earlier = ids_->insert(index);
    if (earlier != IdSet::kEmpty) {
        fail(column, "duplicate id '" + std::string(id) + "' (first on line " +
                         std::to_string(table_.line(earlier)) + ")");
    }
}

PointTable read_point_file(const std::string& path, const std::vector<int>& accepted_counts) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw InputError(path + ": cannot open file: " + std::strerror(errno));
    struct Closer {
        std::FILE* f;
        ~Closer() { std::fclose(f); }
    } closer{file};
    PointParser parser(path, accepted_counts);
    // The file size and the first chunk's lines give the count of points, so
    // the tables grow once instead of doubling.
    long file_size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) file_size = std::ftell(file);
    std::rewind(file);
    std::vector<char> buffer(1 << 20);
    for (bool first = true;; first = false) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
        if (got > 0) parser.feed(buffer.data(), got);
        if (first && got == buffer.size() && file_size > 0)
            parser.reserve_for(static_cast<std::size_t>(file_size), got);
        if (got < buffer.size()) {
            if (std::ferror(file)) throw InputError(path + ": read error: " + std::strerror(errno));
            break;
        }
    }
    return parser.finish();
}

void PointParser::reserve_for(std::size_t total_bytes, std::size_t bytes_seen) {
    if (table_.size() < 16 || bytes_seen == 0) return;
    const double scale = static_cast<double>(total_bytes) / static_cast<double>(bytes_seen) * 1.02;
    const auto points = static_cast<std::size_t>(static_cast<double>(table_.size()) * scale);
    const auto id_bytes = static_cast<std::size_t>(static_cast<double>(table_.id_chars_.size()) * scale);
    reserve(points, id_bytes);
}

PointTable parse_point_text(std::string_view text, const std::string& name,
                            const std::vector<int>& accepted_counts) {
    PointParser parser(name, accepted_counts);
    parser.feed(text.data(), text.size());
    return parser.finish();
}

}  // namespace vq
