// 2D similarity from two parallel arrays of points: source point i at
// src[2i], src[2i+1], destination point i at dst[2i], dst[2i+1].
// Two walks over plain point arrays, run through the shared centroid fit.
#include "VQ2D3D.h"
#include "fit_paths.hpp"

namespace vq {
namespace {

template <class T> Hel2Dg_t<T> hel2dg_from_point_arrays(const T* src, const T* dst, uint32_t n) {
    const ParallelWalks<T> pairs{address_of(src), kPackedPointStride<T>, address_of(dst),
                                 kPackedPointStride<T>};
    return fit_similarity_2d_fast<T>(pairs, n);
}

}  // namespace
}  // namespace vq

Hel2Dg_fl Hel2Dg___pp_fl(const float* src, const float* dst, uint32_t n) {
    return vq::hel2dg_from_point_arrays(src, dst, n);
}

Hel2Dg_dbl Hel2Dg___pp_dbl(const double* src, const double* dst, uint32_t n) {
    return vq::hel2dg_from_point_arrays(src, dst, n);
}
