// Vector addition and multiplication with a fixed operand order.
//
// When both operands are NaNs, x86 returns the first one (quieted), so the
// sign of a NaN result follows the operand order. Compilers may commute the
// add and multiply intrinsics; these helpers keep the left operand first, as
// the scalar code writes it. Lanes are otherwise plain IEEE operations.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>

namespace vq::sse2 {

#if defined(__AVX__)
#define VQ_ORDERED_OP(op, a, b) asm("v" op " %2, %1, %0" : "=x"(a) : "x"(a), "x"(b))
#else
#define VQ_ORDERED_OP(op, a, b) asm(op " %1, %0" : "+x"(a) : "x"(b))
#endif
inline __m128 add(__m128 a, __m128 b) { VQ_ORDERED_OP("addps", a, b); return a; }
inline __m128 mul(__m128 a, __m128 b) { VQ_ORDERED_OP("mulps", a, b); return a; }
inline __m128d add(__m128d a, __m128d b) { VQ_ORDERED_OP("addpd", a, b); return a; }
inline __m128d mul(__m128d a, __m128d b) { VQ_ORDERED_OP("mulpd", a, b); return a; }
#undef VQ_ORDERED_OP

}  // namespace vq::sse2
#endif
