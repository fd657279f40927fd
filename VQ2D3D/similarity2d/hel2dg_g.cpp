// 2D similarity from one strided walk in which source and destination points
// alternate: source i at (2i)*stride bytes from the start, its destination one
// stride further. The stride is a byte count added once per point visited; a
// negative stride (two's complement) walks towards lower addresses, and the
// points need not be aligned for T.
#include "VQ2D3D.h"
#include "fit_paths.hpp"

namespace vq {
namespace {

template <class T> Hel2Dg_t<T> hel2dg_from_walk(const T* start, uint64_t stride, uint32_t n) {
    const AlternatingWalk<T> walk{address_of(start), stride};
    return fit_similarity_2d_fast<T>(walk, n);
}

}  // namespace
}  // namespace vq

Hel2Dg_fl Hel2Dg___g_fl(const float* inicio, uint64_t stride, uint32_t n) {
    return vq::hel2dg_from_walk(inicio, stride, n);
}

Hel2Dg_dbl Hel2Dg___g_dbl(const double* inicio, uint64_t stride, uint32_t n) {
    return vq::hel2dg_from_walk(inicio, stride, n);
}
