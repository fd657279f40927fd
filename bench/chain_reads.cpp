// The reads that the fixed order of the inversions sets, and no blocking can
// avoid. In the chain phases (the elimination's inverse of the factor, the
// Cholesky factor itself) each sum's first term waits for the step before, so
// the sums of a strip of lanes take their steps one after another, and every
// step reads every trailing row of the strip again: one vector read for every
// vector multiplication and addition. The strip is four vectors wide, as the
// elimination's (the Cholesky factor's passes take eight, which read the same
// bytes and share each row's multiplier line): narrower ones leave too few
// independent sums to cover the additions' latency.
//
// These rows do only those reads, from a strip of the size each step reads,
// in the same sequence of sizes, into integer sums of the raw bits (so that
// no latency limits them). bench/make_table.py adds the time the other phases
// need at the machine's peak and sets the inversions beside that bound.
#include "bench_support.hpp"

#include <cstring>

namespace vq_bench {
namespace {

#if defined(__AVX512F__)
constexpr std::size_t kBytes = 64;
#elif defined(__AVX__)
constexpr std::size_t kBytes = 32;
#else
constexpr std::size_t kBytes = 16;
#endif
constexpr std::size_t kStripVectors = 4;
constexpr std::size_t kRowBytes = kStripVectors * kBytes;
typedef std::uint64_t Bits __attribute__((vector_size(kBytes)));

const std::vector<uint32_t> kOrders = {200, 500, 1000};

// Reads `rows` strip rows `times` times.
inline void read_strip(const unsigned char* strip, std::size_t rows, std::size_t times,
                       Bits* sums) {
    for (std::size_t t = 0; t < times; ++t) {
        // Each pass reads the strip anew (as if another step had written it).
        asm volatile("" : : "r"(strip) : "memory");
        for (std::size_t j = 0; j < rows; ++j) {
            const unsigned char* row = strip + j * kRowBytes;
            for (std::size_t v = 0; v < kStripVectors; ++v) {
                Bits x;
                std::memcpy(&x, row + v * kBytes, kBytes);
                sums[v] += x;
            }
        }
    }
}

// Elimination, inverse of the factor: column r sums over the m = n-1-r
// trailing rows for each strip of the m trailing lanes.
// Cholesky factor: step i sums over the m = n-1-i trailing rows for each
// strip of the i lanes before it.
template <class T, bool Cholesky>
void chain_reads(benchmark::State& state, std::size_t n) {
    constexpr std::size_t kLanes = kRowBytes / sizeof(T);
    std::vector<unsigned char> strip(n * kRowBytes);
    auto g = generator(n);
    for (auto& b : strip) b = static_cast<unsigned char>(g());
    Bits sums[kStripVectors] = {};
    double bytes = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t m = n - 1 - k, lanes = Cholesky ? k : m;
        bytes += double(m) * double((lanes + kLanes - 1) / kLanes) * kRowBytes;
    }
    for (auto _ : state) {
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t m = n - 1 - k, lanes = Cholesky ? k : m;
            read_strip(strip.data(), m, (lanes + kLanes - 1) / kLanes, sums);
        }
        benchmark::DoNotOptimize(sums);
    }
    state.counters["bytes"] = benchmark::Counter(bytes, benchmark::Counter::kIsIterationInvariantRate);
}

template <class T, bool Cholesky>
void register_one(const char* workload, const char* method, uint32_t n) {
    const std::size_t order = n;
    add(name(workload, method, n), [order](benchmark::State& s) { chain_reads<T, Cholesky>(s, order); })
        ->Unit(benchmark::kMicrosecond);
}

}  // namespace

void register_chain_reads() {
    for (uint32_t n : sizes(kOrders, 200)) {
        register_one<double, false>("chain_reads_dbl", "elimination", n);
        register_one<double, true>("chain_reads_dbl", "cholesky", n);
        register_one<float, false>("chain_reads_fl", "elimination", n);
        register_one<float, true>("chain_reads_fl", "cholesky", n);
    }
}

}  // namespace vq_bench
