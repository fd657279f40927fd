// Rotation matrices from a three-component parameter vector v (the omega, fi,
// kappa fields read as x, y, z). For a turn by theta about the unit axis n:
//   _20  v = theta n             R = I + k [v]x^2 + m [v]x, k = (1 - cos r)/r^2, m = sin r / r
//   _24  v = 2 sin(theta/2) n    k = 1/2, m = sqrt(1 - |v|^2/4) (quaternion scalar part >= 0)
//   _26  v = 2 tan(theta/2) n    k = 1/(2 + |v|^2/2), m = 2k (Cayley form)
//   _28  per-axis angles a_i with sin(a_i/2) the quaternion's vector part
// with r = |v| and [v]x the cross-product matrix. Off the diagonal the
// symmetric part k v v^T and the skew part [m v]x are summed per element.
#include <cmath>

#include "rotation_internal.hpp"

namespace vq {
namespace {

// R[i][i] = 1 - k (|v|^2 - v_i^2), the sum of the two other squares first.
void write_diagonal(double k, double xx, double yy, double zz, double* R) {
    R[0] = 1.0 - k * (yy + zz);
    R[4] = 1.0 - k * (zz + xx);
    R[8] = 1.0 - k * (xx + yy);
}

// Symmetric off-diagonal products, then the skew part [w]x added to them.
void write_off_diagonal(double pxy, double pxz, double pyz, double wx, double wy, double wz,
                        double* R) {
    R[1] = R[3] = pxy;
    R[2] = R[6] = pxz;
    R[5] = R[7] = pyz;
    R[1] = R[1] - wz;
    R[3] = R[3] + wz;
    R[2] = R[2] + wy;
    R[6] = R[6] - wy;
    R[5] = R[5] - wx;
    R[7] = R[7] + wx;
}

}  // namespace
}  // namespace vq

void MatrizRot_20(Angulos v, double* R) {
    const double vx = v.omega, vy = v.fi, vz = v.kappa;
    const double xx = vx * vx, yy = vy * vy, zz = vz * vz;
    const double s = (xx + yy) + zz;
    const double r = std::sqrt(s);
    const double k = (1.0 - std::cos(r)) / s;  // 0/0 for v = 0: no special case
    const double m = std::sin(r) / r;
    vq::write_diagonal(k, xx, yy, zz, R);
    vq::write_off_diagonal((k * vx) * vy, (k * vz) * vx, (k * vy) * vz, m * vx, m * vy, m * vz,
                           R);
}

void MatrizRot_24(Angulos v, double* R) {
    const double vx = v.omega, vy = v.fi, vz = v.kappa;
    const double xx = vx * vx, yy = vy * vy, zz = vz * vz;
    const double s = (xx + yy) + zz;
    const double k = 0.5;
    const double m = std::sqrt(1.0 - s / 4.0);  // twice the quaternion's scalar part
    vq::write_diagonal(k, xx, yy, zz, R);
    vq::write_off_diagonal((vx * 0.5) * vy, (vz * 0.5) * vx, (vy * 0.5) * vz, m * vx, m * vy,
                           m * vz, R);
}

void MatrizRot_26(Angulos v, double* R) {
    const double vx = v.omega, vy = v.fi, vz = v.kappa;
    const double xx = vx * vx, yy = vy * vy, zz = vz * vz;
    const double s = (xx + yy) + zz;
    const double k = 1.0 / (2.0 + 0.5 * s);
    vq::write_diagonal(k, xx, yy, zz, R);
    // Each skew component is (v_i k) 2 rather than (2k) v_i.
    vq::write_off_diagonal((vx * k) * vy, vz * (vx * k), (vy * k) * vz, (vx * k) * 2.0,
                           (vy * k) * 2.0, (vz * k) * 2.0, R);
}

void MatrizRot_28(Angulos v, double* R) {
    const double C1 = std::cos(v.omega), C2 = std::cos(v.fi), C3 = std::cos(v.kappa);
    const double S1 = std::sin(0.5 * v.omega), S2 = std::sin(0.5 * v.fi),
                 S3 = std::sin(0.5 * v.kappa);
    R[0] = (C2 + C3) - 1.0;
    R[4] = (C3 + C1) - 1.0;
    R[8] = (C1 + C2) - 1.0;
    const double t = std::sqrt(2.0 * (((C1 + C2) + C3) - 1.0));  // twice the scalar part
    vq::write_off_diagonal((2.0 * S1) * S2, (2.0 * S1) * S3, (2.0 * S2) * S3, S1 * t, S2 * t,
                           S3 * t, R);
}
