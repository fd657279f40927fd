// Inversion of symmetric positive definite matrices: VQinvsim_*, VQinvsim_pos_*
// and VQinvsim_cho_* beside OpenBLAS's potrf+potri and Eigen's LLT inverse.
//
// Every iteration restores the matrix from a pristine copy (n*n values) before
// inverting it, in ours and in the peers alike. potri leaves only one triangle
// of the inverse; ours and Eigen write both.
//
// Where the processor takes the AVX-512 kernels, the AVX2 kernels are timed
// as well (workloads inv_dbl_avx2, inv_fl_avx2, called through the internal
// library), so that the narrower path is measured on every machine that can
// run it, beside the same potrf+potri.
#include "VQmatrices.h"
#include "bench_support.hpp"
#include "kernel_paths.hpp"
#include "lapack.hpp"
#include "spd_matrices.hpp"

#include <Eigen/Cholesky>
#include <Eigen/Core>

#include <cstring>
#include <map>

namespace vq_bench {
namespace {

const std::vector<uint32_t> kOrders = {10, 50, 200, 500, 1000};

template <class T>
const std::vector<T>& matrix(uint32_t n) {
    static std::map<uint32_t, std::vector<T>> cache;
    auto& a = cache[n];
    if (a.empty()) a = spd_full<T>(n);
    return a;
}

template <class T>
void register_ours(const std::string& workload, const char* export_name,
                   int32_t (*invert)(T*, uint32_t), uint32_t n) {
    add(name(workload, export_name, n), [invert, n](benchmark::State& state) {
        const std::vector<T>& pristine = matrix<T>(n);
        std::vector<T> a(pristine.size());
        for (auto _ : state) {
            std::memcpy(a.data(), pristine.data(), a.size() * sizeof(T));
            benchmark::DoNotOptimize(invert(a.data(), n));
            benchmark::ClobberMemory();
        }
    })->Unit(benchmark::kMicrosecond);
}

template <class T>
void register_peers(const std::string& workload, const char* lapack_name, uint32_t n) {
    add(name(workload, lapack_name, n), [n](benchmark::State& state) {
        const std::vector<T>& pristine = matrix<T>(n);
        std::vector<T> a(pristine.size());
        for (auto _ : state) {
            std::memcpy(a.data(), pristine.data(), a.size() * sizeof(T));
            benchmark::DoNotOptimize(lapack::potrf_potri(a.data(), int(n)));
            benchmark::ClobberMemory();
        }
    })->Unit(benchmark::kMicrosecond);

    // Eigen's inverse through its Cholesky factor: solve against the identity,
    // with the factor and the result allocated once, outside the timing.
    add(name(workload, "eigen_llt_inverse", n), [n](benchmark::State& state) {
        using Matrix = Eigen::Matrix<T, Eigen::Dynamic, Eigen::Dynamic>;
        const Eigen::Map<const Matrix> a(matrix<T>(n).data(), n, n);
        Eigen::LLT<Matrix> llt(n);
        Matrix inverse(n, n);
        llt.compute(a);  // first touch of the work matrices outside the timing
        inverse.setIdentity();
        for (auto _ : state) {
            llt.compute(a);
            inverse.setIdentity();
            llt.solveInPlace(inverse);
            benchmark::DoNotOptimize(inverse.data());
            benchmark::ClobberMemory();
        }
    })->Unit(benchmark::kMicrosecond);
}

// The AVX2 kernels behind the three exports of one twin.
template <class T> void register_avx2_path(const std::string& workload, const char* suffix, uint32_t n) {
    using Invert = int32_t (*)(T*, uint32_t);
    const std::string twin = suffix;
    register_ours<T>(workload, ("VQinvsim_" + twin).c_str(),
                     Invert([](T* a, uint32_t m) {
                         return vq::avx2::invert_by_elimination(a, m, false, vq::StripWidth::wide);
                     }), n);
    register_ours<T>(workload, ("VQinvsim_pos_" + twin).c_str(),
                     Invert([](T* a, uint32_t m) {
                         return vq::avx2::invert_by_elimination(a, m, true, vq::StripWidth::wide);
                     }), n);
    register_ours<T>(workload, ("VQinvsim_cho_" + twin).c_str(),
                     Invert([](T* a, uint32_t m) { return vq::avx2::invert_by_cholesky(a, m); }), n);
}

}  // namespace

void register_inversion() {
    for (uint32_t n : sizes(kOrders, 50)) {
        register_ours<double>("inv_dbl", "VQinvsim_dbl", VQinvsim_dbl, n);
        register_ours<double>("inv_dbl", "VQinvsim_pos_dbl", VQinvsim_pos_dbl, n);
        register_ours<double>("inv_dbl", "VQinvsim_cho_dbl", VQinvsim_cho_dbl, n);
        register_peers<double>("inv_dbl", "lapack_dpotrf_dpotri", n);
        register_ours<float>("inv_fl", "VQinvsim_fl", VQinvsim_fl, n);
        register_ours<float>("inv_fl", "VQinvsim_pos_fl", VQinvsim_pos_fl, n);
        register_ours<float>("inv_fl", "VQinvsim_cho_fl", VQinvsim_cho_fl, n);
        register_peers<float>("inv_fl", "lapack_spotrf_spotri", n);
    }
    if (vq::best_path() == vq::KernelPath::avx512 && vq::path_available(vq::KernelPath::avx2))
        for (uint32_t n : sizes({200, 1000}, 50)) {
            register_avx2_path<double>("inv_dbl_avx2", "dbl", n);
            register_avx2_path<float>("inv_fl_avx2", "fl", n);
        }
}

}  // namespace vq_bench
