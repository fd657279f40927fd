// Arguments from Python. The dtype picks the twin (float32 the _fl export,
// float64 the _dbl one, anything else is a TypeError); shapes are checked and
// the argument is named in the error; point rows are read where they lie,
// through their byte stride, which may be negative.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace vqpy {

namespace py = pybind11;

enum class Precision { single, dbl };

// Calls f(float{}) or f(double{}); both must return the same type.
template <class F>
decltype(auto) with_twin(Precision p, F&& f) {
    if (p == Precision::single) return f(float{});
    return f(double{});
}

template <class T>
constexpr Precision precision_of_type() {
    return sizeof(T) == sizeof(float) ? Precision::single : Precision::dbl;
}

// "float32" / "float64": how records tell the pure layer their twin.
const char* dtype_name(Precision p);
Precision precision_named(const std::string& name);

// The precision of a float32 or float64 array in native byte order;
// TypeError naming `name` for any other dtype.
Precision precision_of(const py::array& a, const char* name);

// `obj` as an array: arrays as they are, other sequences converted to float64.
py::array as_array(py::handle obj, const char* name);

// "(5, 3)"
std::string shape_text(const py::array& a);

// (n, dim) points read in place: row i at data + i*stride bytes, its dim
// coordinates adjacent (arrays whose coordinates are not adjacent, such as
// Fortran-ordered ones, are copied once so that they are).
struct Rows {
    py::array array;  // holds the memory
    Precision precision;
    char* data;
    std::int64_t stride;
    std::size_t n;
    int dim;
    char* row(std::size_t i) const { return data + static_cast<std::int64_t>(i) * stride; }
};

Rows point_rows(py::handle obj, const char* name, int dim);

// The precision a record was fitted in (its dtype name), which the points it
// maps must have: TypeError naming both otherwise.
Precision record_precision(const Rows& points, const std::string& dtype);

// (n, dim) points as doubles for the tool's library, which reads float64 rows
// a whole number of doubles apart: a float64 array whose rows lie so is read
// in place, any other floating-point array of at most 64 bits (float16 and
// float32 widen exactly, any byte order) is copied once into a C-ordered
// float64 array. TypeError for other dtypes, ValueError for a wrong shape.
Rows float64_rows(py::handle obj, const char* name, int dim);

// The pair-pointer array the library's pointer estimators take, on the heap
// with huge pages asked for: ten million pairs take 160 MB of pointers, and
// faulting that in by 4 KiB pages costs more than the fit itself.
template <class T>
class PointerBlock {
public:
    explicit PointerBlock(std::size_t count);
    T** data() const { return static_cast<T**>(block_.get()); }

private:
    struct Free {
        void operator()(void* p) const { std::free(p); }
    };
    std::unique_ptr<void, Free> block_;
};

// The pairs a fit reads: source row i with destination row i, for every i in
// order or for the rows listed in `index` (integers in 0..n-1, in the given
// order, repeats allowed). TypeError/ValueError name the offending argument.
struct Pairs {
    Rows src, dst;
    bool selected;                    // rows listed in index, else every row
    py::array_t<std::int64_t> index;
    std::uint32_t count;              // pairs read, as the library's 32-bit count

    // pointers[2k] -> source point of pair k, pointers[2k+1] -> its destination.
    template <class T>
    PointerBlock<T> pointers() const;
};

Pairs point_pairs(py::handle src, py::handle dst, py::handle index, int dim);

// A float32/float64 matrix of shape (order, order) (any square shape when
// order is 0) that the caller's kernel may overwrite: the array itself when
// `overwrite` allows it and it is C-contiguous, aligned and writeable,
// otherwise a C-ordered copy, as SciPy's overwrite_a.
py::array square_matrix(py::handle obj, const char* name, py::ssize_t order, bool overwrite);

// The same for a vector (length `length`, any length when 0) or an (length, 2)
// pair of vectors kept column by column (Fortran order) so that each is contiguous.
py::array writable_vector(py::handle obj, const char* name, py::ssize_t length, bool overwrite);

template <class T>
T load(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

}  // namespace vqpy
