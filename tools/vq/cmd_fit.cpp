// vq fit: read pairs, fit the model, report; optionally save the model and
// draw the residuals.
#include "adjustment.hpp"
#include "commands.hpp"
#include "output.hpp"
#include "pairs.hpp"
#include "point_file.hpp"
#include "record_json.hpp"
#include "report.hpp"
#include "svg_plot.hpp"

namespace vq {

void run_fit(const FitArgs& args, Output& out) {
    std::vector<int> counts = {4, 6};
    std::optional<ModelKind> kind;
    if (!args.model.empty()) {
        kind = model_from_name(args.model);
        if (!kind) throw UsageError("unknown model '" + args.model + "'");
        counts = {2 * model_dimension(*kind)};
    }
    const PointTable points = read_point_file(args.points, counts);
    if (!kind) kind = points.numbers_per_point() == 6 ? ModelKind::similarity3d : ModelKind::similarity;

    FitOptions options;
    options.scale = args.scale == "symmetric" ? ScaleEstimator::symmetric : ScaleEstimator::least_squares;
    options.y_down = args.y_down;
    options.critical_value = args.critical_value;
    options.sigma = args.sigma;
    options.reject = args.reject;
    const PointPairs pairs = point_pairs(points);
    const FitResult fit = fit_points(pairs, {}, *kind, options, points.file_name());

    // Everything is computed: the files under temporary names, the report,
    // then the files' own names.
    OutputFiles files;
    if (!args.save.empty()) files.add(args.save, model_file_text(fit.transform));
    if (!args.plot.empty()) files.add(args.plot, fit_plot_svg(fit, pairs, points, PlotOptions{args.magnification}));
    const ReportOptions report{args.decimals, args.summary};
    if (args.json)
        write_report_json(out, fit, pairs, points, report);
    else
        write_report_text(out, fit, pairs, points, report);
    out.flush();
    files.commit();
}

}  // namespace vq
