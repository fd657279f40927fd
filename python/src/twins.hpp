// The library's twins by element type (common/export_twins.hpp): every
// binding reaches the C API only through Twin<T>, so which export a dtype
// calls is decided in one place.
#pragma once

#include "export_twins.hpp"

namespace vqpy {

template <class T> using Twin = vq::Twin<T>;

}  // namespace vqpy
