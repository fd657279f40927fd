// The points every reader hands over: per point an id, a fixed count of
// numbers, the 1-based line it came from and whether it takes part in a fit
// (QGIS's `enable` column; a disabled point is a check point). Readers fill a
// table through TableBuilder, which keeps the ids unique and formats errors
// as "file:line:column: message".
#pragma once

#include "errors.hpp"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
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
    // False for a point the file disables (a check point, not fitted).
    bool enabled(std::size_t i) const { return disabled_.empty() || !disabled_[i]; }
    // True when the file had no ids and each id is its line number.
    bool ids_are_line_numbers() const { return ids_from_lines_; }
    // True when the source is pixel/line with rows counting down (GDAL's
    // GCPs): a fit of it is a y-down model. (QGIS stores rows as negative y
    // and reads as it is.)
    bool source_y_down() const { return source_y_down_; }
    // Sets the flag above when the source y of every point has been mirrored
    // by the caller (y -> -y) or restored.
    void set_source_y_down(bool yes) { source_y_down_ = yes; }
    const std::string& file_name() const { return file_name_; }
    // The reader that read it ("plain", "csv", "qgis3", ...).
    const std::string& format() const { return format_; }

private:
    friend class TableBuilder;
    std::string file_name_;
    std::string format_;
    int numbers_ = 0;
    bool ids_from_lines_ = false;
    bool source_y_down_ = false;
    std::string id_chars_;               // all ids, back to back
    std::vector<std::uint64_t> id_ends_; // end of id i in id_chars_
    std::vector<double> values_;
    std::vector<std::uint64_t> lines_;
    std::vector<bool> disabled_;         // empty while every point is enabled
};

// Builds a PointTable point by point; ids must be unique.
class TableBuilder {
public:
    TableBuilder(std::string file_name, std::string format);
    ~TableBuilder();
    TableBuilder(const TableBuilder&) = delete;
    TableBuilder& operator=(const TableBuilder&) = delete;

    const std::string& file_name() const { return table_.file_name_; }
    void set_format(std::string format) { table_.format_ = std::move(format); }
    void set_numbers_per_point(int numbers) { table_.numbers_ = numbers; }
    int numbers_per_point() const { return table_.numbers_; }
    void set_ids_are_line_numbers(bool yes) { table_.ids_from_lines_ = yes; }
    void set_source_y_down(bool yes) { table_.source_y_down_ = yes; }
    std::size_t size() const { return table_.size(); }

    // Room for the numbers of one more point; fill them, then add_point().
    double* next_values();
    // Adds the point whose numbers next_values() took; id_column locates a duplicate.
    void add_point(std::string_view id, std::uint64_t line, std::size_t id_column, bool enabled = true);
    // Room for about `points` points whose ids take `id_bytes` in all.
    void reserve(std::size_t points, std::size_t id_bytes);
    std::size_t id_bytes() const { return table_.id_chars_.size(); }

    // Throws InputError "file:line:column: message".
    [[noreturn]] void fail(std::uint64_t line, std::size_t column, const std::string& message) const;
    // The table; an empty one is an error located after the last line.
    PointTable finish(std::uint64_t last_line);

    // Runs `read`, which adds points, and then checks their ids. A duplicate
    // id is seen a few points after it is added; when `read` throws
    // InputError, a duplicate among the points added before lies on an
    // earlier line and is reported instead.
    template <class Read> decltype(auto) reading(Read&& read) {
        if constexpr (std::is_void_v<std::invoke_result_t<Read&>>) {
            guarded(read);
            check_ids();
        } else {
            auto result = guarded(read);
            check_ids();
            return result;
        }
    }

private:
    class IdSet;
    // Throws the duplicate-id error of the first point added so far whose id
    // an earlier point has, if any.
    void check_ids();
    template <class Read> decltype(auto) guarded(Read& read) {
        try {
            return read();
        } catch (const InputError&) {
            check_ids();
            throw;
        }
    }
    // Throws the duplicate-id error of point `index` unless `earlier` is kEmpty.
    void fail_if_duplicate(std::uint32_t index, std::uint32_t earlier, std::size_t id_column) const;
    PointTable table_;
    std::unique_ptr<IdSet> ids_;
    bool values_pending_ = false;
};

// "file:line:column: message" as an InputError.
[[noreturn]] void fail_at(const std::string& file, std::uint64_t line, std::size_t column, const std::string& message);

}  // namespace vq
