// vq: fit and apply coordinate transformations from control-point files, and
// convert rotations between conventions. Built on the public C API of the
// VQ2D3D and VQmatrices libraries.
#include "commands.hpp"
#include "exports.hpp"
#include "models.hpp"
#include "numbers.hpp"
#include "output.hpp"
#include "point_formats.hpp"
#include "report.hpp"
#include "rotation_convert.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <iostream>

namespace vq {

const char* const kExitCodeHelp =
    "Exit codes: 0 success; 2 bad command line; 3 input that cannot be read or parsed\n"
    "(file:line:column in the message); 4 input that cannot be fitted or mapped (too few\n"
    "points, degenerate geometry, no convergence, out of memory); 5 output that cannot be\n"
    "written; 1 internal error.\n";

}  // namespace vq

namespace {

constexpr const char* kPointsHelp =
    "Point files ('-' reads standard input), told apart by their first lines or named by --format:\n"
    "  plain     one point per line, 'id x y X Y' (2D) or 'id x y z X Y Z' (3D), source first;\n"
    "            fields separated by spaces, tabs or commas; '#' starts a comment\n"
    "  csv       a header row naming the columns (id, x, y, z, X, Y, Z, pixel, line, map_x,\n"
    "            easting, ... or --columns); separated by ',' ';' TAB or spaces; quotes allowed\n"
    "  qgis      QGIS georeferencer .points (QGIS 2 and 3); enable=0 marks a check point\n"
    "  gdal-gcp  '-gcp pixel line X Y [Z]' as gdal_translate takes them (a y-down source)\n"
    "  gdal-xml  the <GCPList> of a GDAL VRT or .aux.xml (a y-down source)\n"
    "Ids must be unique. Anything that reads two ways (a decimal comma, three numbers that are\n"
    "'id x y' or 'x y z', a header naming no known column) is refused with file:line:column.\n";

void add_input_options(CLI::App* app, std::string& format, std::vector<std::string>& columns) {
    app->add_option("--format", format, "point-file reader: auto (default), plain, csv, qgis, gdal-gcp, gdal-xml")
        ->check(CLI::IsMember(vq::point_format_names()));
    app->add_option("--columns", columns,
                    "csv: the header's names for id,x,y,X,Y (or id,x,y,z,X,Y,Z; apply: id,x,y[,z] or x,y)")
        ->delimiter(',')
        ->allow_extra_args(false);
}

// A number that is finite and positive (CLI11's own checks let nan through).
const CLI::Validator kFinitePositive(
    [](std::string& text) -> std::string {
        double v = 0.0;
        if (!CLI::detail::lexical_cast(text, v) || !std::isfinite(v) || !(v > 0.0))
            return "'" + text + "' is not a finite positive number";
        return {};
    },
    "POSITIVE");

// A finite number as vq reads numbers everywhere (a value below the range of
// double is its rounded subnormal or zero; see numbers.hpp).
const CLI::Validator kNumber(
    [](std::string& text) -> std::string {
        double v = 0.0;
        switch (vq::parse_number(text, v)) {
        case vq::NumberStatus::ok: text = vq::shortest(v); return {};
        case vq::NumberStatus::non_finite: return "'" + text + "' is not finite";
        case vq::NumberStatus::out_of_range: return "'" + text + "' is out of the range of double";
        case vq::NumberStatus::malformed: break;
        }
        return "'" + text + "' is not a number";
    },
    "NUMBER");

void add_fit(CLI::App& app, vq::FitArgs& a, std::string& reject) {
    CLI::App* fit = app.add_subcommand("fit", "Fit a transformation to control points and report residuals");
    fit->add_option("--model,-m", a.model,
                    "translation | rigid | similarity | affine | poly2 | poly3 (2D), similarity3d (3D);\n"
                    "default: similarity for 2D files, similarity3d for 3D files")
        ->check(CLI::IsMember(vq::model_names()));
    fit->add_option("POINTS", a.points, "control-point file")->required();
    fit->add_option("--scale", a.scale,
                    "similarity, similarity3d: least-squares (default; the scale that minimises the\n"
                    "residuals, as GDAL, QGIS, PROJ and scikit-image fit it) or symmetric (the ratio of\n"
                    "the two sets' spreads: exchanging the sets gives the exact reciprocal scale)")
        ->check(CLI::IsMember({"least-squares", "symmetric"}));
    fit->add_flag("--y-down", a.y_down,
                  "2D: the source rows count down (pixel/line image coordinates, GDAL and QGIS GCP\n"
                  "lists): mirror y before fitting; the saved model remembers it, so 'vq apply'\n"
                  "takes the same pixel/line input");
    fit->add_flag("--reject{all}", reject,
                    "--reject[=K]: remove the control point of the largest standardized residual above the critical\n"
                    "value and fit again, at most K times (no limit without K) or until nothing is\n"
                    "flagged or one more removal would leave no redundancy; the removed points are\n"
                    "listed, with their residuals against the final fit");
    fit->add_option("--critical-value", a.critical_value,
                    "blunder test: flag |w| above this (default 3.29, the two-sided 0.1 % point of the\n"
                    "normal distribution)")
        ->check(kFinitePositive);
    fit->add_option("--sigma", a.sigma,
                    "a priori standard deviation of a destination coordinate for the blunder test\n"
                    "(default: sigma0 of the fit)")
        ->check(kFinitePositive);
    fit->add_flag("--json", a.json, "print the report as JSON");
    fit->add_flag("--summary", a.summary, "leave the per-point residual table out of the report");
    fit->add_option("--save", a.save, "write the fitted model as JSON to this file (for 'vq apply')");
    fit->add_option("--plot", a.plot, "draw points and magnified residual vectors as SVG to this file");
    fit->add_option("--magnification", a.magnification,
                    "residual magnification in the plot (default: a median residual is drawn 24 pixels long)")
        ->check(kFinitePositive);
    fit->add_option("--decimals", a.decimals, "decimals of residuals in the text report (default 4)")
        ->check(CLI::Range(0, 17));
    add_input_options(fit, a.format, a.columns);
    fit->add_option("--export", a.exports,
                    "also write the model as FORMAT[=FILE] (repeatable; no FILE: after the report):\n"
                    "proj, worldfile, gdal-gcps, gdal-gcplist, matrix4x4 (see 'vq export --help')")
        ->allow_extra_args(false)
        ->check([](const std::string& v) {
            const std::string f = v.substr(0, v.find('='));
            const auto& names = vq::export_names();
            return std::find(names.begin(), names.end(), f) == names.end() ? "unknown export format '" + f + "'"
                                                                            : std::string();
        });
    fit->add_flag("--general-start", a.general_start,
                  "similarity3d: accepted for old scripts; both starts of the estimator (the general one\n"
                  "from 9 points) and the closed-form solution are always refined to the optimum");
    fit->footer(std::string("\n") + kPointsHelp +
                "\nThe fit is least squares with every destination coordinate an observation of equal\n"
                "weight. The report gives each parameter with its standard deviation, the redundancy,\n"
                "sigma0, and per point the residual v = observed destination - transformed source,\n"
                "its redundancy number r and its standardized residual w = v / (sigma0 sqrt(r));\n"
                "|w| above the critical value flags a suspected blunder (Baarda's data snooping).\n"
                "Models need at least 1, 2, 2, 3, 6, 10 and 3 points (translation to similarity3d).\n"
                "\nExamples:\n"
                "  vq fit --model similarity examples/map_scan.txt\n"
                "  vq fit --model similarity --reject=1 examples/map_scan.txt\n"
                "  vq fit --model affine --save model.json --plot residuals.svg examples/map_scan.txt\n"
                "  vq fit --model similarity3d --json examples/datum_shift.txt\n"
                "  vq fit --model affine --export proj --export worldfile=scan.wld examples/map_scan.txt\n");
}

void add_apply(CLI::App& app, vq::ApplyArgs& a) {
    CLI::App* apply = app.add_subcommand("apply", "Map points through a model saved by 'vq fit --save'");
    apply->add_option("MODEL_FILE", a.model_file, "model file written by 'vq fit --save'")->required();
    apply->add_option("POINTS", a.points, "points ('-': standard input): 'id x y' / 'id x y z', 'x y [z]'\n"
                                          "without ids, or whole pair lines")->required();
    add_input_options(apply, a.format, a.columns);
    apply->add_option("--ids", a.ids, "auto (default): a line of numbers only has no id, unless it reads both\n"
                                      "ways; first: the first column is the id; none: no column is")
        ->check(CLI::IsMember({"auto", "first", "none"}));
    apply->add_option("--output,-o", a.output, "write to this file, all or nothing (default: stream to standard output)");
    apply->add_flag("--inverse", a.inverse,
                    "map from the destination system back to the source (translation, rigid, similarity,\n"
                    "affine, similarity3d); of pair lines the destination columns are used");
    apply->add_flag("--json", a.json, "print JSON instead of 'id X Y [Z]' lines");
    apply->add_option("--decimals", a.decimals, "fixed decimals (default: the shortest exact form)")
        ->check(CLI::Range(0, 17));
    apply->footer("\nOutput: one line 'id X Y' (2D) or 'id X Y Z' (3D) per input point, in input order;\n"
                  "'X Y [Z]' for input without ids (a 2D model passes a third number through). Pair lines\n"
                  "'id x y X Y' are accepted: their source columns are mapped (with --inverse their\n"
                  "destination columns), so a control file can be checked against its own fit.\n"
                  "Plain input streams in constant memory; lines are written as they are mapped, so on\n"
                  "an error the lines before it are out already (use --output for all or nothing).\n"
                  "\nExamples:\n"
                  "  vq fit --model similarity --save model.json examples/map_scan.txt\n"
                  "  vq apply model.json examples/map_scan_new.txt\n"
                  "  vq apply --inverse --decimals 3 model.json examples/map_scan.txt\n"
                  "  printf '3711.9 433.2\\n' | vq apply model.json -\n");
}

void add_export(CLI::App& app, vq::ExportArgs& a) {
    CLI::App* e = app.add_subcommand("export", "Write a saved model in another tool's form");
    e->add_option("MODEL_FILE", a.model_file, "model file written by 'vq fit --save'")->required();
    e->add_option("FORMAT", a.format, "proj | worldfile | gdal-gcps | gdal-gcplist | matrix4x4")
        ->required()
        ->check(CLI::IsMember(vq::export_names()));
    e->add_option("--points", a.points, "gdal-gcps, gdal-gcplist: the points (source x y) to place GCPs at");
    e->add_option("--output,-o", a.output, "write to this file (default: standard output)");
    e->footer("\nFormats:\n"
              "  proj          PROJ pipeline for cct / proj_create that maps as 'vq apply' does (affine\n"
              "                steps for 2D linear models, horner for poly2/poly3, helmert with\n"
              "                +convention=position_vector +exact for similarity3d); cct reads x y z t,\n"
              "                so give 2D points as 'x y 0 0'\n"
              "  worldfile     six lines A D B E C F of a world file (.wld, .tfw, .pgw); C, F are the\n"
              "                centre of the top-left pixel. The source must be pixel/line: a y-down model\n"
              "                (GDAL GCPs, rows counting down) or QGIS's negative rows (y = -line)\n"
              "  gdal-gcps     '-gcp pixel line X Y' arguments for gdal_translate, one GCP per point\n"
              "  gdal-gcplist  the same GCPs as a <GCPList> element for a VRT\n"
              "  matrix4x4     the homogeneous 4x4 matrix, four rows of four numbers (PDAL\n"
              "                filters.transformation, CloudCompare)\n"
              "The GCPs carry the model's image of each point, so a GDAL fit of the same kind gives\n"
              "the model back.\n"
              "\nExamples:\n"
              "  vq fit --model affine --save scan.json examples/map_scan.txt\n"
              "  vq export scan.json proj\n"
              "  vq export scan.json matrix4x4\n"
              "  vq export scan.json gdal-gcps --points examples/map_scan_new.txt\n");
}

void add_rotation(CLI::App& app, vq::RotationArgs& a) {
    CLI::App* rot = app.add_subcommand("rotation", "Convert a rotation between conventions");
    const auto& forms = vq::rotation_form_names();
    rot->add_option("--from,-f", a.from, "form of the input values")->required()->check(CLI::IsMember(forms));
    rot->add_option("--to,-t", a.to, "forms to print (repeatable; default: all)")
        ->check(CLI::IsMember(forms))
        ->allow_extra_args(false);
    rot->add_option("--unit,-u", a.unit, "angle unit of opk, kop, v20 and v28: deg, rad, gon or arcsec (default deg)")
        ->check(CLI::IsMember({"deg", "rad", "gon", "arcsec"}));
    rot->add_option("VALUES", a.values, "3 values, or 9 for a matrix (row by row)")->required()->transform(kNumber);
    rot->add_flag("--json", a.json, "print JSON");
    rot->add_option("--decimals", a.decimals, "fixed decimals (default: the shortest exact form)")
        ->check(CLI::Range(0, 17));
    rot->footer("\nForms:\n"
                "  opk     omega phi kappa, R = Rz(kappa) Ry(phi) Rx(omega)\n"
                "  kop     omega phi kappa, R = Ry(phi) Rx(omega) Rz(kappa)\n"
                "  v20     rotation vector theta*n (angle unit)\n"
                "  v24     2 sin(theta/2) n (twice the quaternion's vector part)\n"
                "  v26     2 tan(theta/2) n (Cayley form)\n"
                "  v28     per-axis angles a_i with sin(a_i/2) the quaternion's components (angle unit)\n"
                "  matrix  nine elements row by row; applied to column vectors\n"
                "  proj-pv PROJ helmert rx ry rz, +convention=position_vector (arc seconds, always):\n"
                "          R = Rx(rx) Ry(ry) Rz(rz)\n"
                "  proj-cf PROJ helmert rx ry rz, +convention=coordinate_frame (arc seconds, always):\n"
                "          R = (Rx(rx) Ry(ry) Rz(rz))^T\n"
                "Rotations are counterclockwise about fixed axes (right-hand rule). A published\n"
                "7-parameter set in either PROJ convention enters with --from proj-pv/proj-cf; with\n"
                "+exact, PROJ applies exactly the matrix printed here.\n"
                "\nExamples:\n"
                "  vq rotation --from opk 1.5 -0.25 30\n"
                "  vq rotation --from v24 --to opk --unit rad 0.1 0.2 0.3\n"
                "  vq rotation --from matrix --to opk --to kop 0 -1 0 1 0 0 0 0 1\n"
                "  vq rotation --from proj-cf --to proj-pv --to opk -- 0.1 -0.2 0.3\n");
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"vq - fit and apply coordinate transformations between control-point sets,\n"
                 "and convert rotations between conventions.",
                 "vq"};
    app.set_version_flag("--version", "vq " VQ_VERSION);
    app.require_subcommand(1);
    app.footer(std::string("\n") + kPointsHelp +
               "\nExamples:\n"
               "  vq fit --model similarity examples/map_scan.txt\n"
               "  vq fit --model similarity3d examples/datum_shift.txt\n"
               "  vq fit --model affine --save model.json examples/map_scan.txt && vq apply model.json examples/map_scan_new.txt\n"
               "  vq rotation --from opk 1.5 -0.25 30\n"
               "  vq export model.json proj\n"
               "Run 'vq <command> --help' for the options of a command.\n"
               "\n" + vq::kExitCodeHelp);
    vq::FitArgs fit;
    vq::ApplyArgs apply;
    vq::RotationArgs rotation;
    vq::ExportArgs export_args;
    std::string reject;
    add_fit(app, fit, reject);
    add_apply(app, apply);
    add_export(app, export_args);
    add_rotation(app, rotation);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return vq::kExitUsage;
    }

    if (CLI::App* f = app.get_subcommand("fit"); f->parsed() && f->get_option("--reject")->count() > 0) {
        if (reject == "all") {
            fit.reject = SIZE_MAX;
        } else {
            std::size_t k = 0;
            if (!CLI::detail::lexical_cast(reject, k)) {
                std::fprintf(stderr, "vq: error: --reject: '%s' is not a count\n", reject.c_str());
                return vq::kExitUsage;
            }
            fit.reject = k;
        }
    }

    try {
        std::string out;
        vq::StreamOutput standard_output(stdout, "standard output");
        if (app.got_subcommand("fit"))
            vq::run_fit(fit, standard_output);
        else if (app.got_subcommand("apply"))
            out = vq::run_apply(apply);
        else if (app.got_subcommand("export"))
            out = vq::run_export(export_args);
        else
            out = vq::run_rotation(rotation);
        std::fwrite(out.data(), 1, out.size(), stdout);
        if (std::fflush(stdout) != 0) throw vq::OutputError("cannot write standard output");
        return vq::kExitSuccess;
    } catch (const vq::VqError& e) {
        std::fprintf(stderr, "vq: error: %s\n", e.what());
        return e.code();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "vq: error: out of memory\n");
        return vq::kExitModel;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vq: internal error: %s\n", e.what());
        return vq::kExitInternal;
    }
}
