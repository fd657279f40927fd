#include "exports.hpp"

#include <charconv>

namespace vq {

namespace {

const std::vector<std::string> kNames = {"proj", "worldfile", "gdal-gcps", "gdal-gcplist", "matrix4x4"};

}  // namespace

const std::vector<std::string>& export_names() { return kNames; }

std::string exact_number(double v) {
    if (v == 0.0) v = 0.0;
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
}

bool is_linear_2d(ModelKind kind) {
    return kind == ModelKind::translation || kind == ModelKind::rigid || kind == ModelKind::similarity ||
           kind == ModelKind::affine;
}

Linear2D linear_part(const Transform& t) {
    const Trans_Polinomica2D_dbl& p = t.polynomial;
    const double mirror = t.y_down ? -1.0 : 1.0;
    Linear2D l{p.coef_x[0], p.coef_x[1] * mirror, p.coef_y[0], p.coef_y[1] * mirror, 0.0, 0.0};
    double origin[2];
    const double zero[2] = {0.0, 0.0};
    t.apply(zero, origin);
    l.tx = origin[0];
    l.ty = origin[1];
    return l;
}

std::string export_model(const std::string& format, const Transform& t, const PointTable* points) {
    auto need_points = [&]() -> const PointTable& {
        if (!points) throw UsageError("export " + format + " places GCPs at points: give them with --points FILE");
        return *points;
    };
    if (format == "proj") return export_proj(t);
    if (format == "worldfile") return export_worldfile(t);
    if (format == "gdal-gcps") return export_gdal_gcps(t, need_points());
    if (format == "gdal-gcplist") return export_gdal_gcplist(t, need_points());
    if (format == "matrix4x4") return export_matrix4x4(t);
    throw UsageError("unknown export format '" + format + "' (proj, worldfile, gdal-gcps, gdal-gcplist, matrix4x4)");
}

}  // namespace vq
