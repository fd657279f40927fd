/* Smallest client of the installed package: one call into each library. */
#include <VQ2D3D.h>
#include <VQmatrices.h>
#include <stdio.h>

int main(void) {
    double a[4] = {4, 2, 2, 3};
    const double src[4] = {0, 0, 1, 0}, dst[4] = {10, 20, 10, 22};
    Hel2Dg_dbl g;
    if (VQinvsim_dbl(a, 2) != 0 || a[0] != 0.375 || a[3] != 0.5) {
        puts("VQinvsim_dbl failed");
        return 1;
    }
    g = Hel2Dg___pp_dbl(src, dst, 2);
    if (g.escala != 2.0 || g.sen_giro != 1.0) {
        puts("Hel2Dg___pp_dbl failed");
        return 1;
    }
    puts("ok");
    return 0;
}
