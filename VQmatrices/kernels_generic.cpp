// Kernel path for any processor: 16-byte vectors (SSE2 on x86-64).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#define VQ_PATH generic
#define VQ_VECTOR_BYTES 16
#define VQ_VECTOR_REGISTERS 16
#include "kernel_path_entries.hpp"
