// QGIS georeferencer GCP files (.points).
//   QGIS 3: an optional "#CRS: <WKT or authority code>" line, then the header
//           mapX,mapY,sourceX,sourceY,enable,dX,dY,residual
//   QGIS 2: the header mapX,mapY,pixelX,pixelY,enable (dX,dY,residual may follow)
// then one comma-separated GCP per line. The map coordinates are the
// destination and the source coordinates the source; `enable` = 0 makes the
// point a check point (PointTable::enabled is false); dX, dY and residual are
// QGIS's own results and are not read. Ids are the line numbers.
//
// QGIS keeps an image's rows as negative y (sourceY = -line, so that image
// and map axes turn the same way); the values are read as written, so a
// similarity maps them without mirroring. Where the source is a layer that is
// already georeferenced, sourceX/sourceY are its coordinates, read the same way.
#pragma once

#include "point_table.hpp"

#include <string>
#include <string_view>

namespace vq {

// True when `header` (the first line that is not a '#' comment) is a QGIS header.
bool is_qgis_header(std::string_view header);

PointTable parse_qgis_points(std::string_view text, const std::string& name);

}  // namespace vq
