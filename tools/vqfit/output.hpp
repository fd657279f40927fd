// Where reports go: standard output (streamed, so a report of millions of
// points needs no memory of its own), a string (tests, files), and output
// files that appear only when every output has succeeded.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

class Output {
public:
    virtual ~Output() = default;
    virtual void write(std::string_view text) = 0;
    virtual void flush() {}
};

class StringOutput : public Output {
public:
    void write(std::string_view text) override { text_.append(text); }
    const std::string& text() const { return text_; }
    std::string take() { return std::move(text_); }

private:
    std::string text_;
};

// Buffered writes to a C stream; a failed write throws OutputError naming
// `name`. room() and commit() let a caller format straight into the buffer
// (std::to_chars). What is left in the buffer when an exception unwinds is
// not written.
class StreamOutput : public Output {
public:
    StreamOutput(std::FILE* stream, std::string name) : stream_(stream), name_(std::move(name)) {
        buffer_.reserve(kBuffer);
    }
    void write(std::string_view text) override;
    void flush() override;
    // A place for at most `bytes`, to be closed by commit(end).
    char* room(std::size_t bytes);
    void commit(char* end) { buffer_.resize(static_cast<std::size_t>(end - buffer_.data())); }

private:
    static constexpr std::size_t kBuffer = 1 << 16;
    std::FILE* stream_;
    std::string name_;
    std::string buffer_;
};

// Files written beside their targets under temporary names and renamed onto
// them by commit(); files not committed are removed when this is destroyed,
// so a failing command leaves no partial or stale output behind.
class OutputFiles {
public:
    OutputFiles() = default;
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;
    ~OutputFiles();
    // Writes `text` to a temporary file beside `path`; throws OutputError.
    void add(const std::string& path, std::string_view text);
    // Renames every temporary file onto its target; throws OutputError.
    void commit();

private:
    struct Pending {
        std::string target;
        std::string temporary;
    };
    std::vector<Pending> pending_;
};

}  // namespace vq
