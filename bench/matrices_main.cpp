// The symmetric-matrix kernels: inversion and packed solves.
#include "bench_support.hpp"

namespace vq_bench {
void register_inversion();
void register_packed_solve();

void register_workloads() {
    register_inversion();
    register_packed_solve();
}
}  // namespace vq_bench
