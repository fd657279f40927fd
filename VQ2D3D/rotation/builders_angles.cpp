// Rotation matrices from angles in radians (omega about x, fi about y, kappa
// about z), through the sine/cosine builders:
//   omega-fi-kappa  R = Rz(kappa) Ry(fi) Rx(omega)   (internal)
//   kappa-omega-fi  R = Ry(fi) Rx(omega) Rz(kappa)
#include <cmath>

#include "rotation_internal.hpp"

namespace vq {

void MatrizRot_ωφκ(Angulos a, double* R) {
    const SenCos sc = {std::sin(a.omega), std::cos(a.omega), std::sin(a.fi),
                       std::cos(a.fi),    std::sin(a.kappa), std::cos(a.kappa)};
    matrix_from_sincos_ωφκ(sc, R);
}

}  // namespace vq

void MatrizRot_κωφ(Angulos a, double* R) {
    // The angles in the order (kappa, omega, fi) through the omega-fi-kappa
    // builder, then the axes relabelled.
    const Angulos reordered = {a.kappa, a.omega, a.fi};
    vq::MatrizRot_ωφκ(reordered, R);
    vq::relabel_axes_cyclically(R);
}
