// Packed symmetric solves with one and two right-hand sides:
// resuelve_sistema_sim_t_* and resuelve_sistema_sim_t_2_* beside LAPACK's
// packed positive definite solver ppsv (dppsv, and sppsv for the float twins).
//
// Both sides read the same array (our packed lower triangle row by row is
// LAPACK's packed upper triangle column by column) and both overwrite it, so
// every iteration restores the n(n+1)/2 matrix values and the right-hand sides.
#include "VQmatrices.h"
#include "bench_support.hpp"
#include "lapack.hpp"
#include "spd_matrices.hpp"

#include <cstring>
#include <map>

namespace vq_bench {
namespace {

const std::vector<uint32_t> kOrders = {10, 200, 1000};

template <class T>
struct System {
    std::vector<T> packed;
    std::vector<T> rhs;  // two right-hand sides one after the other (LAPACK's n x 2 block)
};

template <class T>
const System<T>& system_of_order(uint32_t n) {
    static std::map<uint32_t, System<T>> cache;
    System<T>& s = cache[n];
    if (s.packed.empty()) {
        s.packed = spd_packed<T>(n);
        s.rhs = right_hand_side<T>(n, 0xb0);
        const std::vector<T> second = right_hand_side<T>(n, 0xb1);
        s.rhs.insert(s.rhs.end(), second.begin(), second.end());
    }
    return s;
}

template <class T>
struct Work {
    explicit Work(const System<T>& s) : source(s), packed(s.packed.size()), rhs(s.rhs.size()) {}
    void restore() {
        std::memcpy(packed.data(), source.packed.data(), packed.size() * sizeof(T));
        std::memcpy(rhs.data(), source.rhs.data(), rhs.size() * sizeof(T));
    }
    const System<T>& source;
    std::vector<T> packed, rhs;
};

template <class T>
void register_order(const std::string& suffix, uint32_t n,
                    const char* one_name, int32_t (*solve_one)(T*, T*, uint32_t),
                    const char* two_name, int32_t (*solve_two)(T*, T*, T*, uint32_t),
                    const char* lapack_name) {
    const std::string one_rhs = "solve1_" + suffix, two_rhs = "solve2_" + suffix;

    add(name(one_rhs, one_name, n), [solve_one, n](benchmark::State& state) {
        Work<T> w(system_of_order<T>(n));
        for (auto _ : state) {
            w.restore();
            benchmark::DoNotOptimize(solve_one(w.packed.data(), w.rhs.data(), n));
            benchmark::ClobberMemory();
        }
    })->Unit(benchmark::kMicrosecond);

    add(name(two_rhs, two_name, n), [solve_two, n](benchmark::State& state) {
        Work<T> w(system_of_order<T>(n));
        for (auto _ : state) {
            w.restore();
            benchmark::DoNotOptimize(
                solve_two(w.packed.data(), w.rhs.data(), w.rhs.data() + n, n));
            benchmark::ClobberMemory();
        }
    })->Unit(benchmark::kMicrosecond);

    for (int nrhs : {1, 2}) {
        add(name(nrhs == 1 ? one_rhs : two_rhs, lapack_name, n),
            [nrhs, n](benchmark::State& state) {
                Work<T> w(system_of_order<T>(n));
                for (auto _ : state) {
                    w.restore();
                    benchmark::DoNotOptimize(
                        lapack::ppsv(w.packed.data(), w.rhs.data(), int(n), nrhs));
                    benchmark::ClobberMemory();
                }
            })->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace

void register_packed_solve() {
    for (uint32_t n : sizes(kOrders, 10)) {
        register_order<double>("dbl", n, "resuelve_sistema_sim_t_dbl", resuelve_sistema_sim_t_dbl,
                               "resuelve_sistema_sim_t_2_dbl", resuelve_sistema_sim_t_2_dbl,
                               "lapack_dppsv");
        register_order<float>("fl", n, "resuelve_sistema_sim_t_fl", resuelve_sistema_sim_t_fl,
                              "resuelve_sistema_sim_t_2_fl", resuelve_sistema_sim_t_2_fl,
                              "lapack_sppsv");
    }
}

}  // namespace vq_bench
