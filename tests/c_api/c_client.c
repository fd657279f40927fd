/* A C99 client: the public headers compile as C, the records cross the
 * boundary by value, and the Greek-lettered exports are callable by name. */
#include <VQ2D3D.h>
#include <VQmatrices.h>
#include <stdio.h>

static int failures = 0;
#define CHECK(cond)                                              \
    do {                                                         \
        if (!(cond)) {                                           \
            printf("%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            failures++;                                          \
        }                                                        \
    } while (0)

int main(void) {
    /* VQmatrices: rows (4, 2), (2, 3) invert exactly. */
    double a[4] = {4, 2, 2, 3};
    float pf[3] = {1, 2, 1}, bf[2] = {3, 3};
    CHECK(VQinvsim_pos_dbl(a, 2) == 0);
    CHECK(a[0] == 0.375 && a[1] == -0.25 && a[2] == -0.25 && a[3] == 0.5);
    CHECK(resuelve_sistema_sim_t_fl(pf, bf, 2) == 1);
    CHECK(bf[0] == 1.0f && bf[1] == 1.0f);

    /* 2D similarity worked example, then its translation form. */
    {
        const float src[4] = {0, 0, 1, 0}, dst[4] = {10, 20, 10, 22};
        Hel2Dg_fl g = Hel2Dg___pp_fl(src, dst, 2);
        Hel2D_fl t = Hel2D___Hel2Dg_fl(g);
        CHECK(g.xm_origen == 0.5f && g.ym_destino == 21.0f && g.escala == 2.0f);
        CHECK(g.cos_giro == 0.0f && g.sen_giro == 1.0f);
        CHECK(t.tx == -10.0f && t.ty == 5.0f);
    }

    /* Polynomial record, tipo 0: every point maps onto the centroid image. */
    {
        Trans_Polinomica2D_dbl t = {0};
        double p[2] = {5, 7};
        t.x0_destino = 1;
        t.y0_destino = 2;
        transforma_punto2D_dbl(&t, p);
        CHECK(p[0] == 1 && p[1] == 2);
    }

    /* Rotations: a quarter turn about z, and back. */
    {
        SenCos sc = {0, 1, 0, 1, 1, 0};
        double R[9];
        Angulos a;
        Angulos_fl th = {0, 0, 2};
        float D[9];
        int32_t offset = -1;
        MatrizRotGT_ωφκ(sc, R);
        CHECK(R[1] == -1 && R[3] == 1 && R[8] == 1);
        a = Getoffset_matriz(R, Gmatriz_ωφκ_seg, &offset);
        CHECK(offset == 1 && a.kappa == 0);
        CHECK(MatrizDeltafl_fl(th, D) == 4.0f && D[1] == -1.0f && D[3] == 1.0f);
        (void)MatrizRotGT_κωφ;
        (void)MatrizRotGT_κwκ;
        (void)MatrizRot_κωφ;
        (void)Gmatriz_24_seg;
    }

    /* Angle means across the seam. */
    {
        Angulos v[2] = {{0.5, 3.0, -1.0}, {-0.5, -0.1, 0.0}};
        Angulos m = Gmedio(v, 2);
        CHECK(m.omega == 0.0 && m.fi > 1.449 && m.fi < 1.451 && m.kappa == -0.5);
    }

    /* 3x3 kernels. */
    {
        double m[9] = {4, 2, 0, 99, 3, 1, 99, 99, 2};
        double two[9] = {2, 0, 0, 0, 2, 0, 0, 0, 2};
        VQinvsim3_dbl(m);
        CHECK(m[4] > 0.666 && m[4] < 0.667 && m[3] == m[1]);
        convierte_en_R_dbl(two);
        CHECK(two[0] == 1 && two[4] == 1 && two[8] == 1);
    }

    if (failures == 0) puts("c_client: all checks passed");
    return failures == 0 ? 0 : 1;
}
