// The float centroid fit for processors with AVX-512, chosen at run time:
// fit_float_avx.hpp with four pairs per 512-bit vector. The double fit has
// no kernel of its own here: with four pairs per 256-bit vector the AVX2 one
// already waits on its sums' additions or on memory.
#include "fit_paths.hpp"

#if defined(__x86_64__)
#include <cstring>
#include <immintrin.h>

#include "processor.hpp"
#include "target_region.hpp"

VQ_TARGET_REGION_BEGIN("avx512f")

namespace vq {
namespace avx512 {

#define VQ_FIT_PAIRS_PER_VECTOR 4
#include "fit_float_avx.hpp"

Hel2Dg_t<float> fit_float_pairs(const AlternatingWalk<float>& pairs, uint32_t n) { return fit_float(pairs, n); }
Hel2Dg_t<float> fit_float_pairs(const ParallelWalks<float>& pairs, uint32_t n) { return fit_float(pairs, n); }
Hel2Dg_t<float> fit_float_pairs(const PointerPairs<float>& pairs, uint32_t n) { return fit_float(pairs, n); }

}  // namespace avx512
}  // namespace vq

VQ_TARGET_REGION_END

namespace vq::avx512 {
bool available() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f");
}
// The Zen 4 class (AMD family 19h) runs each 512-bit operation in two
// 256-bit halves on the pipes the sums' additions share; there the AVX2
// kernel, two pairs per 256-bit vector, came out 2-12% faster in every layout
// and size (10 to 10^7 pairs, median of paired runs).
bool preferred() { return available() && amd_family() != 0x19; }
}  // namespace vq::avx512

#endif
