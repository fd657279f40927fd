// Point pairs for the fits, generated once per size and element type and kept
// for the whole run (10^7 pairs of doubles take 320 MB per layout, so no
// benchmark allocates its own copy).
//
// 2D: source points in a 1000 x 1000 square, destination = a similarity of
// them (scale 1.5, turn 0.3 rad, a shift) plus noise of 0.01.
// 3D: destination = a seven-parameter similarity of the source points plus
// noise of 1 mm, in two kinds of frames (Frames3D below).
#pragma once

#include "bench_support.hpp"
#include "../../tests/support/point_pairs.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace vq_bench {

template <class T>
struct Pairs2D {
    uint32_t n = 0;
    std::vector<T> interleaved;      // per pair: source x, y, destination x, y
    std::vector<T> src, dst;         // the same points as two arrays of points
    std::vector<const T*> pointers;  // 2n pointers into `interleaved`, source then destination
};

template <class T>
const Pairs2D<T>& pairs2d(uint32_t n) {
    static std::map<uint32_t, std::unique_ptr<Pairs2D<T>>> cache;
    std::unique_ptr<Pairs2D<T>>& slot = cache[n];
    if (!slot) {
        auto p = std::make_unique<Pairs2D<T>>();
        p->n = n;
        p->interleaved.resize(std::size_t(4) * n);
        p->src.resize(std::size_t(2) * n);
        p->dst.resize(std::size_t(2) * n);
        p->pointers.resize(std::size_t(2) * n);
        auto g = generator(0x2d000000u + n);
        const vq_test::Similarity2DPairs similarity = {
            0.0, 1000.0, 1.5, std::cos(0.3), std::sin(0.3), 250.0, -75.0, 0.01};
        std::size_t i = 0;
        vq_test::similarity_pairs_2d(n, g, similarity, [&](double x, double y, double X, double Y) {
            T* q = &p->interleaved[4 * i];
            q[0] = T(x), q[1] = T(y), q[2] = T(X), q[3] = T(Y);
            p->src[2 * i] = q[0], p->src[2 * i + 1] = q[1];
            p->dst[2 * i] = q[2], p->dst[2 * i + 1] = q[3];
            p->pointers[2 * i] = q;
            p->pointers[2 * i + 1] = q + 2;
            ++i;
        });
        slot = std::move(p);
    }
    return *slot;
}

template <class T>
struct Pairs3D {
    uint32_t n = 0;
    std::vector<T> interleaved;  // per pair: source x, y, z, destination x, y, z
    std::vector<T*> pointers;    // 2n pointers into `interleaved`, source then destination
};

// The two kinds of 3D data: a datum shift between near-vertical frames (tilts
// of a few seconds of arc; the planimetric start is already close), and a
// terrestrial scan registered to a map frame (tilts of tens of degrees; the
// refinement takes several passes from the planimetric start).
enum class Frames3D { near_vertical, terrestrial };

struct Shift3D {
    double omega, fi, kappa, scale, tx, ty, tz;
    double extent_xy, extent_z;  // source points in [0, extent) per axis
};

inline Shift3D shift3d(Frames3D frames) {
    if (frames == Frames3D::near_vertical)
        return {2e-5, -3e-5, 0.7, 1.0 + 12e-6, 4.2e3, -1.3e3, 250.0, 1000.0, 1000.0};
    return {0.35, -0.45, 2.1, 1.0 - 8e-6, 1.5e3, -8e2, 312.0, 200.0, 60.0};
}

template <class T>
const Pairs3D<T>& pairs3d(uint32_t n, Frames3D frames = Frames3D::near_vertical) {
    static std::map<std::pair<uint32_t, int>, std::unique_ptr<Pairs3D<T>>> cache;
    std::unique_ptr<Pairs3D<T>>& slot = cache[{n, int(frames)}];
    if (!slot) {
        auto p = std::make_unique<Pairs3D<T>>();
        p->n = n;
        p->interleaved.resize(std::size_t(6) * n);
        p->pointers.resize(std::size_t(2) * n);
        const Shift3D h = shift3d(frames);
        // R = Rz(kappa) Ry(fi) Rx(omega), row by row.
        const double so = std::sin(h.omega), co = std::cos(h.omega), sf = std::sin(h.fi),
                     cf = std::cos(h.fi), sk = std::sin(h.kappa), ck = std::cos(h.kappa);
        const double R[9] = {ck * cf, ck * sf * so - sk * co, ck * sf * co + sk * so,
                             sk * cf, sk * sf * so + ck * co, sk * sf * co - ck * so,
                             -sf,     cf * so,                cf * co};
        const double t[3] = {h.tx, h.ty, h.tz};
        auto g = generator((frames == Frames3D::near_vertical ? 0x3d000000u : 0x3e000000u) + n);
        for (std::size_t i = 0; i < n; ++i) {
            T* q = &p->interleaved[6 * i];
            const double x[3] = {uniform(g, 0.0, h.extent_xy), uniform(g, 0.0, h.extent_xy),
                                 uniform(g, 0.0, h.extent_z)};
            const auto X = vq_test::similarity_image_3d(x, R, h.scale, t,
                                                        [&] { return uniform(g, -0.001, 0.001); });
            for (int r = 0; r < 3; ++r) {
                q[r] = T(x[r]);
                q[3 + r] = T(X[r]);
            }
            p->pointers[2 * i] = q;
            p->pointers[2 * i + 1] = q + 3;
        }
        slot = std::move(p);
    }
    return *slot;
}

}  // namespace vq_bench
