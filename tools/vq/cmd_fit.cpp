// vq fit: read pairs, fit the model, report; optionally save the model and
// draw the residuals.
#include "commands.hpp"
#include "exports.hpp"
#include "models.hpp"
#include "point_formats.hpp"
#include "record_json.hpp"
#include "report.hpp"
#include "svg_plot.hpp"

#include <cstdio>

namespace vq {

void write_file(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw OutputError(path + ": cannot write file");
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0 || !ok) throw OutputError(path + ": cannot write file");
}

std::string run_fit(const FitArgs& args) {
    std::vector<int> counts = {4, 6};
    std::optional<ModelKind> kind;
    if (!args.model.empty()) {
        kind = model_from_name(args.model);
        if (!kind) throw FitError("unknown model '" + args.model + "'");
        counts = {2 * model_dimension(*kind)};
    }
    ReadOptions read = read_options(args.format, args.columns);
    read.plain.with_id = counts;
    read.columns.pairs = true;
    read.columns.dimension = kind ? model_dimension(*kind) : 0;
    PointTable points = read_points(args.points, read);
    if (!kind) kind = points.numbers_per_point() == 6 ? ModelKind::similarity3d : ModelKind::similarity;

    // Pixel/line sources (GDAL's GCPs) give a y-down model: its record maps
    // the mirrored source (x, -y).
    const bool y_down = points.source_y_down() && model_dimension(*kind) == 2;
    if (y_down)
        for (std::size_t i = 0; i < points.size(); ++i) points.values(i)[1] = -points.values(i)[1];

    FitOptions options;
    options.general_start = args.general_start;
    FitResult fit = fit_model(points, *kind, options);
    fit.transform.y_down = y_down;
    if (y_down)
        for (std::size_t i = 0; i < points.size(); ++i) points.values(i)[1] = -points.values(i)[1];

    std::vector<std::pair<std::string, std::string>> exports;  // file (empty: stdout), text
    for (const std::string& e : args.exports) {
        const std::size_t eq = e.find('=');
        exports.emplace_back(eq == std::string::npos ? "" : e.substr(eq + 1),
                             export_model(e.substr(0, eq), fit.transform, &points));
    }

    std::string out;
    if (args.json)
        out = fit_report_json(fit, points).dump(2) + "\n";
    else
        out = fit_report_text(fit, points, ReportOptions{args.decimals});

    // Everything is computed: now the files, then standard output.
    if (!args.save.empty()) write_file(args.save, model_file_text(fit.transform));
    if (!args.plot.empty()) write_file(args.plot, fit_plot_svg(fit, points, PlotOptions{args.magnification}));
    for (const auto& [file, text] : exports) {
        if (file.empty())
            out += text;
        else
            write_file(file, text);
    }
    return out;
}

}  // namespace vq
