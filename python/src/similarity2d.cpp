// 2D similarity: the estimator of the layout the arrays are in, the
// least-squares scale, and the translation form.
//
// The layout is read off the strides: two plain (n, 2) arrays are Hel2Dg___pp;
// source and destination rows alternating in one walk (the two halves of an
// (n, 4) array of pairs, for example) are Hel2Dg___p or ___g; two walks with
// one stride ___gg, with two strides ___mixed; a row selection ___ptr. Every
// layout gives the same bits, so the choice only saves copying.
//
// The library's scale is the symmetric one, sqrt(Qd / Qo), the ratio of the
// spreads of the two centred sets. The least-squares scale,
// sqrt(Sdot^2 + Scross^2) / Qo, which minimises the residuals, is computed
// here by one more pass over the same pairs about the fit's centroids, each
// term formed in full before it is added, in the twin's precision, as the
// library's fit core forms its sums.
#include "arrays.hpp"
#include "twins.hpp"

#include <cmath>

namespace vqpy {

namespace {

enum class Layout { pp, p, g, gg, mixed, ptr };

const char* layout_name(Layout l) {
    constexpr const char* names[] = {"pp", "p", "g", "gg", "mixed", "ptr"};
    return names[static_cast<int>(l)];
}

Layout layout_of(const Pairs& q) {
    if (q.selected) return Layout::ptr;
    const std::int64_t e = q.src.array.itemsize();
    const std::int64_t sa = q.src.stride, sb = q.dst.stride;
    const std::int64_t gap = static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(q.dst.data) -
                                                       reinterpret_cast<std::uintptr_t>(q.src.data));
    if (sa == 2 * e && sb == 2 * e) return Layout::pp;
    if (sa == sb && sa % 2 == 0 && gap == sa / 2) return sa == 4 * e ? Layout::p : Layout::g;
    if (sa == sb) return Layout::gg;
    return Layout::mixed;
}

// A byte stride as the library takes it: two's complement in 64 bits.
std::uint64_t stride_arg(std::int64_t s) { return static_cast<std::uint64_t>(s); }

template <class T>
typename Twin<T>::Hel2Dg fit(const Pairs& q, Layout layout) {
    using W = Twin<T>;
    const T* a = reinterpret_cast<const T*>(q.src.data);
    const T* b = reinterpret_cast<const T*>(q.dst.data);
    switch (layout) {
        case Layout::pp: return W::pp(a, b, q.count);
        case Layout::p: return W::p(a, q.count);
        case Layout::g: return W::g(a, stride_arg(q.src.stride / 2), q.count);
        case Layout::gg: return W::gg(a, b, stride_arg(q.src.stride), q.count);
        case Layout::mixed: return W::mixed(a, stride_arg(q.src.stride), b, stride_arg(q.dst.stride), q.count);
        case Layout::ptr: break;
    }
    const PointerBlock<T> pointers = q.pointers<T>();
    return W::ptr(pointers.data(), q.count);
}

template <class T, class Record>
T least_squares_scale(const Pairs& q, const Record& h) {
    const std::int64_t* k = q.selected ? q.index.data() : nullptr;
    T qo = 0, sdot = 0, scross = 0;
    for (std::size_t j = 0; j < q.count; ++j) {
        const std::size_t i = k ? static_cast<std::size_t>(k[j]) : j;
        const char* s = q.src.row(i);
        const char* d = q.dst.row(i);
        const T dxo = load<T>(s) - h.xm_origen;
        const T dyo = load<T>(s + sizeof(T)) - h.ym_origen;
        const T dxd = load<T>(d) - h.xm_destino;
        const T dyd = load<T>(d + sizeof(T)) - h.ym_destino;
        qo += dxo * dxo + dyo * dyo;
        sdot += dxo * dxd + dyo * dyd;
        scross += dxo * dyd - dyo * dxd;
    }
    return std::sqrt(sdot * sdot + scross * scross) / qo;
}

py::tuple similarity2d(py::handle src, py::handle dst, py::handle index, bool least_squares) {
    const Pairs q = point_pairs(src, dst, index, 2);
    return with_twin(q.src.precision, [&](auto zero) {
        using T = decltype(zero);
        typename Twin<T>::Hel2Dg h;
        {
            py::gil_scoped_release unlocked;
            h = fit<T>(q, layout_of(q));
            if (least_squares) h.escala = least_squares_scale<T>(q, h);
        }
        return py::make_tuple(h.xm_origen, h.ym_origen, h.xm_destino, h.ym_destino, h.escala, h.cos_giro,
                              h.sen_giro, dtype_name(q.src.precision));
    });
}

py::tuple translation_form(const std::array<double, 7>& v, const std::string& dtype) {
    return with_twin(precision_named(dtype), [&](auto zero) {
        using T = decltype(zero);
        // Values of a float32 record are floats held in doubles: narrowing is exact.
        const typename Twin<T>::Hel2Dg g = {T(v[0]), T(v[1]), T(v[2]), T(v[3]), T(v[4]), T(v[5]), T(v[6])};
        const auto t = Twin<T>::to_hel2d(g);
        return py::make_tuple(t.tx, t.ty, t.escala, t.cos_giro, t.sen_giro);
    });
}

}  // namespace

void bind_similarity2d(py::module_& m) {
    m.def("similarity2d", &similarity2d, py::arg("src"), py::arg("dst"), py::arg("index"),
          py::arg("least_squares"),
          "Hel2Dg___{pp,p,g,gg,mixed,ptr}_{fl,dbl}: (xm_origen, ym_origen, xm_destino, ym_destino, "
          "escala, cos_giro, sen_giro, dtype); least_squares replaces escala by the least-squares scale.");
    m.def("similarity2d_layout",
          [](py::handle src, py::handle dst, py::handle index) {
              return layout_name(layout_of(point_pairs(src, dst, index, 2)));
          },
          py::arg("src"), py::arg("dst"), py::arg("index") = py::none(),
          "The Hel2Dg___ estimator similarity2d calls for these arrays: pp, p, g, gg, mixed or ptr.");
    m.def("similarity2d_translation", &translation_form, py::arg("record"), py::arg("dtype"),
          "Hel2D___Hel2Dg_{fl,dbl}: (tx, ty, escala, cos_giro, sen_giro).");
}

}  // namespace vqpy
