// vq: fit and apply coordinate transformations from control-point files, and
// convert rotations between conventions. Built on the public C API of the
// VQ2D3D and VQmatrices libraries.
#include "commands.hpp"
#include "models.hpp"
#include "point_file.hpp"
#include "rotation_convert.hpp"

#include <CLI/CLI.hpp>

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
    "Point files: one point per line, 'id x y X Y' (2D) or 'id x y z X Y Z' (3D), source\n"
    "coordinates first; fields separated by spaces, tabs or commas; '#' starts a comment;\n"
    "an optional header line (fields that are not numbers) is skipped. Ids must be unique.\n";

void add_fit(CLI::App& app, vq::FitArgs& a) {
    CLI::App* fit = app.add_subcommand("fit", "Fit a transformation to control points and report residuals");
    fit->add_option("--model,-m", a.model,
                    "translation | rigid | similarity | affine | poly2 | poly3 (2D), similarity3d (3D);\n"
                    "default: similarity for 2D files, similarity3d for 3D files")
        ->check(CLI::IsMember(vq::model_names()));
    fit->add_option("POINTS", a.points, "control-point file")->required();
    fit->add_flag("--json", a.json, "print the report as JSON");
    fit->add_option("--save", a.save, "write the fitted model as JSON to this file (for 'vq apply')");
    fit->add_option("--plot", a.plot, "draw points and magnified residual vectors as SVG to this file");
    fit->add_option("--magnification", a.magnification, "residual magnification in the plot (default: automatic)")
        ->check(CLI::PositiveNumber);
    fit->add_option("--decimals", a.decimals, "decimals of residuals in the text report (default 4)")
        ->check(CLI::Range(0, 17));
    fit->add_flag("--general-start", a.general_start,
                  "similarity3d: start from the orthonormalised affine fit (needs 9 points or more;\n"
                  "use it for rotations far from a turn about z)");
    fit->footer(std::string("\n") + kPointsHelp +
                "\nResiduals are v = observed destination - transformed source; points with |v| > 3 RMS\n"
                "are flagged as suspected blunders. Models need at least 1, 2, 2, 3, 6, 10 and 3 points.\n"
                "\nExamples:\n"
                "  vq fit --model similarity examples/map_scan.txt\n"
                "  vq fit --model affine --save model.json --plot residuals.svg examples/map_scan.txt\n"
                "  vq fit --model similarity3d --json examples/datum_shift.txt\n");
}

void add_apply(CLI::App& app, vq::ApplyArgs& a) {
    CLI::App* apply = app.add_subcommand("apply", "Map points through a model saved by 'vq fit --save'");
    apply->add_option("MODEL_FILE", a.model_file, "model file written by 'vq fit --save'")->required();
    apply->add_option("POINTS", a.points, "points: 'id x y' / 'id x y z', or whole pair lines")->required();
    apply->add_flag("--inverse", a.inverse,
                    "map from the destination system back to the source (translation, rigid, similarity,\n"
                    "affine, similarity3d); of pair lines the destination columns are used");
    apply->add_flag("--json", a.json, "print JSON instead of 'id X Y [Z]' lines");
    apply->add_option("--decimals", a.decimals, "fixed decimals (default: the shortest exact form)")
        ->check(CLI::Range(0, 17));
    apply->footer("\nOutput: one line 'id X Y' (2D) or 'id X Y Z' (3D) per input point. Pair lines\n"
                  "'id x y X Y' are accepted: their source columns are mapped (with --inverse their\n"
                  "destination columns), so a control file can be checked against its own fit.\n"
                  "\nExamples:\n"
                  "  vq fit --model similarity --save model.json examples/map_scan.txt\n"
                  "  vq apply model.json new_points.txt\n"
                  "  vq apply --inverse --decimals 3 model.json map_points.txt\n");
}

void add_rotation(CLI::App& app, vq::RotationArgs& a) {
    CLI::App* rot = app.add_subcommand("rotation", "Convert a rotation between conventions");
    const auto& forms = vq::rotation_form_names();
    rot->add_option("--from,-f", a.from, "form of the input values")->required()->check(CLI::IsMember(forms));
    rot->add_option("--to,-t", a.to, "forms to print (repeatable; default: all)")
        ->check(CLI::IsMember(forms))
        ->allow_extra_args(false);
    rot->add_option("--unit,-u", a.unit, "angle unit of opk, kop, v20 and v28: deg, rad or gon (default deg)")
        ->check(CLI::IsMember({"deg", "rad", "gon"}));
    rot->add_option("VALUES", a.values, "3 values, or 9 for a matrix (row by row)")->required();
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
                "Rotations are counterclockwise about fixed axes (right-hand rule).\n"
                "\nExamples:\n"
                "  vq rotation --from opk 1.5 -0.25 30\n"
                "  vq rotation --from v24 --to opk --unit rad 0.1 0.2 0.3\n"
                "  vq rotation --from matrix --to opk --to kop 0 -1 0 1 0 0 0 0 1\n");
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
               "  vq fit --model affine --save model.json examples/map_scan.txt && vq apply model.json points.txt\n"
               "  vq rotation --from opk 1.5 -0.25 30\n"
               "Run 'vq <command> --help' for the options of a command.\n"
               "\n" + vq::kExitCodeHelp);
    vq::FitArgs fit;
    vq::ApplyArgs apply;
    vq::RotationArgs rotation;
    add_fit(app, fit);
    add_apply(app, apply);
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

    try {
        std::string out;
        if (app.got_subcommand("fit"))
            out = vq::run_fit(fit);
        else if (app.got_subcommand("apply"))
            out = vq::run_apply(apply);
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
