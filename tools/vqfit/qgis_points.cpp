#include "qgis_points.hpp"

#include "csv_reader.hpp"
#include "point_file.hpp"
#include "text_input.hpp"

namespace vq {

namespace {

// The header's leading names; QGIS 3 writes source*, QGIS 2 pixel*.
bool starts_as_qgis(const std::vector<CsvField>& f, bool& qgis3) {
    if (f.size() < 5 || f[0].text != "mapX" || f[1].text != "mapY" || f[4].text != "enable") return false;
    if (f[2].text == "sourceX" && f[3].text == "sourceY") {
        qgis3 = true;
        return true;
    }
    qgis3 = false;
    return f[2].text == "pixelX" && f[3].text == "pixelY";
}

}  // namespace

bool is_qgis_header(std::string_view header) {
    bool qgis3 = false;
    try {
        return starts_as_qgis(split_csv_line(header, ',', "", 0), qgis3);
    } catch (const InputError&) {
        return false;
    }
}

PointTable parse_qgis_points(std::string_view text, const std::string& name) {
    TableBuilder builder(name, "qgis");
    builder.set_numbers_per_point(4);
    builder.set_ids_are_line_numbers(true);
    bool header_seen = false;
    std::size_t width = 0;
    std::string id;
    LineSplitter lines(name, [&](std::string_view line, std::uint64_t number) {
        std::size_t first = 0;
        while (first < line.size() && (line[first] == ' ' || line[first] == '\t' || line[first] == '\r')) ++first;
        if (first == line.size() || (!header_seen && line[first] == '#')) return;  // blank, #CRS: and comments
        const auto fields = split_csv_line(line, ',', name, number);
        if (!header_seen) {
            bool qgis3 = false;
            if (!starts_as_qgis(fields, qgis3))
                fail_at(name, number, 1, "not a QGIS .points header (mapX,mapY,sourceX,sourceY,enable,... "
                                         "or mapX,mapY,pixelX,pixelY,enable)");
            builder.set_format(qgis3 ? "qgis3" : "qgis2");
            width = fields.size();
            header_seen = true;
            return;
        }
        if (fields.size() != width)
            fail_at(name, number, fields.size() > width ? fields[width].column : line.size() + 1,
                    "expected " + std::to_string(width) + " fields as in the header, found " +
                        std::to_string(fields.size()));
        double* out = builder.next_values();
        // Source first, as in every table: sourceX, sourceY, mapX, mapY.
        const int order[4] = {2, 3, 0, 1};
        for (int k = 0; k < 4; ++k) {
            const CsvField& f = fields[static_cast<std::size_t>(order[k])];
            const NumberStatus status = parse_number(f.text, out[k]);
            if (status != NumberStatus::ok) fail_at(name, number, f.column, number_problem(status, f.text));
        }
        const std::string& enable = fields[4].text;
        if (enable != "0" && enable != "1") fail_at(name, number, fields[4].column, "enable is '" + enable + "', not 0 or 1");
        id = std::to_string(number);
        builder.add_point(id, number, 1, enable == "1");
    });
    lines.feed(text.data(), text.size());
    const std::uint64_t last = lines.finish();
    if (!header_seen) fail_at(name, last + 1, 1, "no QGIS .points header");
    return builder.finish(last);
}

}  // namespace vq
