// vq apply: map points through a saved model, streaming the plain format from
// its input to its output (apply_points.hpp). With --output the points go to
// a temporary file beside it that is renamed only when every point mapped,
// so a failed run leaves no file.
#include "apply_points.hpp"
#include "commands.hpp"
#include "models.hpp"
#include "record_json.hpp"

#include <cstdio>

namespace vq {

ReadOptions read_options(const std::string& format, const std::vector<std::string>& columns) {
    ReadOptions options;
    const auto f = point_format_from_name(format);
    if (!f) throw UsageError("unknown point format '" + format + "'");
    options.format = *f;
    options.columns.columns = columns;
    if (!columns.empty() && options.format == PointFormat::automatic) options.format = PointFormat::csv;
    return options;
}

std::string run_apply(const ApplyArgs& args) {
    const Transform t = load_model_file(args.model_file);
    ApplyOptions options;
    options.inverse = args.inverse;
    options.json = args.json;
    options.decimals = args.decimals;
    options.input = read_options(args.format, args.columns);
    options.input.plain.ids = args.ids == "first" ? IdColumn::first : args.ids == "none" ? IdColumn::none : IdColumn::automatic;

    if (args.output.empty()) {
        StreamOutput out(stdout, "standard output");
        apply_points(t, args.points, options, out);
        out.flush();
        return "";
    }
    const std::string temporary = args.output + ".vq-partial";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) throw OutputError(args.output + ": cannot write file");
    try {
        StreamOutput out(file, args.output);
        apply_points(t, args.points, options, out);
        out.flush();
        if (std::fclose(file) != 0) {
            file = nullptr;
            throw OutputError(args.output + ": cannot write file");
        }
        file = nullptr;
        if (std::rename(temporary.c_str(), args.output.c_str()) != 0)
            throw OutputError(args.output + ": cannot write file");
    } catch (...) {
        if (file) std::fclose(file);
        std::remove(temporary.c_str());
        throw;
    }
    return "";
}

}  // namespace vq
