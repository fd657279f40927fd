// The same headers from C++: extern "C" linkage and the records as plain data.
#include <VQ2D3D.h>
#include <VQmatrices.h>

#include <cstdio>
#include <type_traits>

static_assert(std::is_standard_layout<Hel2Dg_dbl>::value, "record must be plain data");
static_assert(sizeof(Hel2Dg_fl) == 7 * sizeof(float), "Hel2Dg_fl holds exactly seven floats");
static_assert(sizeof(Hel2D_dbl) == 5 * sizeof(double), "Hel2D_dbl holds exactly five doubles");
static_assert(sizeof(Hel3Dg_dbl) == 16 * sizeof(double), "Hel3Dg_dbl holds exactly sixteen doubles");
static_assert(sizeof(Trans_Polinomica2D_dbl) == 8 + 22 * sizeof(double), "tipo, then 22 doubles");
static_assert(sizeof(Trans_Polinomica2D_fl) == 4 + 22 * sizeof(float), "tipo, then 22 floats");
static_assert(sizeof(SenCos) == 6 * sizeof(double) && sizeof(Pesos) == 3 * sizeof(float), "");

int main() {
    float a[1] = {4.0f};
    if (VQinvsim_cho_fl(a, 1) != 0 || a[0] != 0.25f) return 1;
    Angulos v{0, 0, 0};
    double R[9];
    MatrizRot_26(v, R);
    if (R[0] != 1 || R[4] != 1 || R[8] != 1 || R[1] != 0) return 1;
    std::puts("cpp_client: all checks passed");
    return 0;
}
