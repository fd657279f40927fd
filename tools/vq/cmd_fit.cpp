// vq fit: read pairs, fit the model, report; optionally save the model and
// draw the residuals.
#include "commands.hpp"
#include "models.hpp"
#include "point_file.hpp"
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
    const PointTable points = read_point_file(args.points, counts);
    if (!kind) kind = points.numbers_per_point() == 6 ? ModelKind::similarity3d : ModelKind::similarity;

    FitOptions options;
    options.general_start = args.general_start;
    const FitResult fit = fit_model(points, *kind, options);

    std::string out;
    if (args.json)
        out = fit_report_json(fit, points).dump(2) + "\n";
    else
        out = fit_report_text(fit, points, ReportOptions{args.decimals});

    // Everything is computed: now the files, then standard output.
    if (!args.save.empty()) write_file(args.save, model_file_text(fit.transform));
    if (!args.plot.empty()) write_file(args.plot, fit_plot_svg(fit, points, PlotOptions{args.magnification}));
    return out;
}

}  // namespace vq
