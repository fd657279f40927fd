// The machine's peak for the matrix kernels, which may not fuse a multiply
// into an addition: independent multiplications and additions side by side in
// the widest vectors the benchmark programs are compiled for, as many of each
// in flight as the units and their latencies need. The inversion rows of the
// table are given as a fraction of it (bench/make_table.py).
//
// The multiplications and additions are separate chains (a product never
// feeds a sum), so no compiler can fuse them.
#include "bench_support.hpp"

namespace vq_bench {
namespace {

// One multiplication chain and one addition chain per letter; the empty asm
// keeps each value in a register and the chains apart. Every chain, the factor
// and the term must fit in the vector registers: a chain kept on the stack
// would wait for its own store and load at every step. Twelve chains of each
// kind cover the latencies of two units per kind with 32 registers; six (a
// latency of three cycles) are what 16 registers hold.
#if defined(__AVX512F__)
constexpr int kBytes = 64;
constexpr int kChains = 12;
#define VQ_PEAK_CHAINS(X) X(a) X(b) X(c) X(d) X(e) X(f) X(g) X(h) X(i) X(j) X(k) X(l)
#elif defined(__AVX__)
constexpr int kBytes = 32;
constexpr int kChains = 6;
#define VQ_PEAK_CHAINS(X) X(a) X(b) X(c) X(d) X(e) X(f)
#else
constexpr int kBytes = 16;
constexpr int kChains = 6;
#define VQ_PEAK_CHAINS(X) X(a) X(b) X(c) X(d) X(e) X(f)
#endif

template <class T>
void peak(benchmark::State& state) {
    typedef T vec __attribute__((vector_size(kBytes)));
    constexpr int kLanes = kBytes / sizeof(T);
    constexpr int64_t kSteps = 1 << 20;
    const vec factor = vec{} + T(1) + T(1e-7), term = vec{} + T(1e-9);
#define VQ_DECLARE(x) vec p_##x = vec{} + T(1), s_##x = vec{};
    VQ_PEAK_CHAINS(VQ_DECLARE)
#undef VQ_DECLARE
    for (auto _ : state) {
        for (int64_t step = 0; step < kSteps; ++step) {
#define VQ_STEP(x)               \
    p_##x = p_##x * factor;      \
    s_##x = s_##x + term;        \
    asm volatile("" : "+v"(p_##x), "+v"(s_##x));
            VQ_PEAK_CHAINS(VQ_STEP)
#undef VQ_STEP
        }
        // Back to 1, so that no product overflows however long the run.
#define VQ_RESET(x) p_##x = vec{} + T(1);
        VQ_PEAK_CHAINS(VQ_RESET)
#undef VQ_RESET
    }
    vec total = vec{};
#define VQ_TOTAL(x) total = total + p_##x + s_##x;
    VQ_PEAK_CHAINS(VQ_TOTAL)
#undef VQ_TOTAL
    T result = total[0];
    benchmark::DoNotOptimize(result);
    // A multiplication and an addition per lane, chain and step.
    const double flops = 2.0 * kChains * kLanes * kSteps;
    state.counters["flops"] = benchmark::Counter(flops, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

void register_peak() {
    // The best of five: on a shared machine a single run can lose a third.
    add("machine/peak_mul_add_dbl", peak<double>)->Unit(benchmark::kMicrosecond)->Repetitions(5);
    add("machine/peak_mul_add_fl", peak<float>)->Unit(benchmark::kMicrosecond)->Repetitions(5);
}

}  // namespace vq_bench
