// Words are runs of non-blank bytes with their line and column; a "-gcp" word
// takes the numbers after it: four, or five with Z. A sixth number, fewer
// than four, or a word that is not a number where one is due is an error.
#include "gdal_gcp_list.hpp"

#include "point_file.hpp"
#include "text_input.hpp"

#include <vector>

namespace vq {

namespace {

struct Word {
    std::string text;  // a copy: the splitter's line buffer is reused
    std::uint64_t line;
    std::size_t column;
};

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == '\\'; }

template <typename F>
void for_each_word(std::string_view text, const std::string& name, F&& take) {
    LineSplitter lines(name, [&](std::string_view line, std::uint64_t number) {
        if (line.find('\0') != std::string_view::npos) fail_at(name, number, line.find('\0') + 1, "NUL byte in text");
        std::size_t i = 0;
        while (i < line.size()) {
            if (is_blank(line[i])) {
                ++i;
                continue;
            }
            if (line[i] == '#') break;
            const std::size_t begin = i;
            while (i < line.size() && !is_blank(line[i])) ++i;
            take(Word{std::string(line.substr(begin, i - begin)), number, begin + 1});
        }
    });
    lines.feed(text.data(), text.size());
    lines.finish();
}

}  // namespace

bool looks_like_gcp_list(std::string_view start) {
    std::size_t i = 0, words = 0;
    while (i < start.size() && words < 64) {
        while (i < start.size() && (is_blank(start[i]) || start[i] == '\n')) ++i;
        const std::size_t begin = i;
        while (i < start.size() && !is_blank(start[i]) && start[i] != '\n') ++i;
        if (start.substr(begin, i - begin) == "-gcp") return true;
        ++words;
    }
    return false;
}

PointTable parse_gdal_gcp_list(std::string_view text, const std::string& name) {
    TableBuilder builder(name, "gdal-gcp");
    builder.set_numbers_per_point(4);
    builder.set_source_y_down(true);
    std::vector<Word> words;
    for_each_word(text, name, [&](const Word& w) { words.push_back(w); });
    std::string id;
    std::uint64_t last_line = words.empty() ? 0 : words.back().line;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (words[i].text != "-gcp") continue;
        const Word& gcp = words[i];
        double values[5];
        std::size_t n = 0;
        while (i + 1 + n < words.size() && n < 6) {
            const Word& w = words[i + 1 + n];
            double v = 0.0;
            const NumberStatus status = parse_number(w.text, v);
            if (status == NumberStatus::malformed && n >= 4 && number_problem(status, w.text).rfind("decimal", 0) != 0)
                break;  // the next word of the command line
            if (status != NumberStatus::ok) fail_at(name, w.line, w.column, number_problem(status, w.text));
            if (n == 5) fail_at(name, w.line, w.column, "a sixth number after -gcp (pixel line X Y [Z])");
            values[n++] = v;
        }
        if (n < 4)
            fail_at(name, gcp.line, gcp.column, "-gcp takes pixel line X Y [Z], found " + std::to_string(n) + " numbers");
        double* out = builder.next_values();
        for (int k = 0; k < 4; ++k) out[k] = values[k];
        id = std::to_string(builder.size() + 1);
        builder.add_point(id, gcp.line, gcp.column);
        i += n;
    }
    return builder.finish(last_line);
}

}  // namespace vq
