// vq export: a saved model in another tool's form (exports.hpp).
#include "commands.hpp"
#include "exports.hpp"
#include "point_formats.hpp"
#include "record_json.hpp"

namespace vq {

std::string run_export(const ExportArgs& args) {
    const Transform t = load_model_file(args.model_file);
    std::optional<PointTable> points;
    if (!args.points.empty()) {
        ReadOptions options = read_options("auto", {});
        options.plain.with_id = {t.dimension(), 2 * t.dimension()};
        options.plain.without_id = {t.dimension(), 2 * t.dimension()};
        options.columns.pairs = false;
        options.columns.dimension = t.dimension();
        points = read_points(args.points, options);
    }
    const std::string text = export_model(args.format, t, points ? &*points : nullptr);
    if (args.output.empty()) return text;
    write_file(args.output, text);
    return "";
}

}  // namespace vq
