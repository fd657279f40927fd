/* A C99 client that sees only the ASCII spellings of the Greek-lettered
 * exports (VQ2D3D_ASCII_NAMES_ONLY hides the UTF-8 names): each is callable
 * and is the function of its Greek name. */
#define VQ2D3D_ASCII_NAMES_ONLY
#include <VQ2D3D.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

static int failures = 0;
#define CHECK(cond)                                                          \
    do {                                                                     \
        if (!(cond)) {                                                       \
            printf("%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            failures++;                                                      \
        }                                                                    \
    } while (0)

static int equal_matrix(const double* a, const double* b) {
    int i;
    for (i = 0; i < 9; ++i)
        if (a[i] != b[i]) return 0;
    return 1;
}

int main(void) {
    const double omega = 0.4, fi = -1.1, kappa = 2.7;
    const SenCos sc = {sin(omega), cos(omega), sin(fi), cos(fi), sin(kappa), cos(kappa)};
    const SenCos quarter_z = {0, 1, 0, 1, 1, 0}; /* kappa = 90 deg */
    const SenCos quarter_x = {1, 0, 0, 1, 0, 1}; /* omega = 90 deg */
    const double Rz90[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
    const double Rx90[9] = {1, 0, 0, 0, 0, -1, 0, 1, 0};
    double R[9], Q[9];
    Angulos a;
    int32_t offset = -1;
    int i;

    MatrizRotGT_opk(quarter_z, R);
    CHECK(equal_matrix(R, Rz90));
    MatrizRotGT_kop(quarter_x, R);
    CHECK(equal_matrix(R, Rx90));
    MatrizRotGT_kwk(quarter_x, R); /* the omega slot holds the first kappa */
    CHECK(equal_matrix(R, Rz90));

    /* From angles: bit for bit the sine-cosine builder. */
    MatrizRot_kop((Angulos){omega, fi, kappa}, R);
    MatrizRotGT_kop(sc, Q);
    CHECK(memcmp(R, Q, sizeof R) == 0);

    /* Angles back from the omega-fi-kappa matrix. */
    MatrizRotGT_opk(sc, R);
    a = Gmatriz_opk_seg(R);
    CHECK(fabs(a.omega - omega) < 1e-13 && fabs(a.fi - fi) < 1e-13 && fabs(a.kappa - kappa) < 1e-13);

    /* Getoffset_matriz recognises the ASCII spelling as its own extraction:
     * kappa = 2.7 is beyond pi/2, so the half turn comes out of the angles. */
    a = Getoffset_matriz(R, Gmatriz_opk_seg, &offset);
    CHECK(offset == 2 && fabs(a.kappa) <= 1.5707963267948966);
    MatrizRotGT_opk((SenCos){sin(a.omega), cos(a.omega), sin(a.fi), cos(a.fi), sin(a.kappa), cos(a.kappa)}, Q);
    for (i = 0; i < 9; i += 3) CHECK(fabs(-Q[i] - R[i]) < 1e-13 && fabs(-Q[i + 1] - R[i + 1]) < 1e-13);

    if (failures == 0) puts("ascii_client: all checks passed");
    return failures == 0 ? 0 : 1;
}
