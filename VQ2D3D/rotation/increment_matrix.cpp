// Increment rotation for iterative refinement: the Cayley rotation of a small
// correction t,
//     D = I + k [t]x^2 + 2k [t]x,   k = 1 / (2 + |t|^2 / 2),
// a turn by 2 atan(|t| / 2) about t / |t|, equal to I + [t]x to first order.
// Both twins compute in single precision; the double twin only widens the
// float terms into its matrix and forms the diagonal and skew sums in double.
// Returns |t|^2, the refinement's convergence measure.
#include "VQ2D3D.h"

namespace vq {
namespace {

// Out is the element type of the written matrix; every intermediate is float.
template <class Out>
float increment_matrix(Angulos_fl t, Out* D) {
    const float xx = t.omega * t.omega;
    const float yy = t.fi * t.fi;
    const float zz = t.kappa * t.kappa;
    const float s = (xx + yy) + zz;
    const float k = 1.0f / (2.0f + 0.5f * s);

    // k*(..) is a float product; for a double matrix it is widened before 1 - ..
    D[0] = Out(1) - static_cast<Out>(k * (yy + zz));
    D[4] = Out(1) - static_cast<Out>(k * (zz + xx));
    D[8] = Out(1) - static_cast<Out>(k * (xx + yy));

    // Symmetric part k t t^T off the diagonal, from the unscaled components.
    float ax = t.omega * k;
    D[1] = D[3] = static_cast<Out>(ax * t.fi);
    D[2] = D[6] = static_cast<Out>(t.kappa * ax);
    float ay = t.fi * k;
    D[5] = D[7] = static_cast<Out>(ay * t.kappa);
    float az = t.kappa * k;

    ax = ax * 2.0f;
    ay = ay * 2.0f;
    az = az * 2.0f;

    // Skew part 2k [t]x, each sum in the matrix's own precision.
    D[1] = D[1] - static_cast<Out>(az);
    D[3] = D[3] + static_cast<Out>(az);
    D[2] = D[2] + static_cast<Out>(ay);
    D[6] = D[6] - static_cast<Out>(ay);
    D[5] = D[5] - static_cast<Out>(ax);
    D[7] = D[7] + static_cast<Out>(ax);
    return s;
}

}  // namespace
}  // namespace vq

float MatrizDeltafl_fl(Angulos_fl theta, float* D) { return vq::increment_matrix(theta, D); }

float MatrizDeltafl_dbl(Angulos_fl theta, double* D) { return vq::increment_matrix(theta, D); }
