// The degree-3 polynomial fit (model code 7) of 10^5 pairs beside two Eigen
// least-squares fits of the same ten-term model on the same pairs:
//   eigen_normal_equations  design matrix, A^T A and A^T B, Cholesky (LLT);
//   eigen_householder_qr    design matrix, Householder QR, least-squares solve.
// Terms: 1, dx, dy, dx^2, dx dy, dy^2, dx^3, dx^2 dy, dx dy^2, dy^3 with dx, dy
// taken from the source centroid, X and Y solved together (two right-hand
// sides). Both Eigen fits compute the centroid and fill the design matrix in
// the timed loop, as ours does; their matrices are allocated once, outside it.
#include "VQ2D3D.h"
#include "bench_support.hpp"
#include "point_pairs.hpp"

#include <Eigen/Cholesky>
#include <Eigen/Core>
#include <Eigen/QR>

namespace vq_bench {
namespace {

const std::vector<uint32_t> kPairs = {100000};
constexpr uint32_t kCubic = 7;
constexpr int kTerms = 10;

void fit_cubic(const float* const* points, uint32_t n) {
    Trans_Polinomica2D_fl t{};
    t.tipo = kCubic;
    Trans_Polinomica2D___puntosxy_fl(&t, points, n);
    benchmark::DoNotOptimize(t);
}
void fit_cubic(const double* const* points, uint32_t n) {
    Trans_Polinomica2D_dbl t{};
    t.tipo = kCubic;
    Trans_Polinomica2D___puntosxy_dbl(&t, points, n);
    benchmark::DoNotOptimize(t);
}

template <class T>
using Matrix = Eigen::Matrix<T, Eigen::Dynamic, Eigen::Dynamic>;

// Design matrix A (n x 10) and destinations B (n x 2) of the cubic model.
template <class T>
void fill_design(const Pairs2D<T>& d, Matrix<T>& A, Matrix<T>& B) {
    const T* q = d.interleaved.data();
    T sx = 0, sy = 0;
    for (uint32_t i = 0; i < d.n; ++i) sx += q[4 * i], sy += q[4 * i + 1];
    const T mx = sx / T(d.n), my = sy / T(d.n);
    for (uint32_t i = 0; i < d.n; ++i) {
        const T x = q[4 * i] - mx, y = q[4 * i + 1] - my;
        const T terms[kTerms] = {1, x, y, x * x, x * y, y * y, x * x * x, x * x * y, x * y * y, y * y * y};
        for (int k = 0; k < kTerms; ++k) A(i, k) = terms[k];
        B(i, 0) = q[4 * i + 2];
        B(i, 1) = q[4 * i + 3];
    }
}

template <class T>
void register_twin(const std::string& suffix, uint32_t n) {
    const std::string workload = "poly3_" + suffix;

    add(name(workload, "Trans_Polinomica2D___puntosxy_" + suffix, n), [n](benchmark::State& state) {
        const Pairs2D<T>& d = pairs2d<T>(n);
        fit_cubic(d.pointers.data(), n);  // warm-up
        for (auto _ : state) fit_cubic(d.pointers.data(), n);
        state.SetItemsProcessed(int64_t(state.iterations()) * n);
    })->Unit(benchmark::kMicrosecond);

    add(name(workload, "eigen_normal_equations", n), [n](benchmark::State& state) {
        const Pairs2D<T>& d = pairs2d<T>(n);
        Matrix<T> A(n, kTerms), B(n, 2), N(kTerms, kTerms), rhs(kTerms, 2), coef(kTerms, 2);
        Eigen::LLT<Matrix<T>> llt(kTerms);
        A.setZero(), B.setZero();  // first touch of the pages outside the timing
        for (auto _ : state) {
            fill_design(d, A, B);
            N.setZero();
            N.template selfadjointView<Eigen::Lower>().rankUpdate(A.transpose());
            rhs.noalias() = A.transpose() * B;
            llt.compute(N);  // reads the lower triangle, the one rankUpdate wrote
            coef = llt.solve(rhs);
            benchmark::DoNotOptimize(coef.data());
            benchmark::ClobberMemory();
        }
        state.SetItemsProcessed(int64_t(state.iterations()) * n);
    })->Unit(benchmark::kMicrosecond);

    add(name(workload, "eigen_householder_qr", n), [n](benchmark::State& state) {
        const Pairs2D<T>& d = pairs2d<T>(n);
        Matrix<T> A(n, kTerms), B(n, 2), coef(kTerms, 2);
        Eigen::HouseholderQR<Matrix<T>> qr(n, kTerms);
        A.setZero(), B.setZero();
        qr.compute(A);
        for (auto _ : state) {
            fill_design(d, A, B);
            qr.compute(A);
            coef = qr.solve(B);
            benchmark::DoNotOptimize(coef.data());
            benchmark::ClobberMemory();
        }
        state.SetItemsProcessed(int64_t(state.iterations()) * n);
    })->Unit(benchmark::kMicrosecond);
}

}  // namespace

void register_workloads() {
    for (uint32_t n : sizes(kPairs, 100000)) {
        register_twin<double>("dbl", n);
        register_twin<float>("fl", n);
    }
}

}  // namespace vq_bench
