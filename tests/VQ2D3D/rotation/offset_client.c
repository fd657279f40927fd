/* A client of the shared library that hands the library's own extraction
 * function to Getoffset_matriz, by its ASCII spelling Gmatriz_opk_seg (the
 * same symbol as Gmatriz_ωφκ_seg). The address it passes is the one this
 * executable sees (a PLT slot in a position-dependent program, the library's
 * address in a PIE); the library must recognise it either way and take its
 * dedicated half-turn path. On inputs where rounding tells the two paths
 * apart, the result must be the dedicated path's bits, not the generic ones. */
#define VQ2D3D_ASCII_NAMES_ONLY
#include <VQ2D3D.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

static const double kPi = 3.141592653589793;

/* Same extraction under another address: Getoffset_matriz treats it generically. */
static Angulos through_wrapper(const double* R) { return Gmatriz_opk_seg(R); }

/* The dedicated path: quarter turn taken out by the caller's count, angles of
 * the remainder relabelled by a half turn. */
static Angulos expected_for(const double* R, int32_t n) {
    double M[9];
    Angulos a;
    int i;
    memcpy(M, R, sizeof M);
    if (n & 1)
        for (i = 0; i < 3; ++i) {
            M[3 * i] = -R[3 * i + 1];
            M[3 * i + 1] = R[3 * i];
        }
    a = Gmatriz_opk_seg(M);
    if (n & 2) {
        a.kappa = a.kappa >= 0 ? a.kappa - kPi : a.kappa + kPi;
        a.omega = -a.omega;
        a.fi = -a.fi;
    }
    return a;
}

int main(void) {
    int checked = 0, differing = 0, failures = 0;
    int kappa_deg, omega_deg;
    FuncionGmatriz own = &Gmatriz_opk_seg;
    for (kappa_deg = 95; kappa_deg < 180; ++kappa_deg)
        for (omega_deg = -80; omega_deg <= 80; omega_deg += 7) {
            const double omega = omega_deg * kPi / 180, fi = 0.8, kappa = kappa_deg * kPi / 180;
            const SenCos sc = {sin(omega), cos(omega), sin(fi), cos(fi), sin(kappa), cos(kappa)};
            double R[9];
            int32_t n = -1, n_generic = -1;
            Angulos a, g, e;
            MatrizRotGT_opk(sc, R);
            a = Getoffset_matriz(R, own, &n);
            g = Getoffset_matriz(R, through_wrapper, &n_generic);
            if (n < 2 || n != n_generic) continue;
            e = expected_for(R, n);
            ++checked;
            if (memcmp(&a, &e, sizeof a) != 0) {
                printf("kappa %d omega %d: generic path taken for the library's function\n",
                       kappa_deg, omega_deg);
                ++failures;
            }
            if (memcmp(&g, &e, sizeof g) != 0) ++differing;
        }
    printf("%d half-turn cases, %d where the paths differ in rounding\n", checked, differing);
    if (differing == 0) {
        printf("no input separates the two paths: the check proves nothing\n");
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
