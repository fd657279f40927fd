// 2D polynomial transformation: the fit over the rows of two point arrays
// (pair pointers into them, no copy) and the map of an array of points, one
// transforma_punto2D call per point on the output rows.
#include "arrays.hpp"
#include "twins.hpp"

namespace vqpy {

namespace {

using Head = std::array<double, 4>;
using Coefficients = std::array<double, 9>;

template <class T>
py::tuple record_tuple(const typename Twin<T>::Poly& t) {
    Coefficients cx, cy;
    for (int k = 0; k < 9; ++k) {
        cx[k] = t.coef_x[k];
        cy[k] = t.coef_y[k];
    }
    return py::make_tuple(t.tipo, Head{t.xm_origen, t.ym_origen, t.x0_destino, t.y0_destino}, cx, cy,
                          dtype_name(precision_of_type<T>()));
}

py::tuple fit(py::handle src, py::handle dst, py::handle index, std::uint32_t tipo) {
    const Pairs q = point_pairs(src, dst, index, 2);
    return with_twin(q.src.precision, [&](auto zero) {
        using T = decltype(zero);
        typename Twin<T>::Poly t{};
        t.tipo = tipo;
        {
            py::gil_scoped_release unlocked;
            const PointerBlock<T> pointers = q.pointers<T>();
            Twin<T>::poly(&t, pointers.data(), q.count);
        }
        return record_tuple<T>(t);
    });
}

py::array map_points(std::uint32_t tipo, const Head& head, const Coefficients& cx, const Coefficients& cy,
                     const std::string& dtype, py::handle points) {
    const Rows rows = point_rows(points, "points", 2);
    const Precision p = record_precision(rows, dtype);
    return with_twin(p, [&](auto zero) -> py::array {
        using T = decltype(zero);
        typename Twin<T>::Poly t{};
        t.tipo = tipo;
        t.xm_origen = T(head[0]);
        t.ym_origen = T(head[1]);
        t.x0_destino = T(head[2]);
        t.y0_destino = T(head[3]);
        for (int k = 0; k < 9; ++k) {
            t.coef_x[k] = T(cx[k]);
            t.coef_y[k] = T(cy[k]);
        }
        py::array_t<T> out({static_cast<py::ssize_t>(rows.n), py::ssize_t{2}});
        T* o = out.mutable_data();
        {
            py::gil_scoped_release unlocked;
            for (std::size_t i = 0; i < rows.n; ++i) {
                std::memcpy(o + 2 * i, rows.row(i), 2 * sizeof(T));
                Twin<T>::transform(&t, o + 2 * i);
            }
        }
        return std::move(out);
    });
}

}  // namespace

void bind_polynomial2d(py::module_& m) {
    m.def("polynomial2d_fit", &fit, py::arg("src"), py::arg("dst"), py::arg("index"), py::arg("tipo"),
          "Trans_Polinomica2D___puntosxy_{fl,dbl}: (tipo, (xm_origen, ym_origen, x0_destino, y0_destino), "
          "coef_x, coef_y, dtype).");
    m.def("polynomial2d_map", &map_points, py::arg("tipo"), py::arg("head"), py::arg("coef_x"),
          py::arg("coef_y"), py::arg("dtype"), py::arg("points"),
          "transforma_punto2D_{fl,dbl} over every row of points, into a new (n, 2) array.");
}

}  // namespace vqpy
