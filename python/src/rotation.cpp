// Rotation matrices (double) from angles, sines and cosines or parameter
// vectors; angles and parameters back from a matrix; quarter-turn offsets;
// means of angle triples; the single-precision increment matrix.
//
// The omega-phi-kappa and z-x-z builders are exported only from sines and
// cosines: their angle forms take std::sin and std::cos here, the same libm
// calls MatrizRot_κωφ makes inside the library.
#include "arrays.hpp"
#include "twins.hpp"

#include <cmath>

namespace vqpy {

namespace {

using Triple = std::array<double, 3>;

enum Form { opk = 0, kop = 1, kwk = 2 };

py::array_t<double> new_matrix() { return py::array_t<double>({py::ssize_t{3}, py::ssize_t{3}}); }

py::array_t<double> triple_array(const Angulos& a) {
    py::array_t<double> out(3);
    double* o = out.mutable_data();
    o[0] = a.omega;
    o[1] = a.fi;
    o[2] = a.kappa;
    return out;
}

py::array_t<double> from_sincos(const std::array<double, 6>& v, int form) {
    const SenCos sc = {v[0], v[1], v[2], v[3], v[4], v[5]};
    auto R = new_matrix();
    double* r = R.mutable_data();
    switch (form) {
        case opk: MatrizRotGT_ωφκ(sc, r); break;
        case kop: MatrizRotGT_κωφ(sc, r); break;
        case kwk: MatrizRotGT_κwκ(sc, r); break;
        default: throw py::value_error("unknown rotation order " + std::to_string(form));
    }
    return R;
}

py::array_t<double> from_angles(const Triple& a, int form) {
    if (form == kop) {
        auto R = new_matrix();
        MatrizRot_κωφ(Angulos{a[0], a[1], a[2]}, R.mutable_data());
        return R;
    }
    return from_sincos({std::sin(a[0]), std::cos(a[0]), std::sin(a[1]), std::cos(a[1]), std::sin(a[2]),
                        std::cos(a[2])},
                       form);
}

py::array_t<double> from_parameters(const Triple& v, int kind) {
    const Angulos a = {v[0], v[1], v[2]};
    auto R = new_matrix();
    double* r = R.mutable_data();
    switch (kind) {
        case 20: MatrizRot_20(a, r); break;
        case 24: MatrizRot_24(a, r); break;
        case 26: MatrizRot_26(a, r); break;
        case 28: MatrizRot_28(a, r); break;
        default: throw py::value_error("unknown parametrisation " + std::to_string(kind));
    }
    return R;
}

py::tuple increment(const Triple& theta, const std::string& dtype) {
    const Angulos_fl t = {float(theta[0]), float(theta[1]), float(theta[2])};
    return with_twin(precision_named(dtype), [&](auto zero) {
        using T = decltype(zero);
        py::array_t<T> D({py::ssize_t{3}, py::ssize_t{3}});
        const float squared = Twin<T>::delta(t, D.mutable_data());
        return py::make_tuple(D, squared);
    });
}

// A rotation matrix argument as nine contiguous doubles (float32 widened exactly).
py::array_t<double> matrix_in(py::handle obj) {
    py::array a = as_array(obj, "R");
    precision_of(a, "R");
    if (a.ndim() != 2 || a.shape(0) != 3 || a.shape(1) != 3)
        throw py::value_error("R must have shape (3, 3), got " + shape_text(a));
    return py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(a);
}

FuncionGmatriz extraction(int form) {
    if (form == opk) return Gmatriz_ωφκ_seg;
    if (form == 24) return Gmatriz_24_seg;
    throw py::value_error("no extraction function for form " + std::to_string(form));
}

py::tuple quarter_turn_offset(py::handle R, int form) {
    const auto m = matrix_in(R);
    std::int32_t offset = 0;
    const Angulos a = Getoffset_matriz(m.data(), extraction(form), &offset);
    return py::make_tuple(triple_array(a), offset);
}

// (n, 3) triples as contiguous records of T: doubles for the angles (float32
// widened exactly), floats for the weights (float64 rounded, as a C caller would).
template <class T>
py::array_t<T> triples_in(py::handle obj, const char* name) {
    py::array a = as_array(obj, name);
    precision_of(a, name);
    if (a.ndim() != 2 || a.shape(1) != 3)
        throw py::value_error(std::string(name) + " must have shape (n, 3), got " + shape_text(a));
    return py::array_t<T, py::array::c_style | py::array::forcecast>::ensure(a);
}

py::array_t<double> mean_angles(py::handle angles, py::handle weights) {
    const auto a = triples_in<double>(angles, "angles");
    if (static_cast<std::uint64_t>(a.shape(0)) > UINT32_MAX)
        throw py::value_error("angles holds more than 4294967295 triples");
    const auto n = static_cast<std::uint32_t>(a.shape(0));
    const auto* records = reinterpret_cast<const Angulos*>(a.data());
    Angulos mean;
    if (weights.is_none()) {
        py::gil_scoped_release unlocked;
        mean = Gmedio(records, n);
    } else {
        const auto w = triples_in<float>(weights, "weights");
        if (w.shape(0) != a.shape(0))
            throw py::value_error("weights must have shape (" + std::to_string(n) + ", 3), got " + shape_text(w));
        py::gil_scoped_release unlocked;
        mean = Gmedio_pesos(records, n, reinterpret_cast<const Pesos*>(w.data()));
    }
    return triple_array(mean);
}

}  // namespace

void bind_rotation(py::module_& m) {
    m.def("matrix_from_sincos", &from_sincos, py::arg("sincos"), py::arg("form"),
          "MatrizRotGT_ωφκ (form 0), MatrizRotGT_κωφ (1), MatrizRotGT_κwκ (2).");
    m.def("matrix_from_angles", &from_angles, py::arg("angles"), py::arg("form"),
          "MatrizRotGT_ωφκ of sin/cos (form 0), MatrizRot_κωφ (1), MatrizRotGT_κwκ of sin/cos (2).");
    m.def("matrix_from_parameters", &from_parameters, py::arg("v"), py::arg("kind"), "MatrizRot_20/24/26/28.");
    m.def("increment_matrix", &increment, py::arg("theta"), py::arg("dtype"),
          "MatrizDeltafl_{fl,dbl}: (D, |theta|^2).");
    m.def("angles_from_matrix", [](py::handle R) { return triple_array(Gmatriz_ωφκ_seg(matrix_in(R).data())); },
          py::arg("R"), "Gmatriz_ωφκ_seg.");
    m.def("parameters_from_matrix", [](py::handle R) { return triple_array(Gmatriz_24_seg(matrix_in(R).data())); },
          py::arg("R"), "Gmatriz_24_seg.");
    m.def("quarter_turn_offset", &quarter_turn_offset, py::arg("R"), py::arg("form"),
          "Getoffset_matriz with Gmatriz_ωφκ_seg (form 0) or Gmatriz_24_seg (24): (values, offset).");
    m.def("mean_angles", &mean_angles, py::arg("angles"), py::arg("weights"), "Gmedio / Gmedio_pesos.");
}

}  // namespace vqpy
