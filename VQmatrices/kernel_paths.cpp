// Run-time choice of the kernel path from the processor's features.
#include "kernel_paths.hpp"

#include "processor.hpp"

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
    const unsigned family = amd_family();
    if (family >= 0x1A) return StripWidth::by_size;
    if (family == 0x19) return StripWidth::narrow_to_size;
    return StripWidth::wide;
}

}  // namespace

StripWidth preferred_strip_width() {
    static const StripWidth width = strip_width_for_this_processor();
    return width;
}

}  // namespace vq
