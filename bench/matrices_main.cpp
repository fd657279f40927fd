// The symmetric-matrix kernels: inversion and packed solves, and the machine's
// peak they are measured against.
#include "bench_support.hpp"

namespace vq_bench {
void register_inversion();
void register_packed_solve();
void register_peak();

void register_workloads() {
    register_peak();
    register_inversion();
    register_packed_solve();
}
}  // namespace vq_bench
