// Exported single- and double-precision forms of the orthonormalisation of a
// 3x3 matrix into a rotation (see rotation_from_matrix.hpp).
#include "VQ2D3D.h"
#include "rotation_from_matrix.hpp"

void convierte_en_R_fl(float* m) { vq::rotation_from_matrix(m); }

void convierte_en_R_dbl(double* m) { vq::rotation_from_matrix(m); }
