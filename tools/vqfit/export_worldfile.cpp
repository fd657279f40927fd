// A world file holds X = A col + B row + C, Y = D col + E row + F as the six
// lines A D B E C F, with (C, F) the centre of the top-left pixel: col and
// row count pixels from that centre. In GDAL's pixel/line (corner at 0, 0)
// that centre is (0.5, 0.5); so A, D, B, E are the derivatives of the model
// by pixel and line, and C, F the model's image of (0.5, 0.5).
#include "exports.hpp"

namespace vq {

std::string export_worldfile(const Transform& t) {
    if (!is_linear_2d(t.kind))
        throw UsageError(std::string("a world file holds an affine map; model ") + model_name(t.kind) +
                         " is not one (translation, rigid, similarity or affine)");
    const Linear2D l = linear_part(t);
    // d/dline of the source y is -1 for QGIS's negative rows, +1 for y-down.
    const double dy = source_y_of_line(t, 1.0);
    const double centre[2] = {0.5, source_y_of_line(t, 0.5)};
    double c[2];
    t.apply(centre, c);
    return exact_number(l.a) + "\n" + exact_number(l.c) + "\n" + exact_number(l.b * dy) + "\n" +
           exact_number(l.d * dy) + "\n" + exact_number(c[0]) + "\n" + exact_number(c[1]) + "\n";
}

}  // namespace vq
