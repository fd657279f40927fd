// 2D similarity fits in every layout beside two peers on the same pairs:
//   eigen_umeyama  Eigen::umeyama in two dimensions (with scaling) on maps of
//                  the very memory our estimator reads;
//   read_twice     the machine's limit for a two-pass fit: two passes over the
//                  same pairs, in the same layout and order, summing the four
//                  coordinates in each pass (in independent partial sums, so
//                  that only the reading limits it) and nothing more;
//   add_chain      the limit the fixed order of the sums sets: each sum of a
//                  pass is one chain of n additions and the second pass needs
//                  the first one's means, so no fit is faster than 2n
//                  dependent additions of T (the addition's latency times 2n).
// The fit's bound is the slower of the two.
//
// Layouts over one data set (Pairs2D): pp reads the two point arrays; p the
// interleaved pairs; g walks them with one stride of a point; gg walks sources
// and destinations with a stride of a pair; mixed reads sources from the
// interleaved pairs and destinations from the destination array (two strides);
// ptr goes through the pair-pointer array into the interleaved pairs.
#include "VQ2D3D.h"
#include "../tests/support/exports.hpp"
#include "bench_support.hpp"
#include "point_pairs.hpp"

#include <Eigen/Core>
#include <Eigen/Geometry>

#include <cstring>
#include <type_traits>

