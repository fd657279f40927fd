// The processor's make and generation, for the few speed choices that depend
// on more than its instruction sets. Only the speed may depend on them.
#pragma once

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace vq {

// The family of an AMD processor, 0 for any other make: 0x19 for the Zen 3
// class (AVX2) and the Zen 4 class (AVX-512 run in two 256-bit halves), 0x1A
// for the Zen 5 class (512-bit units).
inline unsigned amd_family() {
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(0, &eax, &ebx, &ecx, &edx)) return 0;
    const bool amd = ebx == 0x68747541 && edx == 0x69746e65 && ecx == 0x444d4163;  // "AuthenticAMD"
    if (!amd || !__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return 0;
    const unsigned base = (eax >> 8) & 0xF;
    return base == 0xF ? base + ((eax >> 20) & 0xFF) : base;
#else
    return 0;
#endif
}

}  // namespace vq
