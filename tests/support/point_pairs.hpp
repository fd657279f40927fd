// Point pairs through a known similarity, shared by the tests and the
// benchmarks (bench/support). Everything is formed in double; the caller
// rounds to its element type.
#pragma once

#include <array>
#include <cstdint>
#include <random>

namespace vq_test {

// destination = (tx, ty) + scale * R(turn) * source + noise, source points
// uniform in [lo, hi]^2, noise uniform in [-noise, noise] per coordinate.
struct Similarity2DPairs {
    double lo, hi;
    double scale, cos_turn, sin_turn;
    double tx, ty;
    double noise;
};

// Calls emit(x, y, X, Y) for n pairs; per pair it draws x, y, then the noise
// of X and of Y.
template <class Rng, class Emit>
void similarity_pairs_2d(uint32_t n, Rng& g, const Similarity2DPairs& s, Emit&& emit) {
    std::uniform_real_distribution<double> coordinate(s.lo, s.hi), noise(-s.noise, s.noise);
    for (uint32_t i = 0; i < n; ++i) {
        const double x = coordinate(g), y = coordinate(g);
        const double X = s.tx + s.scale * (s.cos_turn * x - s.sin_turn * y) + noise(g);
        const double Y = s.ty + s.scale * (s.sin_turn * x + s.cos_turn * y) + noise(g);
        emit(x, y, X, Y);
    }
}

// The image shift + scale * R * a of a 3D point (R row by row), plus noise()
// called once per coordinate in turn.
template <class Noise>
std::array<double, 3> similarity_image_3d(const double a[3], const double R[9], double scale,
                                          const double shift[3], Noise&& noise) {
    std::array<double, 3> b;
    for (int r = 0; r < 3; ++r)
        b[r] = shift[r] + scale * (R[3 * r] * a[0] + R[3 * r + 1] * a[1] + R[3 * r + 2] * a[2]) +
               noise();
    return b;
}

}  // namespace vq_test
