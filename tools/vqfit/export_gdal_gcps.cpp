// GCPs for GDAL: one per enabled point, at the point's source position as
// pixel/line and the model's image of it as X, Y (not the observed
// destination: a GDAL transformer of the model's kind fitted to them gives
// back the model itself).
#include "exports.hpp"

namespace vq {

namespace {

std::string xml_attribute(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

template <typename F>
void for_each_gcp(const Transform& t, const PointTable& points, F&& take) {
    if (t.dimension() != 2) throw UsageError("GDAL GCPs map pixel/line to 2D coordinates; model similarity3d is 3D");
    if (points.numbers_per_point() < 2) throw UsageError("the GCP points have no x y");
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (!points.enabled(i)) continue;
        const double* s = points.values(i);
        double mapped[2];
        t.apply(s, mapped);
        take(points.id(i), s[0], line_of_source_y(t, s[1]), mapped);
    }
}

}  // namespace

std::string export_gdal_gcps(const Transform& t, const PointTable& points) {
    std::string out;
    for_each_gcp(t, points, [&](std::string_view, double pixel, double line, const double* xy) {
        if (!out.empty()) out += " \\\n";
        out += "-gcp " + exact_number(pixel) + " " + exact_number(line) + " " + exact_number(xy[0]) + " " +
               exact_number(xy[1]);
    });
    return out + "\n";
}

std::string export_gdal_gcplist(const Transform& t, const PointTable& points) {
    std::string out = "<GCPList Projection=\"\">\n";
    for_each_gcp(t, points, [&](std::string_view id, double pixel, double line, const double* xy) {
        out += "  <GCP Id=\"" + xml_attribute(id) + "\" Pixel=\"" + exact_number(pixel) + "\" Line=\"" +
               exact_number(line) + "\" X=\"" + exact_number(xy[0]) + "\" Y=\"" + exact_number(xy[1]) + "\"/>\n";
    });
    return out + "</GCPList>\n";
}

}  // namespace vq
