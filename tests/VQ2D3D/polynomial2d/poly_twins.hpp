// The _fl / _dbl exports of the polynomial transformation seen through one
// template parameter, and a small fixture that fits pairs of point lists.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "VQ2D3D.h"
#include "VQmatrices.h"

template <class T> struct Polynomial2D;

template <> struct Polynomial2D<float> {
    using Record = Trans_Polinomica2D_fl;
    static constexpr auto fit = Trans_Polinomica2D___puntosxy_fl;
    static constexpr auto apply = transforma_punto2D_fl;
    static constexpr auto similarity = Hel2Dg___ptr_fl;
    static constexpr auto solve2 = resuelve_sistema_sim_t_2_fl;
};

template <> struct Polynomial2D<double> {
    using Record = Trans_Polinomica2D_dbl;
    static constexpr auto fit = Trans_Polinomica2D___puntosxy_dbl;
    static constexpr auto apply = transforma_punto2D_dbl;
    static constexpr auto similarity = Hel2Dg___ptr_dbl;
    static constexpr auto solve2 = resuelve_sistema_sim_t_2_dbl;
};

using Twins = ::testing::Types<float, double>;

// Relative tolerance for results exact only up to rounding (the float twin
// goes through a normal-equation solve, so it is looser).
template <class T> constexpr T kTolerance = sizeof(T) == 4 ? T(2e-4) : T(1e-9);

template <class T> struct Pt {
    T x, y;
};

template <class T> using Pairs = std::vector<std::pair<Pt<T>, Pt<T>>>;

template <class T> class PolynomialTest : public ::testing::Test {
protected:
    using Api = Polynomial2D<T>;
    using Record = typename Api::Record;

    static std::vector<const T*> pointers(const Pairs<T>& pairs) {
        std::vector<const T*> ptrs;
        for (const auto& pr : pairs) {
            ptrs.push_back(&pr.first.x);
            ptrs.push_back(&pr.second.x);
        }
        return ptrs;
    }

    // Fits with every field of the record first set to garbage, so that the
    // fit is seen to write what it must.
    static Record fit(uint32_t tipo, const Pairs<T>& pairs) {
        Record r;
        std::memset(&r, 0x7f, sizeof r);
        r.tipo = tipo;
        const auto ptrs = pointers(pairs);
        Api::fit(&r, ptrs.data(), static_cast<uint32_t>(pairs.size()));
        return r;
    }

    static Pt<T> apply(const Record& r, Pt<T> p) {
        T xy[2] = {p.x, p.y};
        Api::apply(&r, xy);
        return {xy[0], xy[1]};
    }
};

// Pairs (p, f(p)) for the given source points.
template <class T, class F> Pairs<T> pairs_of(const std::vector<Pt<T>>& source, F f) {
    Pairs<T> pairs;
    for (const auto& p : source) pairs.push_back({p, f(p)});
    return pairs;
}

// Source points in general position (no three on a line, no six on a conic
// for the sizes used), scattered over a few units around (10, 20).
template <class T> std::vector<Pt<T>> scattered_points(int n) {
    std::vector<Pt<T>> pts;
    for (int i = 0; i < n; ++i) {
        const double a = 0.7 * i + 0.3, r = 1.0 + 0.37 * i;
        pts.push_back({static_cast<T>(10 + r * std::cos(a)), static_cast<T>(20 + r * std::sin(a))});
    }
    return pts;
}
