// vq apply: map points through a saved model. Lines may be `id x y` (`id x y z`)
// or whole pair lines `id x y X Y` (`id x y z X Y Z`); of a pair line the source
// columns are mapped, or with --inverse the destination columns are mapped back.
#include "commands.hpp"
#include "models.hpp"
#include "point_file.hpp"
#include "record_json.hpp"
#include "report.hpp"

#include <cmath>

namespace vq {

std::string run_apply(const ApplyArgs& args) {
    const Transform t = load_model_file(args.model_file);
    const int dim = t.dimension();
    const PointTable points = read_point_file(args.points, {dim, 2 * dim});
    const int offset = args.inverse && points.numbers_per_point() == 2 * dim ? dim : 0;

    auto format = [&](double v) { return args.decimals < 0 ? shortest(v) : fixed(v, args.decimals); };
    std::string out;
    nlohmann::json rows = nlohmann::json::array();
    double mapped[3];
    for (std::size_t i = 0; i < points.size(); ++i) {
        const std::string where = points.file_name() + ":" + std::to_string(points.line(i)) + ":1: ";
        if (args.inverse) {
            if (!t.apply_inverse(points.values(i) + offset, mapped))
                throw FitError(where + "point '" + std::string(points.id(i)) + "' cannot be mapped back: " +
                               (t.kind == ModelKind::poly2 || t.kind == ModelKind::poly3
                                    ? "the inverse of the polynomial does not converge there (outside the region "
                                      "it maps one to one?)"
                                    : "the model is singular"));
        } else {
            t.apply(points.values(i) + offset, mapped);
        }
        for (int k = 0; k < dim; ++k)
            if (!std::isfinite(mapped[k]))
                throw FitError(where + "the point maps to a non-finite position");
        if (args.json) {
            rows.push_back({{"id", std::string(points.id(i))}, {"coordinates", std::vector<double>(mapped, mapped + dim)}});
        } else {
            out += points.id(i);
            for (int k = 0; k < dim; ++k) out += " " + format(mapped[k]);
            out += "\n";
        }
    }
    if (args.json) {
        nlohmann::json j = {{"model", model_name(t.kind)}, {"inverse", args.inverse}, {"points", rows}};
        out = j.dump(2) + "\n";
    }
    return out;
}

}  // namespace vq
