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

// Buffered writes to a C stream; a failed write throws OutputError naming `name`.
class StreamOutput : public Output {
public:
    StreamOutput(std::FILE* stream, std::string name) : stream_(stream), name_(std::move(name)) {}
    void write(std::string_view text) override;
    void flush() override;

private:
    std::FILE* stream_;
    std::string name_;
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
