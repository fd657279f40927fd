// The seven-parameter 3D similarity fit, from both starts (planimetric and
// affine) and in both twins, beside Eigen::umeyama in three dimensions (with
// scaling) on maps of the same interleaved pairs, on the two kinds of frames
// of point_pairs.hpp. Our estimator only reads the points (no reduction in
// place), so it takes its work buffer on every call.
//
// Each run of ours reports how many times the fit walks the pairs (centroids,
// reduction, one per refinement pass), read once at set-up from the internal
// estimator, so that the table can give the time per pair and pass.
#include "VQ2D3D.h"
#include "bench_support.hpp"
#include "point_pairs.hpp"
#include "similarity3d_fit.hpp"

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

// Walks over the pairs: centroids, reduction and the refinement passes.
template <class T> int walks(const Pairs3D<T>& d, int32_t affine_start) {
    vq::Hel3Dg_t<T> record;
    int passes = 0;
    vq::fit_similarity3d<T>(d.pointers.data(), d.n, &record, affine_start, 0, nullptr, &passes);
    return 2 + passes;
}

template <class T>
void register_twin(const std::string& suffix, Frames3D frames, uint32_t n) {
    const std::string workload = std::string("fit3d_") +
                                 (frames == Frames3D::near_vertical ? "vertical_" : "terrestrial_") +
                                 suffix;
    for (int32_t affine_start : {0, 1}) {
        const std::string ours =
            "Hel3Dg___ptr_" + suffix + (affine_start ? "_affine_start" : "_planimetric_start");
        add(name(workload, ours, n), [n, frames, affine_start](benchmark::State& state) {
            const Pairs3D<T>& d = pairs3d<T>(n, frames);
            benchmark::DoNotOptimize(fit3d(d.pointers.data(), n, affine_start));  // warm-up
            for (auto _ : state) benchmark::DoNotOptimize(fit3d(d.pointers.data(), n, affine_start));
            state.SetItemsProcessed(int64_t(state.iterations()) * n);
            state.counters["walks"] = walks(d, affine_start);
        })->Unit(benchmark::kMicrosecond);
    }

    add(name(workload, "eigen_umeyama", n), [n, frames](benchmark::State& state) {
        using Points = Eigen::Map<const Eigen::Matrix<T, 3, Eigen::Dynamic>, 0, Eigen::OuterStride<>>;
        const Pairs3D<T>& d = pairs3d<T>(n, frames);
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
    for (uint32_t n : sizes(kPairs, 1000))
        for (Frames3D frames : {Frames3D::near_vertical, Frames3D::terrestrial}) {
            register_twin<double>("dbl", frames, n);
            register_twin<float>("fl", frames, n);
        }
}

}  // namespace vq_bench
