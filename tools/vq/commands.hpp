// The subcommands of vq. Each returns the text for standard output and writes
// its files only after everything has succeeded, so a failing command leaves
// no partial result.
#pragma once

#include "errors.hpp"

#include <string>
#include <vector>

namespace vq {

struct FitArgs {
    std::string points;
    std::string model;  // empty: similarity for 2D files, similarity3d for 3D files
    bool json = false;
    std::string save;
    std::string plot;
    double magnification = 0.0;
    int decimals = 4;
    bool general_start = false;
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

std::string run_fit(const FitArgs& args);
std::string run_apply(const ApplyArgs& args);
std::string run_rotation(const RotationArgs& args);
std::string run_export(const ExportArgs& args);

// Writes text to path; throws OutputError when it cannot.
void write_file(const std::string& path, const std::string& text);

// The point-file reader named on the command line (exit 2 for an unknown one).
struct ReadOptions;
ReadOptions read_options(const std::string& format, const std::vector<std::string>& columns);

// The exit-code table, as --help and the manual show it.
extern const char* const kExitCodeHelp;

}  // namespace vq
