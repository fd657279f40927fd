// The MatrizRot_24 parameter vector v = 2 q of a rotation matrix, q the vector
// part of the unit quaternion with non-negative scalar part q0. With trace t:
//   1 + t = 4 q0^2, and R - R^T = 4 q0 [q]x, so v = (skew part) / sqrt(1 + t);
// near a half turn (t <= -0.8, q0 small) each component comes from the
// diagonal instead: 2 R[i][i] + 1 - t = 4 q_i^2, signed by the skew part.
#include <cmath>

#include "rotation_internal.hpp"

namespace vq {
namespace {

constexpr double kHalfTurnTraceThreshold = -0.8;

// sqrt(q), negated when asked; a radicand below zero by rounding gives 0.
double component_from_radicand(double q, bool negative) {
    if (q >= 0) {
        const double c = std::sqrt(q);
        return negative ? -c : c;
    }
    return 0.0;
}

}  // namespace
}  // namespace vq

Angulos Gmatriz_24_seg(const double* R) {
    const double t = (R[0] + R[4]) + R[8];
    if (t > vq::kHalfTurnTraceThreshold) {
        const double d = std::sqrt(1.0 + t);  // twice the quaternion's scalar part
        return Angulos{(R[7] - R[5]) / d, (R[2] - R[6]) / d, (R[3] - R[1]) / d};
    }
    const double u = 1.0 - t;
    const double vx = vq::component_from_radicand(2.0 * R[0] + u, R[5] > R[7]);
    const double vy = vq::component_from_radicand(2.0 * R[4] + u, R[6] > R[2]);
    const double vz = vq::component_from_radicand(2.0 * R[8] + u, R[1] > R[3]);
    return Angulos{vx, vy, vz};
}
