#include "arrays.hpp"

#include <sys/mman.h>

#include <algorithm>
#include <limits>
#include <new>

namespace vqpy {

const char* dtype_name(Precision p) { return p == Precision::single ? "float32" : "float64"; }

Precision precision_named(const std::string& name) {
    if (name == "float32") return Precision::single;
    if (name == "float64") return Precision::dbl;
    throw py::type_error("dtype " + name + " is not float32 or float64");
}

Precision precision_of(const py::array& a, const char* name) {
    // By equivalence, not identity: unpickled arrays (Dask blocks) carry
    // dtype objects of their own.
    if (py::array_t<double>::check_(a)) return Precision::dbl;
    if (py::array_t<float>::check_(a)) return Precision::single;
    throw py::type_error(std::string(name) + " has dtype " + py::str(a.dtype()).cast<std::string>() +
                         "; vq takes float32 or float64 (in native byte order)");
}

py::array as_array(py::handle obj, const char* name) {
    if (py::isinstance<py::array>(obj)) return py::reinterpret_borrow<py::array>(obj);
    auto converted = py::array_t<double, py::array::forcecast>::ensure(obj);
    if (!converted) throw py::type_error(std::string(name) + " is not an array of numbers");
    return std::move(converted);
}

std::string shape_text(const py::array& a) {
    std::string s = "(";
    for (py::ssize_t k = 0; k < a.ndim(); ++k) {
        if (k) s += ", ";
        s += std::to_string(a.shape(k));
    }
    return s + (a.ndim() == 1 ? ",)" : ")");
}

Precision record_precision(const Rows& points, const std::string& dtype) {
    const Precision p = precision_named(dtype);
    if (points.precision != p)
        throw py::type_error(std::string("points are ") + dtype_name(points.precision) +
                             " but the record maps " + dtype + " points (it was fitted in " + dtype + ")");
    return p;
}

Rows point_rows(py::handle obj, const char* name, int dim) {
    py::array a = as_array(obj, name);
    const Precision p = precision_of(a, name);
    if (a.ndim() != 2 || a.shape(1) != dim)
        throw py::value_error(std::string(name) + " must have shape (n, " + std::to_string(dim) + "), got " +
                              shape_text(a));
    if (a.shape(0) > 0 && a.strides(1) != a.itemsize())
        a = py::array::ensure(a, py::array::c_style);
    return Rows{a, p, static_cast<char*>(const_cast<void*>(a.data())), static_cast<std::int64_t>(a.strides(0)),
                static_cast<std::size_t>(a.shape(0)), dim};
}

Rows float64_rows(py::handle obj, const char* name, int dim) {
    py::array a = as_array(obj, name);
    if (a.dtype().kind() != 'f' || a.itemsize() > 8)
        throw py::type_error(std::string(name) + " has dtype " + py::str(a.dtype()).cast<std::string>() +
                             "; the tool's fits and models take float64 (float16 and float32 are widened exactly)");
    if (a.ndim() != 2 || a.shape(1) != dim)
        throw py::value_error(std::string(name) + " must have shape (n, " + std::to_string(dim) + "), got " +
                              shape_text(a));
    constexpr auto d = static_cast<py::ssize_t>(sizeof(double));
    const bool in_place = py::array_t<double>::check_(a) && (a.flags() & py::detail::npy_api::NPY_ARRAY_ALIGNED_) &&
                          (a.shape(0) == 0 || (a.strides(1) == d && a.strides(0) % d == 0));
    if (!in_place) a = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(a);
    return Rows{a, Precision::dbl, static_cast<char*>(const_cast<void*>(a.data())),
                static_cast<std::int64_t>(a.strides(0)), static_cast<std::size_t>(a.shape(0)), dim};
}

namespace {

std::uint32_t checked_count(std::size_t n, const char* what) {
    if (n > std::numeric_limits<std::uint32_t>::max())
        throw py::value_error(std::string(what) + " " + std::to_string(n) +
                              " pairs; one call takes at most 4294967295");
    return static_cast<std::uint32_t>(n);
}

py::array_t<std::int64_t> checked_index(py::handle obj, std::size_t n) {
    // A list of row numbers stays integral (as_array would make it float64).
    py::array a = py::module_::import("numpy").attr("asarray")(obj);
    const char kind = a.dtype().kind();
    if (kind != 'i' && kind != 'u' && a.size() != 0)  // [] comes as float64
        throw py::type_error("index has dtype " + py::str(a.dtype()).cast<std::string>() +
                             "; it must hold integers (row numbers)");
    if (a.ndim() != 1) throw py::value_error("index must have shape (k,), got " + shape_text(a));
    auto rows = py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>::ensure(a);
    const std::int64_t* k = rows.data();
    for (py::ssize_t j = 0; j < rows.size(); ++j)
        if (k[j] < 0 || static_cast<std::uint64_t>(k[j]) >= n)
            throw py::value_error("index[" + std::to_string(j) + "] = " + std::to_string(k[j]) +
                                  " is not a row of src and dst (0.." + std::to_string(n) + ")");
    return rows;
}

}  // namespace

Pairs point_pairs(py::handle src_obj, py::handle dst_obj, py::handle index, int dim) {
    Rows src = point_rows(src_obj, "src", dim);
    Rows dst = point_rows(dst_obj, "dst", dim);
    if (src.precision != dst.precision)
        throw py::type_error("src and dst must have the same dtype (both float32 or both float64)");
    if (src.n != dst.n)
        throw py::value_error("src and dst must hold the same number of points, got " + std::to_string(src.n) +
                              " and " + std::to_string(dst.n));
    if (index.is_none()) {
        const std::uint32_t count = checked_count(src.n, "src and dst hold");
        return Pairs{std::move(src), std::move(dst), false, {}, count};
    }
    auto rows = checked_index(index, src.n);
    const std::uint32_t count = checked_count(static_cast<std::size_t>(rows.size()), "index selects");
    return Pairs{std::move(src), std::move(dst), true, std::move(rows), count};
}

template <class T>
PointerBlock<T>::PointerBlock(std::size_t count) {
    constexpr std::size_t huge = std::size_t{2} << 20;
    const std::size_t bytes = std::max<std::size_t>(count * sizeof(T*), 1);
    if (bytes < huge) {
        block_.reset(std::malloc(bytes));
    } else {
        const std::size_t rounded = (bytes + huge - 1) / huge * huge;
        block_.reset(std::aligned_alloc(huge, rounded));
        if (block_) madvise(block_.get(), rounded, MADV_HUGEPAGE);  // advice only: failure is harmless
    }
    if (!block_) throw std::bad_alloc();
}

template <class T>
PointerBlock<T> Pairs::pointers() const {
    PointerBlock<T> block(2 * static_cast<std::size_t>(count));
    T** p = block.data();
    const std::int64_t* k = selected ? index.data() : nullptr;
    for (std::size_t j = 0; j < count; ++j) {
        const std::size_t i = k ? static_cast<std::size_t>(k[j]) : j;
        p[2 * j] = reinterpret_cast<T*>(src.row(i));
        p[2 * j + 1] = reinterpret_cast<T*>(dst.row(i));
    }
    return block;
}

template class PointerBlock<float>;
template class PointerBlock<double>;
template PointerBlock<float> Pairs::pointers<float>() const;
template PointerBlock<double> Pairs::pointers<double>() const;

namespace {

constexpr int kAlignedWriteable = py::detail::npy_api::NPY_ARRAY_ALIGNED_ | py::detail::npy_api::NPY_ARRAY_WRITEABLE_;

py::array copy_in_order(const py::array& a, const char* order) {
    // np.array keeps the dtype and always copies.
    return py::module_::import("numpy").attr("array")(a, py::arg("order") = order);
}

}  // namespace

py::array square_matrix(py::handle obj, const char* name, py::ssize_t order, bool overwrite) {
    py::array a = as_array(obj, name);
    precision_of(a, name);
    if (a.ndim() != 2 || a.shape(0) != a.shape(1) || (order && a.shape(0) != order)) {
        const std::string n = order ? std::to_string(order) : "n";
        throw py::value_error(std::string(name) + " must have shape (" + n + ", " + n + "), got " + shape_text(a));
    }
    constexpr int in_place = py::detail::npy_api::NPY_ARRAY_C_CONTIGUOUS_ | kAlignedWriteable;
    if (overwrite && (a.flags() & in_place) == in_place) return a;
    return copy_in_order(a, "C");
}

py::array writable_vector(py::handle obj, const char* name, py::ssize_t length, bool overwrite) {
    py::array a = as_array(obj, name);
    precision_of(a, name);
    const bool two = a.ndim() == 2 && a.shape(1) == 2;
    if (!(a.ndim() == 1 || two) || (length && a.shape(0) != length)) {
        const std::string n = length ? std::to_string(length) : "n";
        throw py::value_error(std::string(name) + " must have shape (" + n + ",) or (" + n + ", 2), got " +
                              shape_text(a));
    }
    constexpr int in_place = py::detail::npy_api::NPY_ARRAY_F_CONTIGUOUS_ | kAlignedWriteable;
    if (overwrite && (a.flags() & in_place) == in_place) return a;
    return copy_in_order(a, "F");
}

}  // namespace vqpy
