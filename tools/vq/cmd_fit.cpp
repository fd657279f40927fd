// vq fit: read pairs, fit the model, report; optionally save the model, draw
// the residuals and export the model for other tools.
#include "adjustment.hpp"
#include "commands.hpp"
#include "exports.hpp"
#include "models.hpp"
#include "output.hpp"
#include "pairs.hpp"
#include "point_formats.hpp"
#include "record_json.hpp"
#include "report.hpp"
#include "svg_plot.hpp"

namespace vq {

void write_file(const std::string& path, const std::string& text) {
    OutputFiles file;
    file.add(path, text);
    file.commit();
}

void run_fit(const FitArgs& args, Output& out) {
    std::vector<int> counts = {4, 6};
    std::optional<ModelKind> kind;
    if (!args.model.empty()) {
        kind = model_from_name(args.model);
        if (!kind) throw UsageError("unknown model '" + args.model + "'");
        counts = {2 * model_dimension(*kind)};
    }
    ReadOptions read = read_options(args.format, args.columns);
    read.plain.with_id = counts;
    read.columns.pairs = true;
    read.columns.dimension = kind ? model_dimension(*kind) : 0;
    const PointTable points = read_points(args.points, read);
    if (!kind) kind = points.numbers_per_point() == 6 ? ModelKind::similarity3d : ModelKind::similarity;

    FitOptions options;
    options.scale = args.scale == "symmetric" ? ScaleEstimator::symmetric : ScaleEstimator::least_squares;
    // Pixel/line sources (GDAL's GCPs) count their rows down whether or not
    // --y-down says so.
    options.y_down = args.y_down || points.source_y_down();
    options.critical_value = args.critical_value;
    options.sigma = args.sigma;
    options.reject = args.reject;
    // Points disabled in their file (QGIS's enable = 0) are check points.
    std::vector<PointRole> roles(points.size(), PointRole::control);
    for (std::size_t i = 0; i < points.size(); ++i)
        if (!points.enabled(i)) roles[i] = PointRole::check;
    const PointPairs pairs = point_pairs(points);
    const FitResult fit = fit_points(pairs, std::move(roles), *kind, options, points.file_name());

    // Everything is computed: the files under temporary names, the report and
    // the exports to standard output, then the files' own names.
    OutputFiles files;
    std::string exported;
    for (const std::string& e : args.exports) {
        const std::size_t eq = e.find('=');
        const std::string text = export_model(e.substr(0, eq), fit.transform, &points);
        if (eq == std::string::npos)
            exported += text;
        else
            files.add(e.substr(eq + 1), text);
    }
    if (!args.save.empty()) files.add(args.save, model_file_text(fit.transform));
    if (!args.plot.empty()) files.add(args.plot, fit_plot_svg(fit, pairs, points, PlotOptions{args.magnification}));
    const ReportOptions report{args.decimals, args.summary};
    if (args.json)
        write_report_json(out, fit, pairs, points, report);
    else
        write_report_text(out, fit, pairs, points, report);
    out.write(exported);
    out.flush();
    files.commit();
}

}  // namespace vq
