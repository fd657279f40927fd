// Run-time choice of the kernel path from the processor's features.
#include "kernel_paths.hpp"

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

}  // namespace vq
