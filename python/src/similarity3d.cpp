// 3D similarity: the seven-parameter fit over the rows of two point arrays
// (pair pointers into them), the map of points through its centroid form
//   X = destination centroid + escala * R * (x - source centroid),
// each row of R times the centred point summed left to right, as the tool
// applies it; and the 3x3 kernels convierte_en_R_* and VQinvsim3_*.
#include "arrays.hpp"
#include "twins.hpp"

#include <new>

namespace vqpy {

namespace {

using Head = std::array<double, 7>;  // source centroid, destination centroid, escala
using Matrix = std::array<double, 9>;

py::tuple fit(py::handle src, py::handle dst, py::handle index, bool general_start, bool overwrite) {
    const Pairs q = point_pairs(src, dst, index, 3);
    // Reducing in place writes each listed point once per listing, so only
    // whole, writeable arrays are reduced; otherwise the library reads them.
    const bool in_place = overwrite && !q.selected && q.src.array.writeable() && q.dst.array.writeable();
    return with_twin(q.src.precision, [&](auto zero) {
        using T = decltype(zero);
        typename Twin<T>::Hel3Dg h{};
        float cofactors[9] = {};
        std::int32_t status;
        {
            py::gil_scoped_release unlocked;
            const PointerBlock<T> pointers = q.pointers<T>();
            status = Twin<T>::fit3d(pointers.data(), q.count, &h, general_start ? 1 : 0,
                                               in_place ? 1 : 0, cofactors);
        }
        if (status == -2) throw std::bad_alloc();
        Matrix R, cof;
        for (int k = 0; k < 9; ++k) {
            R[k] = h.R[k];
            cof[k] = cofactors[k];
        }
        return py::make_tuple(Head{h.xm_origen, h.ym_origen, h.zm_origen, h.xm_destino, h.ym_destino,
                                   h.zm_destino, h.escala},
                              R, cof, dtype_name(q.src.precision));
    });
}

py::array map_points(const Head& head, const Matrix& rotation, const std::string& dtype, py::handle points) {
    const Rows rows = point_rows(points, "points", 3);
    const Precision p = record_precision(rows, dtype);
    return with_twin(p, [&](auto zero) -> py::array {
        using T = decltype(zero);
        T ms[3], md[3], R[9];
        for (int k = 0; k < 3; ++k) {
            ms[k] = T(head[k]);
            md[k] = T(head[3 + k]);
        }
        for (int k = 0; k < 9; ++k) R[k] = T(rotation[k]);
        const T escala = T(head[6]);
        py::array_t<T> out({static_cast<py::ssize_t>(rows.n), py::ssize_t{3}});
        T* o = out.mutable_data();
        {
            py::gil_scoped_release unlocked;
            for (std::size_t i = 0; i < rows.n; ++i) {
                const char* in = rows.row(i);
                const T a[3] = {load<T>(in) - ms[0], load<T>(in + sizeof(T)) - ms[1],
                                load<T>(in + 2 * sizeof(T)) - ms[2]};
                for (int k = 0; k < 3; ++k) {
                    const T r = R[3 * k] * a[0] + R[3 * k + 1] * a[1] + R[3 * k + 2] * a[2];
                    o[3 * i + k] = md[k] + escala * r;
                }
            }
        }
        return std::move(out);
    });
}

// A 3x3 kernel in place on `m` (itself when overwrite allows, else a copy).
template <class Kernel>
py::array in_place_3x3(py::handle m, bool overwrite, Kernel kernel) {
    py::array a = square_matrix(m, "a", 3, overwrite);
    with_twin(precision_of(a, "a"), [&](auto zero) {
        using T = decltype(zero);
        kernel(static_cast<T*>(a.mutable_data()));
        return 0;
    });
    return a;
}

}  // namespace

void bind_similarity3d(py::module_& m) {
    m.def("similarity3d_fit", &fit, py::arg("src"), py::arg("dst"), py::arg("index"), py::arg("general_start"),
          py::arg("overwrite"),
          "Hel3Dg___ptr_{fl,dbl}: ((xm_origen, ym_origen, zm_origen, xm_destino, ym_destino, zm_destino, "
          "escala), R, cofactores, dtype).");
    m.def("similarity3d_map", &map_points, py::arg("head"), py::arg("R"), py::arg("dtype"), py::arg("points"),
          "The centroid form of a Hel3Dg record over every row of points, into a new (n, 3) array.");
    m.def("nearest_rotation",
          [](py::handle m, bool overwrite) {
              return in_place_3x3(m, overwrite, [](auto* a) { Twin<std::remove_pointer_t<decltype(a)>>::to_rotation(a); });
          },
          py::arg("a"), py::arg("overwrite"), "convierte_en_R_{fl,dbl}.");
    m.def("inverse3",
          [](py::handle m, bool overwrite) {
              return in_place_3x3(m, overwrite, [](auto* a) { Twin<std::remove_pointer_t<decltype(a)>>::invsim3(a); });
          },
          py::arg("a"), py::arg("overwrite"), "VQinvsim3_{fl,dbl}.");
}

}  // namespace vqpy
