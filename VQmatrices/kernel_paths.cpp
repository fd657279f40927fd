// Run-time choice of the kernel path from the processor's features.
#include "kernel_paths.hpp"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace vq {

bool path_available(KernelPath path) {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    switch (path) {
    case KernelPath::avx512: return __builtin_cpu_supports("avx512f");
    case KernelPath::avx2: return __builtin_cpu_supports("avx2");
    default: return true;
    }
#else
    return path == KernelPath::generic;
#endif
}

KernelPath best_path() {
    if (path_available(KernelPath::avx512)) return KernelPath::avx512;
    if (path_available(KernelPath::avx2)) return KernelPath::avx2;
    return KernelPath::generic;
}

namespace {

StripWidth strip_width_for_this_processor() {
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(0, &eax, &ebx, &ecx, &edx)) return StripWidth::wide;
    const bool amd = ebx == 0x68747541 && edx == 0x69746e65 && ecx == 0x444d4163;  // "AuthenticAMD"
    if (!amd || !__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return StripWidth::wide;
    const unsigned base = (eax >> 8) & 0xF;
    const unsigned family = base == 0xF ? base + ((eax >> 20) & 0xFF) : base;
    if (family >= 0x1A) return StripWidth::by_size;
    if (family == 0x19) return StripWidth::narrow_to_size;
#endif
    return StripWidth::wide;
}

}  // namespace

StripWidth preferred_strip_width() {
    static const StripWidth width = strip_width_for_this_processor();
    return width;
}

}  // namespace vq
