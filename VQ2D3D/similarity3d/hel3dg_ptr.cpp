// Exported single- and double-precision 3D similarity estimators over an
// array of pair pointers (see similarity3d_fit.cpp for the method).
#include "VQ2D3D.h"
#include "similarity3d_fit.hpp"

int32_t Hel3Dg___ptr_fl(float* const* puntos, uint32_t n, Hel3Dg_fl* resultado,
                        int32_t aproximacion_afin, int32_t reducir_en_sitio, float* cofactores) {
    return vq::fit_similarity3d(puntos, n, resultado, aproximacion_afin, reducir_en_sitio,
                                cofactores, nullptr);
}

int32_t Hel3Dg___ptr_dbl(double* const* puntos, uint32_t n, Hel3Dg_dbl* resultado,
                         int32_t aproximacion_afin, int32_t reducir_en_sitio, float* cofactores) {
    return vq::fit_similarity3d(puntos, n, resultado, aproximacion_afin, reducir_en_sitio,
                                cofactores, nullptr);
}
