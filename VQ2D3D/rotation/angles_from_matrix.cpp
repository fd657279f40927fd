// omega, fi, kappa of R = Rz(kappa) Ry(fi) Rx(omega), the inverse of
// MatrizRotGT_ωφκ. Row 2 of R is (-sin fi, cos fi sin omega, cos fi cos omega)
// and column 0 is cos fi (cos kappa, sin kappa, .), so away from fi = +-90 deg
// each angle has its own atan2. Near that pole (|sin fi| >= 0.9) only
// kappa - omega (fi > 0) or kappa + omega (fi < 0) is well determined: it is
// taken from the upper 2x2 block, fi from |cos fi|, and the separate kappa and
// omega estimates are moved by equal halves of their disagreement with it.
#include <cmath>

#include "rotation_internal.hpp"

namespace vq {
namespace {

constexpr double kGimbalThreshold = 0.9;

// One correction at most: below -pi a full turn is added, at or above pi one
// is subtracted.
double wrap(double e) {
    if (e < -kPi) return e + kFullTurn;
    if (e >= kPi) return e - kFullTurn;
    return e;
}

}  // namespace
}  // namespace vq

Angulos Gmatriz_ωφκ_seg(const double* R) {
    const double s = -R[6];  // sin fi
    if (std::fabs(s) < vq::kGimbalThreshold) {
        const double fi = std::asin(s);
        const double kappa = std::atan2(R[3], R[0]);
        const double omega = std::atan2(R[7], R[8]);
        return Angulos{omega, fi, kappa};
    }

    const bool north = s > 0;
    double fi = std::acos(std::sqrt(R[0] * R[0] + R[3] * R[3]));
    double y, x;  // (1 +- sin fi) times sin and cos of the coupled angle
    if (north) {
        y = (-R[1]) + R[5];
        x = R[2] + R[4];
    } else {
        fi = -fi;
        y = (-R[1]) - R[5];
        x = (-R[2]) + R[4];
    }
    const double d = std::atan2(y, x);  // kappa - omega (north) or kappa + omega

    if ((R[0] == 0 && R[3] == 0) || (R[7] == 0 && R[8] == 0)) return Angulos{0.0, fi, d};

    const double kappa0 = std::atan2(R[3], R[0]);
    const double omega0 = std::atan2(R[7], R[8]);
    double e = (north ? (kappa0 - omega0) : (kappa0 + omega0)) - d;
    e = vq::wrap(e);
    e = e / 2;
    double kappa = kappa0 - e;
    double omega = north ? omega0 + e : omega0 - e;
    kappa = vq::wrap(kappa);
    omega = vq::wrap(omega);
    return Angulos{omega, fi, kappa};
}
