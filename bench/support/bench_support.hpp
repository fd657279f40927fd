// Shared pieces of the benchmark programs: run options, benchmark registration
// with the naming convention the results table relies on, and a fixed-seed
// random source so every run measures the same data.
//
// Naming convention: "<workload>/<implementation>[/<size>]". Within one
// workload and size, an implementation whose name starts with "lapack_",
// "eigen_" or "read_twice" is a peer; every other one is ours and is compared
// with each peer of its workload and size (bench/make_table.py).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace vq_bench {

// VQ_BENCH_QUICK=1 registers only the small sizes: a smoke test that runs in
// seconds, for checking the harness on a busy machine.
inline bool quick_mode() {
    const char* value = std::getenv("VQ_BENCH_QUICK");
    return value != nullptr && value[0] != '\0' && value[0] != '0';
}

// Sizes of a workload: all of them, or in quick mode those up to quick_limit.
inline std::vector<uint32_t> sizes(std::vector<uint32_t> all, uint32_t quick_limit) {
    if (!quick_mode()) return all;
    std::vector<uint32_t> kept;
    for (uint32_t n : all)
        if (n <= quick_limit) kept.push_back(n);
    return kept;
}

inline std::string name(const std::string& workload, const std::string& implementation,
                        uint32_t size) {
    return workload + "/" + implementation + "/" + std::to_string(size);
}

inline std::string name(const std::string& workload, const std::string& implementation) {
    return workload + "/" + implementation;
}

template <class Body>
benchmark::internal::Benchmark* add(const std::string& benchmark_name, Body body) {
    return benchmark::RegisterBenchmark(benchmark_name.c_str(), std::move(body));
}

// One generator per data set, seeded by what the set is, so a data set does
// not change when other benchmarks are added or filtered out.
inline std::mt19937_64 generator(uint64_t seed) { return std::mt19937_64(seed); }

inline double uniform(std::mt19937_64& g, double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(g);
}

// Each program defines this; the shared main calls it before running.
void register_workloads();

}  // namespace vq_bench
