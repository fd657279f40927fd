// Every export of VQmatrices and VQ2D3D called from several threads at once.
//
// The fast kernels choose their path from the processor's features at first
// use, and that choice must hold when threads make it together. So this runs
// in a process of its own, where the first calls are made here: in round 0 the
// threads stop at a start barrier before each call and then enter it together
// (threads 2k and 2k+1 the same export, other pairs its neighbours, so twins
// and siblings sharing a choice start together too); later rounds mix the
// exports without barriers. Every result must equal, bit for bit, that of the
// same call made afterwards on one thread. Under ThreadSanitizer (preset tsan)
// the run also shows the choice and anything it caches free of data races.
//
//   concurrent_calls THREADS EXPORT_LIST...
// The export lists (one name per line) must name exactly the exports below, so
// a new export cannot go untested here. Exit 0 when every result agrees, 1
// naming the first export that differs, 2 for a bad command line.
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "VQ2D3D.h"
#include "VQmatrices.h"
#include "../support/exports.hpp"

namespace {

using Bits = std::vector<unsigned char>;

template <class V> void put(Bits& out, const V& v) {
    const auto* b = reinterpret_cast<const unsigned char*>(&v);
    out.insert(out.end(), b, b + sizeof v);
}

template <class V> void put(Bits& out, const std::vector<V>& v) {
    const auto* b = reinterpret_cast<const unsigned char*>(v.data());
    out.insert(out.end(), b, b + v.size() * sizeof(V));
}

template <class T> using Api = vq_test::Exports<T>;

// Sizes that reach the vector loops and their tails (2D fits) and more than one
// 64-wide panel of the blocked matrix kernels.
constexpr uint32_t kPairs2D = 37;
constexpr uint32_t kPairs3D = 12;
constexpr uint32_t kOrder = 70;

// Inputs shared by all threads: written once before any thread starts, then
// only read. Calls that write copy what they overwrite first.
template <class T> struct Inputs {
    std::vector<T> src, dst, pairs, xyz;     // 2D points: two arrays, interleaved, in xyz records
    std::vector<const T*> pair_ptrs;         // pair pointers into src / dst
    std::vector<T> points3d;                 // 3D source and destination points, alternating
    std::vector<T*> ptrs3d;                  // pair pointers into points3d
    std::vector<T> spd, packed, b, h;        // order kOrder: full storage, packed, right-hand sides
    T near_rotation[9], spd3[9];
};
template <class T> Inputs<T> data;

SenCos sincos;
Angulos angles[5];
Pesos weights[5];
double rotation[9];

template <class T> void make_inputs(unsigned seed) {
    Inputs<T>& in = data<T>;
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> coord(-500.0, 1500.0), unit(-1.0, 1.0);
    for (uint32_t i = 0; i < kPairs2D; ++i) {
        const double x = coord(gen), y = coord(gen);
        const T s[2] = {T(x), T(y)};
        const T d[2] = {T(4000.0 + 0.8 * x - 0.6 * y + unit(gen)), T(-700.0 + 0.6 * x + 0.8 * y)};
        in.src.insert(in.src.end(), s, s + 2);
        in.dst.insert(in.dst.end(), d, d + 2);
        in.pairs.insert(in.pairs.end(), {s[0], s[1], d[0], d[1]});
        in.xyz.insert(in.xyz.end(), {s[0], s[1], T(i)});
    }
    for (uint32_t i = 0; i < kPairs2D; ++i) {
        in.pair_ptrs.push_back(&in.src[2 * i]);
        in.pair_ptrs.push_back(&in.dst[2 * i]);
    }
    const double c = std::cos(0.3), s = std::sin(0.3);
    for (uint32_t i = 0; i < kPairs3D; ++i) {
        const double x = coord(gen), y = coord(gen), z = coord(gen) / 10;
        in.points3d.insert(in.points3d.end(),
                           {T(x), T(y), T(z), T(100 + 1.01 * (c * x - s * y) + unit(gen)),
                            T(-50 + 1.01 * (s * x + c * y)), T(7 + 1.01 * z + unit(gen))});
    }
    for (uint32_t i = 0; i < 2 * kPairs3D; ++i) in.ptrs3d.push_back(&in.points3d[3 * i]);
    // Diagonally dominant, hence positive definite.
    in.spd.assign(size_t(kOrder) * kOrder, T(0));
    for (uint32_t i = 0; i < kOrder; ++i)
        for (uint32_t j = i; j < kOrder; ++j)
            in.spd[i * kOrder + j] = in.spd[j * kOrder + i] = i == j ? T(kOrder) : T(unit(gen));
    for (uint32_t i = 0; i < kOrder; ++i)
        for (uint32_t j = 0; j <= i; ++j) in.packed.push_back(in.spd[i * kOrder + j]);
    for (uint32_t i = 0; i < kOrder; ++i) {
        in.b.push_back(T(unit(gen)));
        in.h.push_back(T(unit(gen)));
    }
    const T m[9] = {T(0.9), T(-0.5), T(0.1), T(0.48), T(0.88), T(-0.05), T(-0.08), T(0.1), T(1.02)};
    const T a3[9] = {T(4), T(1), T(0.5), T(1), T(3), T(0.25), T(0.5), T(0.25), T(2)};
    std::memcpy(in.near_rotation, m, sizeof m);
    std::memcpy(in.spd3, a3, sizeof a3);
}

void make_shared_inputs() {
    make_inputs<float>(5);
    make_inputs<double>(5);
    const double w = 0.2, f = -0.4, k = 2.9;
    sincos = {std::sin(w), std::cos(w), std::sin(f), std::cos(f), std::sin(k), std::cos(k)};
    // R = Rz(k) Ry(f) Rx(w), built here so that no export runs before the threads.
    const double sw = sincos.sen_omega, cw = sincos.cos_omega, sf = sincos.sen_fi,
                 cf = sincos.cos_fi, sk = sincos.sen_kappa, ck = sincos.cos_kappa;
    const double R[9] = {ck * cf, ck * sf * sw - sk * cw, ck * sf * cw + sk * sw,
                         sk * cf, sk * sf * sw + ck * cw, sk * sf * cw - ck * sw,
                         -sf,     cf * sw,                cf * cw};
    std::memcpy(rotation, R, sizeof R);
    for (int i = 0; i < 5; ++i) {
        angles[i] = {3.1 + 0.02 * i, -0.3 * i, 0.5 - 0.1 * i};
        weights[i] = {1.0f + i, 0.5f, i == 2 ? 0.0f : 2.0f};
    }
}

template <class T> void put_record(Bits& out, const typename Api<T>::Poly& t) {
    put(out, t.tipo);
    for (T v : {t.xm_origen, t.ym_origen, t.x0_destino, t.y0_destino}) put(out, v);
    put(out, t.coef_x);
    put(out, t.coef_y);
}

// ---- the calls, one per export ------------------------------------------

template <class T> void fit_pp(Bits& out) {
    put(out, Api<T>::pp(data<T>.src.data(), data<T>.dst.data(), kPairs2D));
}
template <class T> void fit_p(Bits& out) { put(out, Api<T>::p(data<T>.pairs.data(), kPairs2D)); }
template <class T> void fit_g(Bits& out) {
    put(out, Api<T>::g(data<T>.pairs.data(), 2 * sizeof(T), kPairs2D));
}
template <class T> void fit_gg(Bits& out) {
    put(out, Api<T>::gg(data<T>.src.data(), data<T>.dst.data(), 2 * sizeof(T), kPairs2D));
}
template <class T> void fit_mixed(Bits& out) {  // destinations walked backwards
    const uint64_t back = uint64_t{0} - 2 * sizeof(T);
    put(out, Api<T>::mixed(data<T>.xyz.data(), 3 * sizeof(T), &data<T>.dst[2 * (kPairs2D - 1)],
                           back, kPairs2D));
}
template <class T> void fit_ptr(Bits& out) {
    put(out, Api<T>::ptr(data<T>.pair_ptrs.data(), kPairs2D));
}
template <class T> void to_hel2d(Bits& out) {
    const typename Api<T>::Hel2Dg g = {T(10), T(20), T(-5), T(7), T(1.25), T(0.6), T(0.8)};
    put(out, Api<T>::to_hel2d(g));
}
template <class T> void fit_poly(Bits& out) {  // affine (3 terms) and degree 3 (10 terms)
    for (uint32_t tipo : {3u, 7u}) {
        typename Api<T>::Poly t{};
        t.tipo = tipo;
        Api<T>::poly(&t, data<T>.pair_ptrs.data(), kPairs2D);
        put_record<T>(out, t);
    }
}
template <class T> void transform_point(Bits& out) {
    typename Api<T>::Poly t{};
    t.tipo = 7;
    t.xm_origen = T(500);
    t.ym_origen = T(-20);
    t.x0_destino = T(1000);
    t.y0_destino = T(2000);
    for (int k = 0; k < 9; ++k) {
        t.coef_x[k] = T(1) / T(k + 1);
        t.coef_y[k] = T(-1) / T(k + 2);
    }
    for (uint32_t i = 0; i < 4; ++i) {
        T point[2] = {data<T>.src[2 * i], data<T>.src[2 * i + 1]};
        Api<T>::transform(&t, point);
        put(out, point);
    }
}
template <class T> void increment_matrix(Bits& out) {
    T D[9];
    put(out, Api<T>::delta(Angulos_fl{0.01f, -0.02f, 0.005f}, D));
    put(out, D);
}
template <class T> void fit_3d(Bits& out) {
    typename Api<T>::Hel3Dg r;
    float cofactors[9];
    // With a work buffer the shared points are only read; the affine start
    // takes the other branch of the estimator.
    put(out, Api<T>::fit3d(data<T>.ptrs3d.data(), kPairs3D, &r, 1, 0, cofactors));
    put(out, r);
    put(out, cofactors);
    std::vector<T> points = data<T>.points3d;  // reduced in place: this thread's copy
    std::vector<T*> ptrs;
    for (uint32_t i = 0; i < 2 * kPairs3D; ++i) ptrs.push_back(&points[3 * i]);
    put(out, Api<T>::fit3d(ptrs.data(), kPairs3D, &r, 0, 1, nullptr));
    put(out, r);
    put(out, points);
}
template <class T> void to_rotation(Bits& out) {
    T m[9];
    std::memcpy(m, data<T>.near_rotation, sizeof m);
    Api<T>::to_rotation(m);
    put(out, m);
}
template <class T> void invert3(Bits& out) {
    T m[9];
    std::memcpy(m, data<T>.spd3, sizeof m);
    Api<T>::invsim3(m);
    put(out, m);
}
template <class T, int32_t (*Invert)(T*, uint32_t)> void invert(Bits& out) {
    std::vector<T> a = data<T>.spd;
    put(out, Invert(a.data(), kOrder));
    put(out, a);
}
template <class T> void solve(Bits& out) {
    std::vector<T> p = data<T>.packed, b = data<T>.b;
    put(out, Api<T>::solve(p.data(), b.data(), kOrder));
    put(out, p);
    put(out, b);
}
template <class T> void solve2(Bits& out) {
    std::vector<T> p = data<T>.packed, b = data<T>.b, h = data<T>.h;
    put(out, Api<T>::solve2(p.data(), b.data(), h.data(), kOrder));
    put(out, p);
    put(out, b);
    put(out, h);
}

void rot_gt_wfk(Bits& out) { double R[9]; MatrizRotGT_ωφκ(sincos, R); put(out, R); }
void rot_gt_kwf(Bits& out) { double R[9]; MatrizRotGT_κωφ(sincos, R); put(out, R); }
void rot_gt_kwk(Bits& out) { double R[9]; MatrizRotGT_κwκ(sincos, R); put(out, R); }
void rot_kwf(Bits& out) { double R[9]; MatrizRot_κωφ(angles[1], R); put(out, R); }
void rot_20(Bits& out) { double R[9]; MatrizRot_20({0.1, -0.2, 0.3}, R); put(out, R); }
void rot_24(Bits& out) { double R[9]; MatrizRot_24({0.1, -0.2, 0.3}, R); put(out, R); }
void rot_26(Bits& out) { double R[9]; MatrizRot_26({0.1, -0.2, 0.3}, R); put(out, R); }
void rot_28(Bits& out) { double R[9]; MatrizRot_28({0.1, -0.2, 0.3}, R); put(out, R); }
void angles_wfk(Bits& out) { put(out, Gmatriz_ωφκ_seg(rotation)); }
void params_24(Bits& out) { put(out, Gmatriz_24_seg(rotation)); }
void offset(Bits& out) {
    for (FuncionGmatriz f : {Gmatriz_ωφκ_seg, Gmatriz_24_seg}) {
        int32_t quarter_turns = -1;
        put(out, Getoffset_matriz(rotation, f, &quarter_turns));
        put(out, quarter_turns);
    }
}
void mean(Bits& out) { put(out, Gmedio(angles, 5)); }
void weighted_mean(Bits& out) { put(out, Gmedio_pesos(angles, 5, weights)); }

struct Call {
    const char* name;
    void (*run)(Bits&);
};

// Twins side by side: the round-0 pairing sends neighbours in together.
const Call kCalls[] = {
    {"Hel2Dg___pp_fl", fit_pp<float>},
    {"Hel2Dg___pp_dbl", fit_pp<double>},
    {"Hel2Dg___p_fl", fit_p<float>},
    {"Hel2Dg___p_dbl", fit_p<double>},
    {"Hel2Dg___g_fl", fit_g<float>},
    {"Hel2Dg___g_dbl", fit_g<double>},
    {"Hel2Dg___gg_fl", fit_gg<float>},
    {"Hel2Dg___gg_dbl", fit_gg<double>},
    {"Hel2Dg___mixed_fl", fit_mixed<float>},
    {"Hel2Dg___mixed_dbl", fit_mixed<double>},
    {"Hel2Dg___ptr_fl", fit_ptr<float>},
    {"Hel2Dg___ptr_dbl", fit_ptr<double>},
    {"Hel2D___Hel2Dg_fl", to_hel2d<float>},
    {"Hel2D___Hel2Dg_dbl", to_hel2d<double>},
    {"Trans_Polinomica2D___puntosxy_fl", fit_poly<float>},
    {"Trans_Polinomica2D___puntosxy_dbl", fit_poly<double>},
    {"transforma_punto2D_fl", transform_point<float>},
    {"transforma_punto2D_dbl", transform_point<double>},
    {"MatrizRotGT_ωφκ", rot_gt_wfk},
    {"MatrizRotGT_κωφ", rot_gt_kwf},
    {"MatrizRotGT_κwκ", rot_gt_kwk},
    {"MatrizRot_κωφ", rot_kwf},
    {"MatrizRot_20", rot_20},
    {"MatrizRot_24", rot_24},
    {"MatrizRot_26", rot_26},
    {"MatrizRot_28", rot_28},
    {"MatrizDeltafl_fl", increment_matrix<float>},
    {"MatrizDeltafl_dbl", increment_matrix<double>},
    {"Gmatriz_ωφκ_seg", angles_wfk},
    {"Gmatriz_24_seg", params_24},
    {"Getoffset_matriz", offset},
    {"Gmedio", mean},
    {"Gmedio_pesos", weighted_mean},
    {"Hel3Dg___ptr_fl", fit_3d<float>},
    {"Hel3Dg___ptr_dbl", fit_3d<double>},
    {"convierte_en_R_fl", to_rotation<float>},
    {"convierte_en_R_dbl", to_rotation<double>},
    {"VQinvsim3_fl", invert3<float>},
    {"VQinvsim3_dbl", invert3<double>},
    {"VQinvsim_fl", invert<float, VQinvsim_fl>},
    {"VQinvsim_dbl", invert<double, VQinvsim_dbl>},
    {"VQinvsim_pos_fl", invert<float, VQinvsim_pos_fl>},
    {"VQinvsim_pos_dbl", invert<double, VQinvsim_pos_dbl>},
    {"VQinvsim_cho_fl", invert<float, VQinvsim_cho_fl>},
    {"VQinvsim_cho_dbl", invert<double, VQinvsim_cho_dbl>},
    {"resuelve_sistema_sim_t_fl", solve<float>},
    {"resuelve_sistema_sim_t_dbl", solve<double>},
    {"resuelve_sistema_sim_t_2_fl", solve2<float>},
    {"resuelve_sistema_sim_t_2_dbl", solve2<double>},
};
constexpr size_t kCallCount = sizeof kCalls / sizeof kCalls[0];
constexpr int kRounds = 3;

// Releases all waiting threads at once; reusable, one use per call of round 0.
class StartBarrier {
public:
    explicit StartBarrier(unsigned count) : count_(count) {}
    void wait() {
        const unsigned generation = generation_.load(std::memory_order_acquire);
        if (arrived_.fetch_add(1, std::memory_order_acq_rel) + 1 == count_) {
            arrived_.store(0, std::memory_order_relaxed);
            generation_.fetch_add(1, std::memory_order_release);
            return;
        }
        while (generation_.load(std::memory_order_acquire) == generation) std::this_thread::yield();
    }

private:
    const unsigned count_;
    std::atomic<unsigned> arrived_{0};
    std::atomic<unsigned> generation_{0};
};

// results[round][call] of one thread.
using ThreadResults = std::vector<std::vector<Bits>>;

void run_thread(unsigned t, StartBarrier& barrier, ThreadResults& results) {
    results.assign(kRounds, std::vector<Bits>(kCallCount));
    for (size_t k = 0; k < kCallCount; ++k) {
        barrier.wait();
        const size_t c = (k + t / 2) % kCallCount;
        kCalls[c].run(results[0][c]);
    }
    for (int r = 1; r < kRounds; ++r)
        for (size_t k = 0; k < kCallCount; ++k) {
            const size_t c = (k + 7 * t + 3 * r) % kCallCount;
            kCalls[c].run(results[r][c]);
        }
}

bool names_match_export_lists(char** lists, int count) {
    std::set<std::string> listed, called;
    for (int i = 0; i < count; ++i) {
        std::ifstream file(lists[i]);
        if (!file) {
            std::fprintf(stderr, "cannot read export list %s\n", lists[i]);
            return false;
        }
        for (std::string name; std::getline(file, name);)
            if (!name.empty()) listed.insert(name);
    }
    for (const Call& c : kCalls) called.insert(c.name);
    bool same = true;
    for (const std::string& name : listed)
        if (!called.count(name)) same = false, std::fprintf(stderr, "export %s is not called\n", name.c_str());
    for (const std::string& name : called)
        if (!listed.count(name)) same = false, std::fprintf(stderr, "%s is not an export\n", name.c_str());
    return same;
}

}  // namespace

int main(int argc, char** argv) {
    const unsigned threads = argc > 1 ? unsigned(std::strtoul(argv[1], nullptr, 10)) : 0;
    if (argc < 3 || threads < 2 || threads > 64) {
        std::fprintf(stderr, "usage: concurrent_calls THREADS(2..64) EXPORT_LIST...\n");
        return 2;
    }
    if (!names_match_export_lists(argv + 2, argc - 2)) return 1;

    make_shared_inputs();
    StartBarrier barrier(threads);
    std::vector<ThreadResults> results(threads);
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back(run_thread, t, std::ref(barrier), std::ref(results[t]));
    for (std::thread& th : pool) th.join();

    for (size_t c = 0; c < kCallCount; ++c) {
        Bits expected;
        kCalls[c].run(expected);
        for (unsigned t = 0; t < threads; ++t)
            for (int r = 0; r < kRounds; ++r)
                if (results[t][r][c] != expected) {
                    std::fprintf(stderr, "%s: thread %u, round %d differs from the single-threaded call\n",
                                 kCalls[c].name, t, r);
                    return 1;
                }
    }
    std::printf("%zu exports, %u threads, %d rounds: every result equals the single-threaded one\n",
                kCallCount, threads, kRounds);
    return 0;
}
