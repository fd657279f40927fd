// 2D similarity from two strided walks with a stride each: source i at
// i*stride_src bytes from src, destination i at i*stride_dst bytes from dst.
// Strides may be negative in two's complement; points need not be aligned.
#include "VQ2D3D.h"
#include "fit_paths.hpp"

namespace vq {
namespace {

template <class T>
Hel2Dg_t<T> hel2dg_from_mixed_walks(const T* src, uint64_t stride_src, const T* dst,
                                    uint64_t stride_dst, uint32_t n) {
    const ParallelWalks<T> pairs{address_of(src), stride_src, address_of(dst), stride_dst};
    return fit_similarity_2d_fast<T>(pairs, n);
}

}  // namespace
}  // namespace vq

Hel2Dg_fl Hel2Dg___mixed_fl(const float* src, uint64_t stride_src, const float* dst,
                            uint64_t stride_dst, uint32_t n) {
    return vq::hel2dg_from_mixed_walks(src, stride_src, dst, stride_dst, n);
}

Hel2Dg_dbl Hel2Dg___mixed_dbl(const double* src, uint64_t stride_src, const double* dst,
                              uint64_t stride_dst, uint32_t n) {
    return vq::hel2dg_from_mixed_walks(src, stride_src, dst, stride_dst, n);
}
