// 2D similarity from one array of interleaved pairs: source x, y, then
// destination x, y, then the next pair (4n values). This is one walk in which
// source and destination points alternate two elements apart.
#include "VQ2D3D.h"
#include "fit_paths.hpp"

namespace vq {
namespace {

template <class T> Hel2Dg_t<T> hel2dg_from_interleaved_pairs(const T* pairs, uint32_t n) {
    const AlternatingWalk<T> walk{address_of(pairs), kPackedPointStride<T>};
    return fit_similarity_2d_fast<T>(walk, n);
}

}  // namespace
}  // namespace vq

Hel2Dg_fl Hel2Dg___p_fl(const float* pares, uint32_t n) {
    return vq::hel2dg_from_interleaved_pairs(pares, n);
}

Hel2Dg_dbl Hel2Dg___p_dbl(const double* pares, uint32_t n) {
    return vq::hel2dg_from_interleaved_pairs(pares, n);
}
