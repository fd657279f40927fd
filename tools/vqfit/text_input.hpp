// Text input for every reader: a file or standard input ("-") read in chunks,
// cut into lines of at most kMaxLineLength bytes (without the newline; a
// final line needs no newline), with a UTF-8 byte-order mark before the first
// line skipped. Line numbers count from 1.
#pragma once

#include "errors.hpp"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vq {

// Longest line accepted; longer lines are an error (bounds the carry buffer).
constexpr std::size_t kMaxLineLength = 1 << 16;

// The name standard input goes by on the command line and in messages.
inline bool is_standard_input(const std::string& path) { return path == "-"; }
inline std::string display_name(const std::string& path) { return is_standard_input(path) ? "<stdin>" : path; }

// Cuts chunks of any size into lines (a line may straddle chunks).
class LineSplitter {
public:
    using Handler = std::function<void(std::string_view line, std::uint64_t number)>;
    LineSplitter(std::string name, Handler handler) : name_(std::move(name)), handler_(std::move(handler)) {}

    void feed(const char* data, std::size_t size);
    // Hands over an unfinished last line; returns the count of lines seen.
    std::uint64_t finish();
    std::uint64_t lines() const { return line_number_; }

private:
    void emit(std::string_view line);
    [[noreturn]] void too_long() const;
    void check_length(std::string_view line) const;

    std::string name_;
    Handler handler_;
    std::string carry_;  // the unfinished last line of the previous chunk
    std::uint64_t line_number_ = 0;
    bool at_start_ = true;
};

// Calls consume(data, size) for successive chunks of the file or of standard
// input; size_hint(bytes) first when the size is known. Throws InputError
// naming the file when it cannot be opened or read.
void read_chunks(const std::string& path, const std::function<void(const char*, std::size_t)>& consume,
                 const std::function<void(std::size_t)>& size_hint = {});

// The whole text of a file or of standard input.
std::string read_all(const std::string& path);

}  // namespace vq
