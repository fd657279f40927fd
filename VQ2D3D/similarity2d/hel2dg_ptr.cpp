// 2D similarity from pair pointers: puntos[2i] points at source point i,
// puntos[2i+1] at its destination. With n = 0 not even the pointer array is
// read.
#include "VQ2D3D.h"
#include "fit_paths.hpp"

namespace vq {
namespace {

template <class T> Hel2Dg_t<T> hel2dg_from_pointers(const T* const* puntos, uint32_t n) {
    return fit_similarity_2d_fast<T>(PointerPairs<T>{puntos}, n);
}

}  // namespace
}  // namespace vq

Hel2Dg_fl Hel2Dg___ptr_fl(const float* const* puntos, uint32_t n) {
    return vq::hel2dg_from_pointers(puntos, n);
}

Hel2Dg_dbl Hel2Dg___ptr_dbl(const double* const* puntos, uint32_t n) {
    return vq::hel2dg_from_pointers(puntos, n);
}
