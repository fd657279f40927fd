// Quarter turns about z taken out of a rotation before extracting angles:
// R = A Rz(n 90 deg), n in 0..3, and f(A) is returned. A quarter turn comes
// out when R[0][0] R[1][1] + R[0][1] R[1][0] < 0 (cos 2 kappa for a turn about
// z), a half turn when the remainder's R[0][0] is negative. With the
// omega-fi-kappa extraction the half turn is instead taken from its angles
// (kappa beyond +-90 deg), which keeps the returned |kappa| <= pi/2.
#include <cmath>
#include <cstring>

#include "rotation_internal.hpp"

Angulos Getoffset_matriz(const double* R, FuncionGmatriz f, int32_t* offset) {
    int32_t n = 0;
    double M[9];
    const double* A = R;  // the caller's matrix is only read
    if (R[0] * R[4] + R[1] * R[3] < 0) {
        // M = R Rz(-90 deg): columns (-c1, c0, c2).
        for (int i = 0; i < 3; ++i) {
            M[3 * i + 0] = -R[3 * i + 1];
            M[3 * i + 1] = R[3 * i + 0];
            M[3 * i + 2] = R[3 * i + 2];
        }
        A = M;
        n = 1;
    }

    // Compared by address: the exported symbol resolves to one canonical
    // address in the library and in every client.
    if (f == &Gmatriz_ωφκ_seg) {
        Angulos a = Gmatriz_ωφκ_seg(A);
        if (std::fabs(a.kappa) > vq::kHalfPi) {
            // The angles of A Rz(180 deg).
            n += 2;
            a.kappa = a.kappa >= 0 ? a.kappa - vq::kPi : a.kappa + vq::kPi;
            a.omega = -a.omega;
            a.fi = -a.fi;
        }
        *offset = n;
        return a;
    }

    if (A[0] < 0) {
        // A Rz(180 deg): columns 0 and 1 change sign.
        if (A == R) std::memcpy(M, R, sizeof M);
        for (int i = 0; i < 3; ++i) {
            M[3 * i + 0] = -M[3 * i + 0];
            M[3 * i + 1] = -M[3 * i + 1];
        }
        A = M;
        n += 2;
    }
    *offset = n;
    return f(A);
}
