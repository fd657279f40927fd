// Regions of a source file compiled for a wider instruction set than the
// library's baseline, for kernels chosen at run time from the processor's
// features:
//
//     #include <immintrin.h>            // every header before the region
//     VQ_TARGET_REGION_BEGIN("avx2")
//     ... code only called where the processor has AVX2 ...
//     VQ_TARGET_REGION_END
//
// Nothing outside the region changes, and no fused multiply-add is enabled:
// the region names the instruction sets it needs ("avx2", "avx512f"), never
// "fma", and the build turns contraction off besides.
#pragma once

#define VQ_PRAGMA(text) _Pragma(#text)

#if defined(__clang__)
#define VQ_TARGET_REGION_BEGIN(isa) \
    VQ_PRAGMA(clang attribute push(__attribute__((target(isa))), apply_to = function))
#define VQ_TARGET_REGION_END VQ_PRAGMA(clang attribute pop)
#else
#define VQ_TARGET_REGION_BEGIN(isa) VQ_PRAGMA(GCC push_options) VQ_PRAGMA(GCC target(isa))
#define VQ_TARGET_REGION_END VQ_PRAGMA(GCC pop_options)
#endif
