// The walks of the 3D fit as the estimator runs them: the AVX2 walks where the
// processor has AVX2, the reference walks elsewhere. Both give the same bits,
// so the choice changes only the speed.
#pragma once

#include <cstdint>

#include "pair_walks.hpp"

namespace vq {

#if defined(__x86_64__)
namespace avx2 {
bool walks_available();
#define VQ_DECLARE_WALKS(T)                                                                         \
    void centroid_sums(T* const* puntos, uint32_t n, T sum_a[3], T sum_b[3]);                       \
    void reduce_pairs(T* const* puntos, uint32_t n, const T mean_a[3], const T mean_b[3],           \
                      const BufferedPairs<T>& out, bool general, ReductionSums<T>& s);              \
    void reduce_pairs(T* const* puntos, uint32_t n, const T mean_a[3], const T mean_b[3],           \
                      const PointedPairs<T>& out, bool general, ReductionSums<T>& s);               \
    void refinement_sums(const BufferedPairs<T>& p, uint32_t n, const T R[9], RefinementSums<T>& s); \
    void refinement_sums(const PointedPairs<T>& p, uint32_t n, const T R[9], RefinementSums<T>& s);
VQ_DECLARE_WALKS(float)
VQ_DECLARE_WALKS(double)
#undef VQ_DECLARE_WALKS
}  // namespace avx2
#endif

inline bool vector_walks() {
#if defined(__x86_64__)
    static const bool available = avx2::walks_available();
    return available;
#else
    return false;
#endif
}

template <class T> void centroid_sums(T* const* puntos, uint32_t n, T sum_a[3], T sum_b[3]) {
#if defined(__x86_64__)
    if (vector_walks()) return avx2::centroid_sums(puntos, n, sum_a, sum_b);
#endif
    reference::centroid_sums(puntos, n, sum_a, sum_b);
}

template <class T, class Reduced>
void reduce_pairs(T* const* puntos, uint32_t n, const T mean_a[3], const T mean_b[3],
                  const Reduced& out, bool general, ReductionSums<T>& s) {
#if defined(__x86_64__)
    if (vector_walks()) return avx2::reduce_pairs(puntos, n, mean_a, mean_b, out, general, s);
#endif
    reference::reduce_pairs(puntos, n, mean_a, mean_b, out, general, s);
}

template <class T, class Reduced>
void refinement_sums(const Reduced& pairs, uint32_t n, const T R[9], RefinementSums<T>& s) {
#if defined(__x86_64__)
    if (vector_walks()) return avx2::refinement_sums(pairs, n, R, s);
#endif
    reference::refinement_sums(pairs, n, R, s);
}

}  // namespace vq
