// The blocked kernels of every path this processor can run against the
// reference kernels, bit for bit: results, statuses and the arrays left by
// failed positivity tests, on random matrices of every order up to kMaxOrder,
// on matrices failing at chosen pivots, and with zeros, NaNs and infinities.
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "cholesky_inverse.hpp"
#include "elimination_inverse.hpp"
#include "kernel_paths.hpp"
#include "packed_solve.hpp"
#include "twins.hpp"

namespace {

using namespace vqtest;
using vq::KernelPath;
using vq::StripWidth;

#if defined(__SANITIZE_ADDRESS__)
constexpr uint32_t kMaxOrder = 90;  // the sanitizers slow every access down
#else
constexpr uint32_t kMaxOrder = 300;
#endif

const char* path_name(KernelPath path) {
    switch (path) {
    case KernelPath::avx512: return "avx512";
    case KernelPath::avx2: return "avx2";
    default: return "generic";
    }
}

const char* strips_name(StripWidth width) {
    switch (width) {
    case StripWidth::narrow: return " narrow strips";
    case StripWidth::by_size: return " strips by size";
    default: return "";
    }
}

std::vector<KernelPath> available_paths() {
    std::vector<KernelPath> paths;
    for (KernelPath p : {KernelPath::generic, KernelPath::avx2, KernelPath::avx512})
        if (vq::path_available(p)) paths.push_back(p);
    return paths;
}

template <class T>
int32_t elimination(KernelPath path, T* a, size_t n, bool test, StripWidth width) {
    switch (path) {
    case KernelPath::avx512: return vq::avx512::invert_by_elimination(a, n, test, width);
    case KernelPath::avx2: return vq::avx2::invert_by_elimination(a, n, test, width);
    default: return vq::generic::invert_by_elimination(a, n, test, width);
    }
}

template <class T> int32_t cholesky(KernelPath path, T* a, size_t n) {
    switch (path) {
    case KernelPath::avx512: return vq::avx512::invert_by_cholesky(a, n);
    case KernelPath::avx2: return vq::avx2::invert_by_cholesky(a, n);
    default: return vq::generic::invert_by_cholesky(a, n);
    }
}

template <class T> int32_t packed(KernelPath path, T* p, T* b, T* h, size_t n) {
    switch (path) {
    case KernelPath::avx512: return vq::avx512::solve_packed(p, b, h, n);
    case KernelPath::avx2: return vq::avx2::solve_packed(p, b, h, n);
    default: return vq::generic::solve_packed(p, b, h, n);
    }
}

// The shared random symmetric matrix (positive definite when dominant), with
// unrelated values in its lower triangle, which no kernel may read.
template <class T>
std::vector<T> symmetric_with_junk_below(uint32_t n, bool dominant, std::mt19937& rng) {
    std::vector<T> a = vq_test::random_symmetric<T>(n, rng, dominant);
    std::uniform_real_distribution<double> u(-1000.0, 1000.0);
    for (uint32_t i = 0; i < n; ++i)
        for (uint32_t j = 0; j < i; ++j) a[i * n + j] = T(u(rng));
    return a;
}

template <class T> std::vector<T> packed_upper(const std::vector<T>& a, uint32_t n) {
    std::vector<T> p;
    for (uint32_t i = 0; i < n; ++i)
        for (uint32_t j = 0; j <= i; ++j) p.push_back(a[j * n + i]);
    return p;
}

// Every kernel on every path against the reference on one full-storage input.
template <class T> void expect_all_agree(const std::vector<T>& input, uint32_t n, std::mt19937& rng,
                                         const std::string& what) {
    const auto paths = available_paths();
    for (bool test : {false, true}) {
        auto want = input;
        const int32_t status = test ? vq::reference::invert_by_elimination<true>(want.data(), n)
                                    : vq::reference::invert_by_elimination<false>(want.data(), n);
        for (KernelPath path : paths)
            for (StripWidth width : {StripWidth::wide, StripWidth::narrow, StripWidth::by_size}) {
                auto got = input;
                EXPECT_EQ(elimination(path, got.data(), n, test, width), status);
                EXPECT_TRUE(same_bits(got, want)) << (test ? "pos " : "plain ") << path_name(path)
                                                  << strips_name(width) << " n=" << n << " " << what;
            }
    }
    {
        auto want = input;
        const int32_t status = vq::reference::invert_by_cholesky(want.data(), n);
        for (KernelPath path : paths) {
            auto got = input;
            EXPECT_EQ(cholesky(path, got.data(), n), status);
            EXPECT_TRUE(same_bits(got, want))
                << "cho " << path_name(path) << " n=" << n << " " << what;
        }
    }
    const auto p = packed_upper(input, n);
    const auto b = random_vector<T>(n, rng), h = random_vector<T>(n, rng);
    for (bool two : {false, true}) {
        auto wp = p, wb = b, wh = h;
        const int32_t status = vq::reference::solve_packed(wp.data(), wb.data(),
                                                           two ? wh.data() : nullptr, n);
        for (KernelPath path : paths) {
            auto gp = p, gb = b, gh = h;
            EXPECT_EQ(packed(path, gp.data(), gb.data(), two ? gh.data() : nullptr, n), status);
            const std::string where = std::string(two ? "solve2 " : "solve ") + path_name(path) +
                                      " n=" + std::to_string(n) + " " + what;
            EXPECT_TRUE(same_bits(gp, wp)) << where;
            EXPECT_TRUE(same_bits(gb, wb)) << where;
            EXPECT_TRUE(same_bits(gh, wh)) << where;
        }
    }
}

template <class T> class KernelPaths : public ::testing::Test {};
TYPED_TEST_SUITE(KernelPaths, Twins);

TYPED_TEST(KernelPaths, GenericPathAlwaysAvailable) {
    EXPECT_TRUE(vq::path_available(KernelPath::generic));
    EXPECT_TRUE(vq::path_available(vq::best_path()));
}

TYPED_TEST(KernelPaths, PositiveDefiniteEveryOrder) {
    std::mt19937 rng(11);
    for (uint32_t n = 1; n <= kMaxOrder; ++n)
        expect_all_agree(symmetric_with_junk_below<TypeParam>(n, true, rng), n, rng, "definite");
}

// Indefinite: the plain elimination runs through, the tested one and the
// Cholesky factor stop somewhere, the solvers flag the status and go on.
TYPED_TEST(KernelPaths, IndefiniteEveryOrder) {
    std::mt19937 rng(12);
    for (uint32_t n = 1; n <= kMaxOrder; ++n)
        expect_all_agree(symmetric_with_junk_below<TypeParam>(n, false, rng), n, rng, "indefinite");
}

// A negative diagonal entry in a dominant matrix makes exactly that pivot fail,
// placed at the edges of the kernels' panels and blocks.
TYPED_TEST(KernelPaths, FailureAtChosenPivots) {
    using T = TypeParam;
    std::mt19937 rng(13);
    for (uint32_t n : {9u, 70u, 150u}) {
        const auto spd = symmetric_with_junk_below<T>(n, true, rng);
        for (uint32_t k : {0u, 1u, 7u, 8u, 9u, 55u, 63u, 64u, 65u, 71u, 127u, 128u, 129u, 149u}) {
            if (k >= n) continue;
            auto a = spd;
            a[k * n + k] = -a[k * n + k];
            expect_all_agree(a, n, rng, "negative pivot " + std::to_string(k));
            a[k * n + k] = T(0);
            expect_all_agree(a, n, rng, "zero pivot " + std::to_string(k));
        }
    }
}

TYPED_TEST(KernelPaths, NonFiniteEntries) {
    using T = TypeParam;
    const T specials[] = {std::numeric_limits<T>::quiet_NaN(), std::numeric_limits<T>::infinity(),
                          -std::numeric_limits<T>::infinity(), T(0), T(-0.0)};
    std::mt19937 rng(14);
    for (uint32_t n : {1u, 2u, 5u, 40u, 100u}) {
        const auto spd = symmetric_with_junk_below<T>(n, true, rng);
        std::uniform_int_distribution<uint32_t> pick(0, n - 1);
        for (T v : specials)
            for (int trial = 0; trial < 3; ++trial) {
                uint32_t i = pick(rng), j = pick(rng);
                if (i > j) std::swap(i, j);
                auto a = spd;
                a[i * n + j] = v;
                expect_all_agree(a, n, rng, "special at " + std::to_string(i) + "," + std::to_string(j));
            }
    }
}

}  // namespace
