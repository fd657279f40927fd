// Delimited text with a header row, columns picked by name.
//
// The first line that is neither blank nor a '#' comment is the header. Its
// separator is the one of ',' ';' TAB that occurs in it outside quotes (two
// different ones are ambiguous and refused); a header with none of them is
// split at runs of spaces. Fields may be quoted ("a, b" and "" for a quote)
// and are trimmed of blanks. Known column names (case and '_', '-', ' ' are
// ignored, except that a lone x, y, z is the source and X, Y, Z the
// destination):
//   id      id name point pointid pt station label gcp gcpid nr
//   x y z   x y z, source_x/y/z, src_x, pixel/pixelx, line/pixely, col, row, from_x ...
//   X Y Z   X Y Z, map_x/y, dest_x, dst_x, target_x, to_x, easting/northing, e n h, height ...
//   enable  enable enabled use active (1/0, true/false, yes/no)
// Other columns are ignored; a header that names no known column, or names
// one role twice, is refused. Without an id column each point's id is its
// line number. A field like 1,5 on a file not separated by ',' is a decimal
// comma and refused, never read as 1 or 15.
#pragma once

#include "point_table.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace vq {

struct ColumnRequest {
    // Fit: both sets (source and destination). Apply: the one set the file
    // names, or both when it names both.
    bool pairs = true;
    // 2 or 3; 0: 3 when the file has z columns for what is read, else 2.
    int dimension = 0;
    // Column names in role order, replacing the recognition: "id,x,y,X,Y",
    // "id,x,y,z,X,Y,Z", or for a single set "id,x,y", "id,x,y,z", "x,y".
    std::vector<std::string> columns;
};

// Reads delimited text; format names the reader in the table ("csv").
PointTable parse_csv_text(std::string_view text, const std::string& name, const ColumnRequest& request,
                          const std::string& format = "csv");

// Splits one line of delimited text (the reader's own splitting, exposed for
// the QGIS reader and the tests): fields with their 1-based byte columns.
struct CsvField {
    std::string text;
    std::size_t column;
    bool quoted;
};
std::vector<CsvField> split_csv_line(std::string_view line, char separator, const std::string& name,
                                     std::uint64_t line_number);

}  // namespace vq
