// The seven-parameter 3D similarity fit, from both starts (planimetric and
// affine) and in both twins, beside Eigen::umeyama in three dimensions (with
// scaling) on maps of the same interleaved pairs. Our estimator only reads the
// points (no reduction in place), so it takes its work buffer on every call.
#include "VQ2D3D.h"
#include "bench_support.hpp"
#include "point_pairs.hpp"

#include <Eigen/Core>
#include <Eigen/Geometry>

namespace vq_bench {
namespace {

const std::vector<uint32_t> kPairs = {1000, 1000000};

int32_t fit3d(float* const* points, uint32_t n, int32_t affine_start) {
    Hel3Dg_fl result;
    const int32_t status = Hel3Dg___ptr_fl(points, n, &result, affine_start, 0, nullptr);
    benchmark::DoNotOptimize(result);
    return status;
}
int32_t fit3d(double* const* points, uint32_t n, int32_t affine_start) {
    Hel3Dg_dbl result;
    const int32_t status = Hel3Dg___ptr_dbl(points, n, &result, affine_start, 0, nullptr);
    benchmark::DoNotOptimize(result);
    return status;
}

template <class T>
void register_twin(const std::string& suffix, uint32_t n) {
    const std::string workload = "fit3d_" + suffix;
    for (int32_t affine_start : {0, 1}) {
        const std::string ours =
            "Hel3Dg___ptr_" + suffix + (affine_start ? "_affine_start" : "_planimetric_start");
        add(name(workload, ours, n), [n, affine_start](benchmark::State& state) {
            const Pairs3D<T>& d = pairs3d<T>(n);
            benchmark::DoNotOptimize(fit3d(d.pointers.data(), n, affine_start));  // warm-up
            for (auto _ : state) benchmark::DoNotOptimize(fit3d(d.pointers.data(), n, affine_start));
            state.SetItemsProcessed(int64_t(state.iterations()) * n);
        })->Unit(benchmark::kMicrosecond);
    }

    add(name(workload, "eigen_umeyama", n), [n](benchmark::State& state) {
        using Points = Eigen::Map<const Eigen::Matrix<T, 3, Eigen::Dynamic>, 0, Eigen::OuterStride<>>;
        const Pairs3D<T>& d = pairs3d<T>(n);
        const Points src(d.interleaved.data(), 3, n, Eigen::OuterStride<>(6));
        const Points dst(d.interleaved.data() + 3, 3, n, Eigen::OuterStride<>(6));
        benchmark::DoNotOptimize(Eigen::umeyama(src, dst, true).data());  // warm-up
        for (auto _ : state) {
            Eigen::Matrix<T, 4, 4> transform = Eigen::umeyama(src, dst, true);
            benchmark::DoNotOptimize(transform.data());
            benchmark::ClobberMemory();
        }
        state.SetItemsProcessed(int64_t(state.iterations()) * n);
    })->Unit(benchmark::kMicrosecond);
}

}  // namespace

void register_workloads() {
    for (uint32_t n : sizes(kPairs, 1000)) {
        register_twin<double>("dbl", n);
        register_twin<float>("fl", n);
    }
}

}  // namespace vq_bench
