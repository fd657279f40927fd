#include "text_input.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include <sys/stat.h>

namespace vq {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

void LineSplitter::too_long() const {
    throw InputError(name_ + ":" + std::to_string(line_number_) + ":" + std::to_string(kMaxLineLength + 1) +
                     ": line longer than " + std::to_string(kMaxLineLength) + " bytes");
}

void LineSplitter::emit(std::string_view line) {
    if (at_start_) {
        // A byte-order mark says only "UTF-8"; it is not part of the first field.
        if (line.substr(0, kByteOrderMark.size()) == kByteOrderMark) line.remove_prefix(kByteOrderMark.size());
        at_start_ = false;
    }
    handler_(line, line_number_);
}

void LineSplitter::check_length(std::string_view line) const {
    // The mark may come on top of a first line of full length.
    const bool marked = at_start_ && line.substr(0, kByteOrderMark.size()) == kByteOrderMark;
    if (line.size() > kMaxLineLength + (marked ? kByteOrderMark.size() : 0)) too_long();
}

void LineSplitter::feed(const char* data, std::size_t size) {
    const char* end = data + size;
    while (data != end) {
        const char* newline = static_cast<const char*>(std::memchr(data, '\n', static_cast<std::size_t>(end - data)));
        if (!newline) {
            if (carry_.size() + static_cast<std::size_t>(end - data) > kMaxLineLength + kByteOrderMark.size()) {
                ++line_number_;
                too_long();
            }
            carry_.append(data, end);
            return;
        }
        ++line_number_;
        if (carry_.empty()) {
            const std::string_view line(data, static_cast<std::size_t>(newline - data));
            check_length(line);
            emit(line);
        } else {
            carry_.append(data, newline);
            check_length(carry_);
            emit(carry_);
            carry_.clear();
        }
        data = newline + 1;
    }
}

std::uint64_t LineSplitter::finish() {
    if (!carry_.empty()) {
        ++line_number_;
        check_length(carry_);
        emit(carry_);
        carry_.clear();
    }
    return line_number_;
}

void read_chunks(const std::string& path, const std::function<void(const char*, std::size_t)>& consume,
                 const std::function<void(std::size_t)>& size_hint) {
    const bool standard = is_standard_input(path);
    std::FILE* file = standard ? stdin : std::fopen(path.c_str(), "rb");
    if (!file) throw InputError(path + ": cannot open file: " + std::strerror(errno));
    struct Closer {
        std::FILE* f;
        bool close;
        ~Closer() {
            if (close) std::fclose(f);
        }
    } closer{file, !standard};
    struct stat info {};
    if (fstat(fileno(file), &info) == 0) {
        if (S_ISDIR(info.st_mode)) throw InputError(display_name(path) + ": cannot read file: it is a directory");
        if (S_ISREG(info.st_mode) && info.st_size > 0 && size_hint) size_hint(static_cast<std::size_t>(info.st_size));
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
        if (got > 0) consume(buffer.data(), got);
        if (got < buffer.size()) {
            if (std::ferror(file)) throw InputError(display_name(path) + ": read error: " + std::strerror(errno));
            break;
        }
    }
}

std::string read_all(const std::string& path) {
    std::string text;
    read_chunks(path, [&](const char* data, std::size_t size) { text.append(data, size); },
                [&](std::size_t size) { text.reserve(size); });
    return text;
}

}  // namespace vq
