// Element access for the two storage schemes of the symmetric kernels.
//
// Full storage: n*n values row by row, element (i, j) at i*n + j.
// Packed storage: the lower triangle row by row, element (i, j) with j <= i at
// i*(i+1)/2 + j, so row i ends with its diagonal.
// Indices are formed in size_t, so every order a 32-bit count can express is
// addressed without wrapping.
#pragma once

#include <cstddef>

namespace vq {

template <class T> class FullSymmetric {
public:
    FullSymmetric(T* values, std::size_t order) : a_(values), n_(order) {}
    T& operator()(std::size_t i, std::size_t j) const { return a_[i * n_ + j]; }

private:
    T* a_;
    std::size_t n_;
};

template <class T> class PackedSymmetric {
public:
    explicit PackedSymmetric(T* values) : p_(values) {}
    // Requires j <= i.
    T& operator()(std::size_t i, std::size_t j) const { return p_[i * (i + 1) / 2 + j]; }

private:
    T* p_;
};

}  // namespace vq
