// The errors of the tool and its library, one class per exit code of vq:
//   0  success
//   1  internal error (a fault of vq itself; never expected)
//   2  command line: unknown option, wrong value, wrong number of values
//   3  input that cannot be read or parsed (the message names file:line:column)
//   4  input that cannot be fitted or mapped (too few points, degenerate
//      geometry, no convergence, a point outside what a model can invert)
//   5  output that cannot be written (file, directory, standard output)
// Every message is complete in itself; vq prints it after "vq: error: ".
#pragma once

#include <stdexcept>

namespace vq {

enum ExitCode : int {
    kExitSuccess = 0,
    kExitInternal = 1,
    kExitUsage = 2,
    kExitInput = 3,
    kExitModel = 4,
    kExitOutput = 5,
};

class VqError : public std::runtime_error {
public:
    VqError(ExitCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
    ExitCode code() const { return code_; }

private:
    ExitCode code_;
};

// A bad value on the command line (exit 2).
class UsageError : public VqError {
public:
    explicit UsageError(const std::string& message) : VqError(kExitUsage, message) {}
};

// A problem in an input file, already formatted with its location (exit 3).
class InputError : public VqError {
public:
    explicit InputError(const std::string& message) : VqError(kExitInput, message) {}
};

// A model that cannot be fitted to, or applied on, the data given (exit 4).
class FitError : public VqError {
public:
    explicit FitError(const std::string& message) : VqError(kExitModel, message) {}
};

// An output that cannot be written (exit 5).
class OutputError : public VqError {
public:
    explicit OutputError(const std::string& message) : VqError(kExitOutput, message) {}
};

}  // namespace vq
