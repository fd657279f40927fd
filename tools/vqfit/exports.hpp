// A fitted model in the forms other tools take (vq fit --export, vq export).
//   proj         a PROJ pipeline (cct, proj_create) that maps as `vq apply` does
//   worldfile    the six lines of an ESRI world file (pixel/line sources)
//   gdal-gcps    `-gcp pixel line X Y` arguments for gdal_translate
//   gdal-gcplist a <GCPList> element for a GDAL VRT
//   matrix4x4    the homogeneous 4x4 matrix, row-major (PDAL's
//                filters.transformation, CloudCompare)
// Pixel/line sources: GDAL counts lines down from the top edge, with (0, 0)
// the top-left corner of the top-left pixel. A y-down model's source y is
// that line; any other 2D model is taken to hold QGIS's negative rows
// (y = -line), as QGIS's .points files do.
#pragma once

#include "models.hpp"
#include "point_table.hpp"

#include <string>
#include <vector>

namespace vq {

const std::vector<std::string>& export_names();

// The export `format` of t. The GCP exports place a GCP at each point of
// `points` (their source coordinates; disabled points are left out) and need
// it; the others ignore it. Throws UsageError when the format does not fit
// the model (a world file of a polynomial) or needs points that are missing.
std::string export_model(const std::string& format, const Transform& t, const PointTable* points);

// One file per form (export_*.cpp).
std::string export_proj(const Transform& t);
std::string export_worldfile(const Transform& t);
std::string export_gdal_gcps(const Transform& t, const PointTable& points);
std::string export_gdal_gcplist(const Transform& t, const PointTable& points);
std::string export_matrix4x4(const Transform& t);

// Helpers shared by the exports.
std::string exact_number(double v);  // shortest text that reads back exactly
// The source y a model's record takes for an image line (see above).
inline double source_y_of_line(const Transform& t, double line) { return t.y_down ? line : -line; }
inline double line_of_source_y(const Transform& t, double y) { return t.y_down ? y : -y; }
// The 2D linear part [a b; c d] and shift of X = L (x, y) + T as the record
// applies it to the file's source (the y-down mirror folded in). For
// translation, rigid, similarity and affine.
struct Linear2D {
    double a, b, c, d, tx, ty;
};
Linear2D linear_part(const Transform& t);
bool is_linear_2d(ModelKind kind);

}  // namespace vq
