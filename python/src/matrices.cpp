// Symmetric inverses (full storage, in place) and packed symmetric solvers,
// on the caller's array when overwrite allows it, else on a copy.
#include "arrays.hpp"
#include "twins.hpp"

namespace vqpy {

namespace {

enum Method { elimination = 0, positive = 1, cholesky = 2 };

py::tuple inverse(py::handle obj, int method, bool overwrite) {
    py::array a = square_matrix(obj, "a", 0, overwrite);
    const auto n = static_cast<std::uint32_t>(a.shape(0));
    const std::int32_t status = with_twin(precision_of(a, "a"), [&](auto zero) {
        using T = decltype(zero);
        using W = Twin<T>;
        T* data = static_cast<T*>(a.mutable_data());
        py::gil_scoped_release unlocked;
        switch (method) {
            case positive: return W::invsim_pos(data, n);
            case cholesky: return W::invsim_cho(data, n);
            default: return W::invsim(data, n);
        }
    });
    return py::make_tuple(a, status);
}

py::tuple solve(py::handle p_obj, py::handle b_obj, bool overwrite_p, bool overwrite_b) {
    py::array b = writable_vector(b_obj, "b", 0, overwrite_b);
    const py::ssize_t n = b.shape(0);
    const py::ssize_t packed = n * (n + 1) / 2;
    py::array p = as_array(p_obj, "p");
    if (p.ndim() != 1 || p.shape(0) != packed)
        throw py::value_error("p must have shape (" + std::to_string(packed) + ",) for " + std::to_string(n) +
                              " unknowns (n*(n+1)/2), got " + shape_text(p));
    p = writable_vector(p, "p", packed, overwrite_p);
    const Precision precision = precision_of(b, "b");
    if (precision_of(p, "p") != precision)
        throw py::type_error("p and b must have the same dtype (both float32 or both float64)");
    const auto order = static_cast<std::uint32_t>(n);
    const bool two = b.ndim() == 2;
    const std::int32_t status = with_twin(precision, [&](auto zero) {
        using T = decltype(zero);
        T* factor = static_cast<T*>(p.mutable_data());
        T* x = static_cast<T*>(b.mutable_data());
        py::gil_scoped_release unlocked;
        // b of shape (n, 2) is kept in Fortran order: its columns lie one after the other.
        return two ? Twin<T>::solve2(factor, x, x + n, order) : Twin<T>::solve(factor, x, order);
    });
    return py::make_tuple(b, status, p);
}

}  // namespace

void bind_matrices(py::module_& m) {
    m.def("inverse", &inverse, py::arg("a"), py::arg("method"), py::arg("overwrite"),
          "VQinvsim_{fl,dbl} (method 0), VQinvsim_pos_* (1), VQinvsim_cho_* (2): (inverse, status).");
    m.def("solve_packed", &solve, py::arg("p"), py::arg("b"), py::arg("overwrite_p"), py::arg("overwrite_b"),
          "resuelve_sistema_sim_t_{fl,dbl} (b of shape (n,)) or resuelve_sistema_sim_t_2_* (b of shape "
          "(n, 2)): (x, status, factor).");
}

}  // namespace vqpy
