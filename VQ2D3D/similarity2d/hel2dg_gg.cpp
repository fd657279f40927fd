// 2D similarity from two strided walks sharing one stride: source i at
// i*stride bytes from src, destination i at i*stride bytes from dst. Only the
// first two values at each address are read, so the points may sit at the
// head of larger records (x, y, z, ...). Strides may be negative in two's
// complement; points need not be aligned for T.
#include "VQ2D3D.h"
#include "fit_paths.hpp"

namespace vq {
namespace {

template <class T>
Hel2Dg_t<T> hel2dg_from_two_walks(const T* src, const T* dst, uint64_t stride, uint32_t n) {
    const ParallelWalks<T> pairs{address_of(src), stride, address_of(dst), stride};
    return fit_similarity_2d_fast<T>(pairs, n);
}

}  // namespace
}  // namespace vq

Hel2Dg_fl Hel2Dg___gg_fl(const float* src, const float* dst, uint64_t stride, uint32_t n) {
    return vq::hel2dg_from_two_walks(src, dst, stride, n);
}

Hel2Dg_dbl Hel2Dg___gg_dbl(const double* src, const double* dst, uint64_t stride, uint32_t n) {
    return vq::hel2dg_from_two_walks(src, dst, stride, n);
}
