// Shared pieces of the rotation subsystem: the angle constants and the
// internal builders that the exports are made of.
#pragma once

#include "VQ2D3D.h"

namespace vq {

inline constexpr double kPi = 3.141592653589793;
inline constexpr double kHalfPi = 1.5707963267948966;
// The full turn used when wrapping angles. It is 12 ulp above the nearest
// double to 2*pi, and the results of every wrap depend on this exact value.
inline constexpr double kFullTurn = 6.283185307179597;

// R = Rz(kappa) Ry(fi) Rx(omega) from the angles (six sin/cos calls).
void MatrizRot_ωφκ(Angulos a, double* R);

// R = Rz(kappa) Ry(fi) Rx(omega) from given sines and cosines.
void matrix_from_sincos_ωφκ(const SenCos& sc, double* R);

// R[i][j] = Q[(i+1) mod 3][(j+1) mod 3], in place: turns a matrix built in the
// order (kappa, omega, fi) into the Ry Rx Rz product.
void relabel_axes_cyclically(double* R);

}  // namespace vq
