#include "point_formats.hpp"

#include "gdal_gcp_list.hpp"
#include "gdal_gcp_xml.hpp"
#include "qgis_points.hpp"
#include "text_input.hpp"

namespace vq {

namespace {

const std::vector<std::pair<PointFormat, std::string>> kFormats = {
    {PointFormat::automatic, "auto"}, {PointFormat::plain, "plain"},       {PointFormat::csv, "csv"},
    {PointFormat::qgis, "qgis"},      {PointFormat::gdal_gcp, "gdal-gcp"}, {PointFormat::gdal_xml, "gdal-xml"}};

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// The first line that is neither blank nor a '#' comment.
std::string_view first_content_line(std::string_view text) {
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(text.size(), end + 1));
        std::size_t i = 0;
        while (i < line.size() && is_blank(line[i])) ++i;
        if (i < line.size() && line[i] != '#') return line;
    }
    return {};
}

// A header: fields after the first, split at blanks, ',', ';', hold no number.
bool is_header_row(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        const auto separator = [](char c) { return is_blank(c) || c == ',' || c == ';' || c == '"'; };
        if (separator(line[i])) {
            ++i;
            continue;
        }
        const std::size_t begin = i;
        while (i < line.size() && !separator(line[i])) ++i;
        fields.push_back(line.substr(begin, i - begin));
    }
    if (fields.size() < 2) return false;
    double value = 0.0;
    for (std::size_t f = 1; f < fields.size(); ++f)
        if (parse_number(fields[f], value) != NumberStatus::malformed) return false;
    return true;
}

}  // namespace

const std::vector<std::string>& point_format_names() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const auto& f : kFormats) v.push_back(f.second);
        return v;
    }();
    return names;
}

std::optional<PointFormat> point_format_from_name(const std::string& name) {
    for (const auto& f : kFormats)
        if (f.second == name) return f.first;
    return std::nullopt;
}

PointFormat detect_point_format(std::string_view start) {
    if (start.substr(0, 3) == "\xEF\xBB\xBF") start.remove_prefix(3);
    std::size_t i = 0;
    while (i < start.size() && (is_blank(start[i]) || start[i] == '\n')) ++i;
    if (i < start.size() && start[i] == '<') return PointFormat::gdal_xml;
    if (start.substr(i, 5) == "#CRS:") return PointFormat::qgis;
    if (looks_like_gcp_list(start)) return PointFormat::gdal_gcp;
    const std::string_view line = first_content_line(start);
    if (is_qgis_header(line)) return PointFormat::qgis;
    if (line.find(';') != std::string_view::npos || line.find('"') != std::string_view::npos || is_header_row(line))
        return PointFormat::csv;
    return PointFormat::plain;
}

PointTable parse_points(std::string_view text, const std::string& name, const ReadOptions& options) {
    PointFormat format = options.format;
    if (format == PointFormat::automatic) format = detect_point_format(text.substr(0, 1 << 16));
    switch (format) {
    case PointFormat::csv: return parse_csv_text(text, name, options.columns);
    case PointFormat::qgis: return parse_qgis_points(text, name);
    case PointFormat::gdal_gcp: return parse_gdal_gcp_list(text, name);
    case PointFormat::gdal_xml: return parse_gdal_gcp_xml(text, name);
    case PointFormat::plain:
    case PointFormat::automatic: break;
    }
    return parse_point_text(text, name, options.plain);
}

PointTable read_points(const std::string& path, const ReadOptions& options) {
    if (options.format == PointFormat::plain) return read_point_file(path, options.plain);
    if (options.format != PointFormat::automatic) return parse_points(read_all(path), display_name(path), options);
    // The first chunk (1 MiB) tells the format: the plain format is parsed
    // chunk by chunk as it is read, the others are read whole.
    ReadOptions chosen = options;
    PointParser plain(display_name(path), options.plain);
    std::string whole;
    std::size_t total = 0, seen = 0;
    read_chunks(path, [&](const char* data, std::size_t size) {
        if (seen == 0) chosen.format = detect_point_format(std::string_view(data, size));
        if (chosen.format == PointFormat::plain) {
            plain.feed(data, size);
            if (seen == 0 && total > 0) plain.reserve_for(total, size);
        } else {
            whole.append(data, size);
        }
        seen += size;
    }, [&](std::size_t size) { total = size; });
    if (seen == 0 || chosen.format == PointFormat::plain) return plain.finish();
    return parse_points(whole, display_name(path), chosen);
}

}  // namespace vq
