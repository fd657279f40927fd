// The centroid fit as the exports run it: the widest vector kernel this
// processor can run, except where a narrower one is faster (avx512::preferred).
// Every kernel gives the bits of fit_similarity_2d, so the choice changes only
// the speed.
#pragma once

#include <cstdint>
#include <type_traits>

#include "fit_core.hpp"
#include "fit_sse2.hpp"
#include "layouts.hpp"

namespace vq {

#if defined(__x86_64__)
namespace avx2 {
bool available();
Hel2Dg_t<float> fit_float_pairs(const AlternatingWalk<float>& pairs, uint32_t n);
Hel2Dg_t<float> fit_float_pairs(const ParallelWalks<float>& pairs, uint32_t n);
Hel2Dg_t<float> fit_float_pairs(const PointerPairs<float>& pairs, uint32_t n);
Hel2Dg_t<double> fit_double_pairs(const AlternatingWalk<double>& pairs, uint32_t n);
Hel2Dg_t<double> fit_double_pairs(const ParallelWalks<double>& pairs, uint32_t n);
Hel2Dg_t<double> fit_double_pairs(const PointerPairs<double>& pairs, uint32_t n);
}  // namespace avx2
namespace avx512 {
bool available();
// available, and faster than the AVX2 kernel on this processor.
bool preferred();
Hel2Dg_t<float> fit_float_pairs(const AlternatingWalk<float>& pairs, uint32_t n);
Hel2Dg_t<float> fit_float_pairs(const ParallelWalks<float>& pairs, uint32_t n);
Hel2Dg_t<float> fit_float_pairs(const PointerPairs<float>& pairs, uint32_t n);
}  // namespace avx512
#endif

template <class T, class PairReader> Hel2Dg_t<T> fit_similarity_2d_fast(const PairReader& pairs, uint32_t n) {
#if defined(__SSE2__)
#if defined(__x86_64__)
    static const bool wide = avx2::available();
#endif
    if constexpr (std::is_same_v<T, float>) {
#if defined(__x86_64__)
        static const bool widest = avx512::preferred();
        if (widest) return avx512::fit_float_pairs(pairs, n);
        if (wide) return avx2::fit_float_pairs(pairs, n);
#endif
        return sse2::fit_float_pairs(pairs, n);
    } else {
#if defined(__x86_64__)
        if (wide) return avx2::fit_double_pairs(pairs, n);
#endif
        return sse2::fit_double_pairs(pairs, n);
    }
#else
    return fit_similarity_2d<T>(pairs, n);
#endif
}

}  // namespace vq
