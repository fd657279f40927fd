// Entry point of every benchmark program: pins the peers to one thread, records
// the settings in the benchmark context, registers the program's workloads and
// runs them with Google Benchmark's usual command line.
#include "bench_support.hpp"

#include <Eigen/Core>

#include <cstdlib>
#include <string>

#if defined(VQ_BENCH_WITH_OPENBLAS)
extern "C" void openblas_set_num_threads(int num_threads);
extern "C" int openblas_get_num_threads(void);
extern "C" char* openblas_get_config(void);
#endif

int main(int argc, char** argv) {
#if defined(VQ_BENCH_WITH_OPENBLAS)
    // Our kernels are single-threaded; so is every peer they are compared with.
    openblas_set_num_threads(1);
    benchmark::AddCustomContext("openblas_config", openblas_get_config());
    benchmark::AddCustomContext("openblas_threads", std::to_string(openblas_get_num_threads()));
#endif
    benchmark::AddCustomContext("eigen_version", std::to_string(EIGEN_WORLD_VERSION) + "." +
                                                     std::to_string(EIGEN_MAJOR_VERSION) + "." +
                                                     std::to_string(EIGEN_MINOR_VERSION));
    benchmark::AddCustomContext("eigen_threads", "1 (built without OpenMP)");
    benchmark::AddCustomContext("compiler", __VERSION__);
#if defined(VQ_BENCH_NATIVE)
    benchmark::AddCustomContext("benchmark_flags", "-O3 -march=native");
#else
    benchmark::AddCustomContext("benchmark_flags", "-O3");
#endif
    benchmark::AddCustomContext("quick_mode", vq_bench::quick_mode() ? "yes" : "no");

    vq_bench::register_workloads();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
