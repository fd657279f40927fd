// Kernel path for processors with AVX2: 32-byte vectors, 16 registers.
// Only the code of this file is compiled for them (the standard headers are
// included before the region), and the dispatch in kernel_paths.cpp calls it
// only where the processor has the instructions. No fused multiply-add: the
// region does not enable it and the build turns contraction off.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "target_region.hpp"

#if defined(__x86_64__)
VQ_TARGET_REGION_BEGIN("avx2")
#define VQ_VECTOR_BYTES 32
#define VQ_VECTOR_REGISTERS 16
#else
// Elsewhere the path exists with the generic width, and is never chosen.
#define VQ_VECTOR_BYTES 16
#define VQ_VECTOR_REGISTERS 16
#endif

#define VQ_PATH avx2
#include "kernel_path_entries.hpp"

#if defined(__x86_64__)
VQ_TARGET_REGION_END
#endif
