// GDAL GCP lists as gdal_translate takes them: `-gcp pixel line X Y [Z]`,
// any number per line, anywhere in the text (a whole saved command line is
// fine: its other words are skipped, '\' line continuations too). pixel/line
// are GDAL's image coordinates (rows counting down, (0, 0) the top-left
// corner of the top-left pixel): the table's source is (pixel, line) and is
// marked source_y_down; X, Y are the destination. Z is read and dropped (the
// models that take pixel/line are 2D). Ids are the GCPs' numbers in the list,
// 1, 2, ...
#pragma once

#include "point_table.hpp"

#include <string>
#include <string_view>

namespace vq {

// True when the text's first words include "-gcp".
bool looks_like_gcp_list(std::string_view start);

PointTable parse_gdal_gcp_list(std::string_view text, const std::string& name);

}  // namespace vq