namespace vq_bench {
namespace {

const std::vector<uint32_t> kPairs = {10, 1000, 1000000, 10000000};

template <class T> using Twin = vq_test::Exports<T>;

// Reads one point (two values) at a byte address, as a strided walk must.
template <class T>
inline void load_point(const void* at, T* xy) {
    std::memcpy(xy, at, 2 * sizeof(T));
}

enum class Layout { pp, p, g, gg, mixed, ptr };

// Our estimator of layout L on the data.
template <Layout L, class T>
auto fit(const Pairs2D<T>& d) {
    const T* pairs = d.interleaved.data();
    if constexpr (L == Layout::pp) return Twin<T>::pp(d.src.data(), d.dst.data(), d.n);
    else if constexpr (L == Layout::p) return Twin<T>::p(pairs, d.n);
    else if constexpr (L == Layout::g) return Twin<T>::g(pairs, 2 * sizeof(T), d.n);
    else if constexpr (L == Layout::gg) return Twin<T>::gg(pairs, pairs + 2, 4 * sizeof(T), d.n);
    else if constexpr (L == Layout::mixed)
        return Twin<T>::mixed(pairs, 4 * sizeof(T), d.dst.data(), 2 * sizeof(T), d.n);
    else return Twin<T>::ptr(d.pointers.data(), d.n);
}

// Source and destination point i, read where layout L keeps them; L is a
// template parameter so that each loop is compiled for its layout alone, as a
// hand-written loop would be.
template <Layout L, class T>
inline void load_pair(const Pairs2D<T>& d, uint64_t i, T* s, T* t) {
    const auto* pairs = reinterpret_cast<const unsigned char*>(d.interleaved.data());
    const auto* src = reinterpret_cast<const unsigned char*>(d.src.data());
    const auto* dst = reinterpret_cast<const unsigned char*>(d.dst.data());
    constexpr uint64_t point = 2 * sizeof(T), pair = 4 * sizeof(T);
    if constexpr (L == Layout::pp) {
        load_point(src + i * point, s), load_point(dst + i * point, t);
    } else if constexpr (L == Layout::p || L == Layout::gg) {
        load_point(pairs + i * pair, s), load_point(pairs + i * pair + point, t);
    } else if constexpr (L == Layout::g) {
        load_point(pairs + 2 * i * point, s), load_point(pairs + (2 * i + 1) * point, t);
    } else if constexpr (L == Layout::mixed) {
        load_point(pairs + i * pair, s), load_point(dst + i * point, t);
    } else {
        load_point(d.pointers[2 * i], s), load_point(d.pointers[2 * i + 1], t);
    }
}

// Two passes over the pairs, each touching the four coordinates of every pair.
// The coordinates are added as raw bit patterns in integer sums (wrapping),
// which cost one cycle and vectorise freely, and consecutive pairs go to
// kLanes independent sets of sums: the loop is limited by reading alone, in
// float as in double. The compiler barrier between the passes makes the second
// pass read the memory again.
template <class T, Layout L>
void read_twice(const Pairs2D<T>& d, T* sums) {
    using Bits = std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>;
    constexpr int kLanes = 4;
    const auto add = [](Bits* acc, const T* s, const T* t) {
        Bits b[4];
        std::memcpy(b, s, 2 * sizeof(T));
        std::memcpy(b + 2, t, 2 * sizeof(T));
        for (int c = 0; c < 4; ++c) acc[c] += b[c];
    };
    for (int pass = 0; pass < 2; ++pass) {
        Bits acc[kLanes][4] = {};
        uint64_t i = 0;
        for (; i + kLanes <= d.n; i += kLanes) {
            for (int k = 0; k < kLanes; ++k) {
                T s[2], t[2];
                load_pair<L>(d, i + k, s, t);
                add(acc[k], s, t);
            }
        }
        for (; i < d.n; ++i) {
            T s[2], t[2];
            load_pair<L>(d, i, s, t);
            add(acc[0], s, t);
        }
        for (int c = 0; c < 4; ++c) {
            const Bits total = (acc[0][c] + acc[1][c]) + (acc[2][c] + acc[3][c]);
            std::memcpy(&sums[4 * pass + c], &total, sizeof total);
        }
        benchmark::ClobberMemory();
    }
}

// 2n additions, each waiting for the one before; the empty asm keeps the
// compiler from reordering, combining or vectorising them.
template <class T>
T add_chain(uint64_t count) {
    T x = T(0);
    const T step = T(1);
    for (uint64_t i = 0; i < count; ++i) {
        x = x + step;
        asm volatile("" : "+x"(x));
    }
    return x;
}

template <class T>
using Points = Eigen::Matrix<T, 2, Eigen::Dynamic>;
template <class T>
using StridedPoints = Eigen::Map<const Points<T>, 0, Eigen::OuterStride<>>;

template <class T>
StridedPoints<T> interleaved_points(const Pairs2D<T>& d, int first) {
    return StridedPoints<T>(d.interleaved.data() + first, 2, d.n, Eigen::OuterStride<>(4));
}
template <class T>
StridedPoints<T> packed_points(const std::vector<T>& v, uint32_t n) {
    return StridedPoints<T>(v.data(), 2, n, Eigen::OuterStride<>(2));
}

template <class T, Layout L>
void register_layout(const char* layout_name, uint32_t n) {
    const std::string workload = std::string("fit2d_") + layout_name + "_" + Twin<T>::suffix;
    const std::string ours = std::string("Hel2Dg___") + layout_name + "_" + Twin<T>::suffix;

    add(name(workload, ours, n), [n](benchmark::State& state) {
        const Pairs2D<T>& d = pairs2d<T>(n);
        benchmark::DoNotOptimize(fit<L>(d));  // warm-up call, outside the timing
        for (auto _ : state) {
            auto record = fit<L>(d);
            benchmark::DoNotOptimize(record);
        }
        state.SetItemsProcessed(int64_t(state.iterations()) * n);
    })->Unit(benchmark::kMicrosecond);

    add(name(workload, "read_twice", n), [n](benchmark::State& state) {
        const Pairs2D<T>& d = pairs2d<T>(n);
        T sums[8];
        read_twice<T, L>(d, sums);
        for (auto _ : state) {
            read_twice<T, L>(d, sums);
            benchmark::DoNotOptimize(sums);
            benchmark::ClobberMemory();
        }
        state.SetItemsProcessed(int64_t(state.iterations()) * n);
    })->Unit(benchmark::kMicrosecond);

    add(name(workload, "add_chain", n), [n](benchmark::State& state) {
        for (auto _ : state) benchmark::DoNotOptimize(add_chain<T>(2 * uint64_t(n)));
        state.SetItemsProcessed(int64_t(state.iterations()) * n);
    })->Unit(benchmark::kMicrosecond);

    add(name(workload, "eigen_umeyama", n), [n](benchmark::State& state) {
        const Pairs2D<T>& d = pairs2d<T>(n);
        const StridedPoints<T> src = L == Layout::pp ? packed_points(d.src, n)
                                                     : interleaved_points(d, 0);
        const StridedPoints<T> dst = L == Layout::pp || L == Layout::mixed
                                         ? packed_points(d.dst, n)
                                         : interleaved_points(d, 2);
        // The warm-up call also lets the heap keep the demeaned copies' memory.
        benchmark::DoNotOptimize(Eigen::umeyama(src, dst, true).data());
        for (auto _ : state) {
            Eigen::Matrix<T, 3, 3> transform = Eigen::umeyama(src, dst, true);
            benchmark::DoNotOptimize(transform.data());
            benchmark::ClobberMemory();
        }
        state.SetItemsProcessed(int64_t(state.iterations()) * n);
    })->Unit(benchmark::kMicrosecond);
}

template <class T>
void register_twin(uint32_t n) {
    register_layout<T, Layout::pp>("pp", n);
    register_layout<T, Layout::p>("p", n);
    register_layout<T, Layout::g>("g", n);
    register_layout<T, Layout::gg>("gg", n);
    register_layout<T, Layout::mixed>("mixed", n);
    register_layout<T, Layout::ptr>("ptr", n);
}

}  // namespace

void register_workloads() {
    for (uint32_t n : sizes(kPairs, 1000)) {
        register_twin<double>(n);
        register_twin<float>(n);
    }
}

}  // namespace vq_bench
