// The _fl and _dbl twins of the exports behind one template parameter, for
// the tests, the fuzzer and the benchmarks that run both twins alike.
#pragma once

#include "../../common/export_twins.hpp"

namespace vq_test {

template <class T> using Exports = vq::Twin<T>;

}  // namespace vq_test
