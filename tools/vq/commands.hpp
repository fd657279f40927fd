// The subcommands of vq. Each writes its files only after everything has
// succeeded, so a failing command leaves no partial result.
#pragma once

#include "errors.hpp"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vq {

struct FitArgs {
    std::string points;
    std::string model;  // empty: similarity for 2D files, similarity3d for 3D files
    bool json = false;
    bool summary = false;
    std::string save;
    std::string plot;
    double magnification = 0.0;
    int decimals = 4;
    bool general_start = false;  // kept for old scripts: every start is tried anyway
    std::string scale = "least-squares";
    bool y_down = false;
    std::optional<std::size_t> reject;  // set: --reject given (SIZE_MAX: no limit)
    double critical_value = 3.29;
    double sigma = 0.0;
    std::string format = "auto";       // point-file reader (point_formats.hpp)
    std::vector<std::string> columns;  // csv: column names in role order
    std::vector<std::string> exports;  // FORMAT or FORMAT=FILE
};

struct ApplyArgs {
    std::string model_file;
    std::string points;  // "-": standard input
    bool inverse = false;
    bool json = false;
    int decimals = -1;  // -1: shortest text that reads back exactly
    std::string format = "auto";
    std::vector<std::string> columns;
    std::string ids = "auto";  // auto | first | none
    std::string output;        // empty: standard output, streamed
};

struct ExportArgs {
    std::string model_file;
    std::string format;
    std::string points;  // GCP positions for the GCP exports
    std::string output;  // empty: standard output
};

struct RotationArgs {
    std::string from;
    std::vector<std::string> to;  // empty: every form
    std::string unit = "deg";
    std::vector<double> values;
    bool json = false;
    int decimals = -1;
};

class Output;

// Fit writes its report to `out` as it goes (a report of millions of points
// is streamed) after every file output is written; the files take their
// names only once the report is out.
void run_fit(const FitArgs& args, Output& out);
std::string run_apply(const ApplyArgs& args);
std::string run_rotation(const RotationArgs& args);
std::string run_export(const ExportArgs& args);

// Writes text to path (a temporary file beside it, renamed onto it); throws
// OutputError when it cannot.
void write_file(const std::string& path, const std::string& text);

// The point-file reader named on the command line (exit 2 for an unknown one).
struct ReadOptions;
ReadOptions read_options(const std::string& format, const std::vector<std::string>& columns);

// The exit-code table, as --help and the manual show it.
extern const char* const kExitCodeHelp;

}  // namespace vq
