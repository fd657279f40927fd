// Rotation matrices from given sines and cosines. A matrix is nine doubles row
// by row (element (i, j) at 3i + j) applied to column vectors; Rx, Ry, Rz turn
// counterclockwise about x, y, z, and the first rotation of an order is the
// rightmost factor:
//   omega-fi-kappa  R = Rz(kappa) Ry(fi) Rx(omega)
//   kappa-omega-fi  R = Ry(fi) Rx(omega) Rz(kappa)
//   kappa-w-kappa   R = Rz(k2) Rx(w) Rz(k1)   (z-x-z)
// The six values are used as given and never checked against each other.
#include <cstring>

#include "rotation_internal.hpp"

namespace vq {

void matrix_from_sincos_ωφκ(const SenCos& sc, double* R) {
    const double so = sc.sen_omega, co = sc.cos_omega;
    const double sf = sc.sen_fi, cf = sc.cos_fi;
    const double sk = sc.sen_kappa, ck = sc.cos_kappa;
    const double t = sf * so;
    const double u = sf * co;
    R[0] = ck * cf;
    R[1] = ck * t - sk * co;
    R[2] = ck * u + sk * so;
    R[3] = sk * cf;
    R[4] = sk * t + ck * co;
    R[5] = sk * u - ck * so;
    R[6] = -sf;
    R[7] = cf * so;
    R[8] = cf * co;
}

void relabel_axes_cyclically(double* R) {
    double Q[9];
    std::memcpy(Q, R, sizeof Q);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) R[3 * i + j] = Q[3 * ((i + 1) % 3) + (j + 1) % 3];
}

}  // namespace vq

void MatrizRotGT_ωφκ(SenCos sc, double* R) { vq::matrix_from_sincos_ωφκ(sc, R); }

void MatrizRotGT_κωφ(SenCos sc, double* R) {
    // Built as the omega-fi-kappa product of the pairs (kappa, omega, fi), then
    // relabelled; this route fixes the rounding of every element.
    const SenCos reordered = {sc.sen_kappa, sc.cos_kappa, sc.sen_omega,
                              sc.cos_omega, sc.sen_fi,    sc.cos_fi};
    vq::matrix_from_sincos_ωφκ(reordered, R);
    vq::relabel_axes_cyclically(R);
}

void MatrizRotGT_κwκ(SenCos sc, double* R) {
    // The omega, fi, kappa slots carry the first kappa, the omega and the second kappa.
    const double s1 = sc.sen_omega, c1 = sc.cos_omega;
    const double sw = sc.sen_fi, cw = sc.cos_fi;
    const double s2 = sc.sen_kappa, c2 = sc.cos_kappa;
    const double t = s1 * cw;
    const double u = c1 * cw;
    R[0] = c2 * c1 - s2 * t;
    R[1] = (-c2) * s1 - s2 * u;
    R[2] = s2 * sw;
    R[3] = s2 * c1 + c2 * t;
    R[4] = (-s2) * s1 + c2 * u;
    R[5] = (-c2) * sw;
    R[6] = s1 * sw;
    R[7] = c1 * sw;
    R[8] = cw;
}
