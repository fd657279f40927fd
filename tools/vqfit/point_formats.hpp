// Which reader reads a point file: named by --format, or told by the text's
// first lines.
//   gdal-xml  the first byte that is not blank is '<' (a VRT or .aux.xml)
//   gdal-gcp  "-gcp" among the first words
//   qgis      a "#CRS:" first line or a QGIS header (mapX,mapY,...)
//   csv       the first content line is a header row (no number after its
//             first field) or holds ';' or '"'
//   plain     anything else: id and numbers by position
// "-" is standard input.
#pragma once

#include "csv_reader.hpp"
#include "point_file.hpp"
#include "point_table.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

enum class PointFormat { automatic, plain, csv, qgis, gdal_gcp, gdal_xml };

const std::vector<std::string>& point_format_names();  // "auto", "plain", ...
std::optional<PointFormat> point_format_from_name(const std::string& name);

// The reader for a text that starts with `start` (a UTF-8 byte-order mark is skipped).
PointFormat detect_point_format(std::string_view start);

struct ReadOptions {
    PointFormat format = PointFormat::automatic;
    PlainLayout plain;     // the plain format's accepted layouts
    ColumnRequest columns; // csv: pairs or points, dimension, --columns
};

// Reads a point file or standard input with the reader `options` name or detect.
PointTable read_points(const std::string& path, const ReadOptions& options);

// Reads text held in memory (tests, fuzzing).
PointTable parse_points(std::string_view text, const std::string& name, const ReadOptions& options);

}  // namespace vq
