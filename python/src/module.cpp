// vq._core: the C exports of VQ2D3D and VQmatrices for numpy arrays, and the
// fits and models of the vq tool's library (vqfit). The package vq on top of
// it holds the documentation, names and records; this module only checks
// arguments, picks the twin and calls the libraries.
#include "arrays.hpp"

#include <VQ2D3D.h>
#include <errors.hpp>

namespace vqpy {
void bind_similarity2d(py::module_& m);
void bind_polynomial2d(py::module_& m);
void bind_rotation(py::module_& m);
void bind_similarity3d(py::module_& m);
void bind_matrices(py::module_& m);
void bind_tool_model(py::module_& m);
void bind_fit(py::module_& m);
}  // namespace vqpy

PYBIND11_MODULE(_core, m) {
    m.doc() = "The C exports of VQ2D3D and VQmatrices; use the package vq.";
    m.attr("version") = std::to_string(VQ2D3D_VERSION_MAJOR) + "." + std::to_string(VQ2D3D_VERSION_MINOR) + "." +
                        std::to_string(VQ2D3D_VERSION_PATCH);
    vqpy::bind_similarity2d(m);
    vqpy::bind_polynomial2d(m);
    vqpy::bind_rotation(m);
    vqpy::bind_similarity3d(m);
    vqpy::bind_matrices(m);
    // The tool's refusals (too few points, degenerate geometry, a point a
    // model cannot map back) keep its message; ValueError, as they are about
    // the values given.
    pybind11::register_exception<vq::FitError>(m, "FitError", PyExc_ValueError);
    vqpy::bind_tool_model(m);
    vqpy::bind_fit(m);
}
