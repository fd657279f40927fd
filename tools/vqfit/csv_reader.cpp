// Delimited text: find the header, map its names to roles, then read every
// data line by those columns.
#include "csv_reader.hpp"

#include "point_file.hpp"
#include "text_input.hpp"

#include <algorithm>
#include <array>
#include <cctype>

namespace vq {

namespace {

enum Role { kId, kSx, kSy, kSz, kDx, kDy, kDz, kEnable, kRoles };
const char* const kRoleNames[kRoles] = {"id", "source x", "source y", "source z",
                                        "destination X", "destination Y", "destination Z", "enable"};

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

std::string normalise(std::string_view name) {
    std::string out;
    for (char c : name)
        if (c != '_' && c != '-' && c != ' ' && c != '.') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

int role_of(std::string_view raw) {
    if (raw == "x") return kSx;
    if (raw == "y") return kSy;
    if (raw == "z") return kSz;
    if (raw == "X") return kDx;
    if (raw == "Y") return kDy;
    if (raw == "Z") return kDz;
    static const std::array<std::vector<std::string>, kRoles> kNames = {{
        {"id", "name", "point", "pointid", "pt", "ptid", "station", "label", "gcp", "gcpid", "nr"},
        {"sourcex", "srcx", "xsource", "xsrc", "pixel", "pixelx", "col", "column", "imagex", "fromx", "x1"},
        {"sourcey", "srcy", "ysource", "ysrc", "line", "pixely", "row", "imagey", "fromy", "y1"},
        {"sourcez", "srcz", "zsource", "zsrc", "fromz", "z1"},
        {"mapx", "destx", "dstx", "destinationx", "targetx", "xdest", "xdst", "xtarget", "tox", "easting", "east",
         "e", "x2", "worldx"},
        {"mapy", "desty", "dsty", "destinationy", "targety", "ydest", "ydst", "ytarget", "toy", "northing", "north",
         "n", "y2", "worldy"},
        {"mapz", "destz", "dstz", "destinationz", "targetz", "zdest", "zdst", "ztarget", "toz", "height", "h",
         "elevation", "z2", "worldz"},
        {"enable", "enabled", "use", "active"},
    }};
    const std::string n = normalise(raw);
    for (int r = 0; r < kRoles; ++r)
        if (std::find(kNames[r].begin(), kNames[r].end(), n) != kNames[r].end()) return r;
    return -1;
}

// The separator of the header line: the one of , ; TAB outside quotes.
char header_separator(std::string_view line, const std::string& name, std::uint64_t number) {
    bool quoted = false;
    char found = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') quoted = !quoted;
        if (quoted || (c != ',' && c != ';' && c != '\t')) continue;
        if (found && found != c)
            fail_at(name, number, i + 1, std::string("ambiguous header: separated by both '") +
                                             (found == '\t' ? "TAB" : std::string(1, found)) + "' and '" +
                                             (c == '\t' ? "TAB" : std::string(1, c)) + "'; quote the names that hold one");
        found = c;
    }
    return found ? found : ' ';
}

struct Layout {
    std::array<int, kRoles> column{};  // field index per role, -1 when absent
    int dimension = 2;
    bool source = false, destination = false;  // which sets are read
};

}  // namespace

std::vector<CsvField> split_csv_line(std::string_view line, char separator, const std::string& name,
                                     std::uint64_t line_number) {
    std::vector<CsvField> fields;
    std::size_t i = 0;
    const std::size_t n = line.size();
    for (;;) {
        while (i < n && is_blank(line[i]) && line[i] != separator) ++i;
        CsvField field{"", i + 1, false};
        if (i < n && line[i] == '"') {
            field.quoted = true;
            ++i;
            for (;;) {
                if (i >= n) fail_at(name, line_number, field.column, "quote not closed on this line");
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        field.text += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.text += line[i++];
            }
            while (i < n && is_blank(line[i]) && line[i] != separator) ++i;
            if (i < n && line[i] != separator)
                fail_at(name, line_number, i + 1, "text after a closing quote");
        } else {
            const std::size_t begin = i;
            if (separator == ' ') {
                while (i < n && !is_blank(line[i])) ++i;
            } else {
                while (i < n && line[i] != separator) ++i;
            }
            field.text = std::string(trim(line.substr(begin, i - begin)));
            if (field.text.find('"') != std::string::npos)
                fail_at(name, line_number, begin + 1 + field.text.find('"'), "quote inside an unquoted field");
        }
        fields.push_back(std::move(field));
        if (separator == ' ') {
            while (i < n && is_blank(line[i])) ++i;
            if (i >= n) break;
        } else {
            if (i >= n) break;
            ++i;  // the separator
        }
    }
    return fields;
}

namespace {

Layout map_columns(const std::vector<CsvField>& header, const ColumnRequest& request, const std::string& name,
                   std::uint64_t line) {
    Layout layout;
    layout.column.fill(-1);
    if (!request.columns.empty()) {
        static const std::vector<std::vector<int>> kOrders = {
            {}, {}, {kSx, kSy}, {kId, kSx, kSy}, {kId, kSx, kSy, kSz}, {kId, kSx, kSy, kDx, kDy},
            {}, {kId, kSx, kSy, kSz, kDx, kDy, kDz}};
        const std::size_t k = request.columns.size();
        if (k >= kOrders.size() || kOrders[k].empty())
            throw UsageError("--columns takes 2, 3, 4, 5 or 7 names (x,y | id,x,y | id,x,y,z | id,x,y,X,Y | "
                             "id,x,y,z,X,Y,Z), got " + std::to_string(k));
        for (std::size_t r = 0; r < k; ++r) {
            const auto it = std::find_if(header.begin(), header.end(),
                                         [&](const CsvField& f) { return f.text == request.columns[r]; });
            if (it == header.end())
                fail_at(name, line, 1, "the header has no column '" + request.columns[r] + "' (named by --columns)");
            layout.column[kOrders[k][r]] = static_cast<int>(it - header.begin());
        }
        if (const auto it = std::find_if(header.begin(), header.end(), [](const CsvField& f) { return role_of(f.text) == kEnable; });
            it != header.end())
            layout.column[kEnable] = static_cast<int>(it - header.begin());
    } else {
        bool known = false;
        for (std::size_t f = 0; f < header.size(); ++f) {
            const int role = role_of(header[f].text);
            if (role < 0) continue;
            known = true;
            if (layout.column[role] >= 0)
                fail_at(name, line, header[f].column,
                        "ambiguous header: '" + header[f].text + "' and '" + header[layout.column[role]].text +
                            "' both name the " + kRoleNames[role] + "; pick the columns with --columns id,x,y,X,Y");
            layout.column[role] = static_cast<int>(f);
        }
        if (!known)
            fail_at(name, line, 1, "the header names no column vq knows (id, x, y, z, X, Y, Z, pixel, line, "
                                   "map_x, easting, ...); name them with --columns id,x,y,X,Y, or read the "
                                   "columns by position with --format plain");
    }
    const auto& c = layout.column;
    const bool has_source = c[kSx] >= 0 || c[kSy] >= 0, has_destination = c[kDx] >= 0 || c[kDy] >= 0;
    if (request.pairs) {
        layout.source = layout.destination = true;
    } else {
        layout.source = has_source || !has_destination;
        layout.destination = has_destination;
    }
    layout.dimension = request.dimension;
    if (layout.dimension == 0) {
        const bool z = (!layout.source || c[kSz] >= 0) && (!layout.destination || c[kDz] >= 0);
        layout.dimension = z ? 3 : 2;
    }
    std::vector<int> needed;
    if (layout.source) needed.insert(needed.end(), {kSx, kSy});
    if (layout.source && layout.dimension == 3) needed.push_back(kSz);
    if (layout.destination) needed.insert(needed.end(), {kDx, kDy});
    if (layout.destination && layout.dimension == 3) needed.push_back(kDz);
    for (int role : needed)
        if (c[role] < 0)
            fail_at(name, line, 1, std::string("the header has no column for the ") + kRoleNames[role] +
                                       "; name the columns with --columns id,x,y,X,Y (or id,x,y,z,X,Y,Z)");
    return layout;
}

bool read_enable(const CsvField& f, const std::string& name, std::uint64_t line) {
    const std::string v = normalise(f.text);
    if (v == "1" || v == "true" || v == "yes") return true;
    if (v == "0" || v == "false" || v == "no") return false;
    fail_at(name, line, f.column, "enable is '" + f.text + "', not 1/0, true/false or yes/no");
}

double read_value(const CsvField& f, char separator, const std::string& name, std::uint64_t line) {
    double value = 0.0;
    const NumberStatus status = parse_number(f.text, value);
    if (status == NumberStatus::ok) return value;
    const std::size_t comma = f.text.find(',');
    if (comma != std::string::npos && separator != ',')
        fail_at(name, line, f.column + (f.quoted ? 1 : 0) + comma,
                "decimal comma in '" + f.text + "': vq reads '.' as the decimal mark; write " +
                    std::string(f.text).replace(comma, 1, "."));
    fail_at(name, line, f.column, number_problem(status, f.text));
}

}  // namespace

PointTable parse_csv_text(std::string_view text, const std::string& name, const ColumnRequest& request,
                          const std::string& format) {
    TableBuilder builder(name, format);
    char separator = 0;
    Layout layout;
    std::size_t width = 0;
    std::string line_id;
    LineSplitter lines(name, [&](std::string_view line, std::uint64_t number) {
        if (line.find('\0') != std::string_view::npos) fail_at(name, number, line.find('\0') + 1, "NUL byte in text");
        const std::string_view content = trim(line);
        if (content.empty() || (separator == 0 && content.front() == '#')) return;
        if (separator == 0) {
            separator = header_separator(line, name, number);
            const auto header = split_csv_line(line, separator, name, number);
            layout = map_columns(header, request, name, number);
            width = header.size();
            int numbers = 0;
            if (layout.source) numbers += layout.dimension;
            if (layout.destination) numbers += layout.dimension;
            builder.set_numbers_per_point(numbers);
            builder.set_ids_are_line_numbers(layout.column[kId] < 0);
            return;
        }
        const auto fields = split_csv_line(line, separator, name, number);
        if (fields.size() != width)
            fail_at(name, number, fields.size() > width ? fields[width].column : line.size() + 1,
                    "expected " + std::to_string(width) + " fields as in the header, found " + std::to_string(fields.size()));
        double* out = builder.next_values();
        auto take = [&](int role) { *out++ = read_value(fields[layout.column[role]], separator, name, number); };
        if (layout.source) {
            take(kSx);
            take(kSy);
            if (layout.dimension == 3) take(kSz);
        }
        if (layout.destination) {
            take(kDx);
            take(kDy);
            if (layout.dimension == 3) take(kDz);
        }
        const bool enabled = layout.column[kEnable] < 0 || read_enable(fields[layout.column[kEnable]], name, number);
        if (layout.column[kId] >= 0) {
            const CsvField& id = fields[layout.column[kId]];
            if (id.text.empty()) fail_at(name, number, id.column, "empty id");
            builder.add_point(id.text, number, id.column, enabled);
        } else {
            line_id = std::to_string(number);
            builder.add_point(line_id, number, 1, enabled);
        }
    });
    const std::uint64_t last = builder.reading([&] {
        lines.feed(text.data(), text.size());
        return lines.finish();
    });
    if (separator == 0) fail_at(name, last + 1, 1, "no header row (a CSV file names its columns in its first line)");
    return builder.finish(last);
}

}  // namespace vq
