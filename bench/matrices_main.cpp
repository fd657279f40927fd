// The symmetric-matrix kernels: inversion and packed solves, and the machine's
// peak and the reads of their fixed order that they are measured against.
#include "bench_support.hpp"

namespace vq_bench {
void register_inversion();
void register_packed_solve();
void register_peak();
void register_chain_reads();

void register_workloads() {
    register_peak();
    register_chain_reads();
    register_inversion();
    register_packed_solve();
}
}  // namespace vq_bench
