// The seven-parameter 3D similarity estimator behind Hel3Dg___ptr_fl/_dbl,
// written once over the element type T of the points and the record.
#pragma once

#include <cstdint>

#include "records.hpp"

namespace vq {

// Status returned when the work buffer of reduced coordinates cannot be had.
constexpr int32_t kNoWorkBuffer = -2;

// Refinement stops once the squared correction falls below this float value,
// or after kMaxRefinementPasses passes.
constexpr float kStopSquaredCorrection = 1e-5f;
constexpr int kMaxRefinementPasses = 4;

// Fits destination ~ centroid_d + escala * R * (source - centroid_s) to the n
// pairs puntos[2i] -> puntos[2i+1] (three values each). Returns 0 or
// kNoWorkBuffer; in the latter case nothing has been written. When passes is
// not null it receives the number of refinement passes run (0 on failure).
template <class T>
int32_t fit_similarity3d(T* const* puntos, uint32_t n, Hel3Dg_t<T>* resultado,
                         int32_t aproximacion_afin, int32_t reducir_en_sitio,
                         float* cofactores, int* passes);

extern template int32_t fit_similarity3d<float>(float* const*, uint32_t, Hel3Dg_fl*, int32_t,
                                                int32_t, float*, int*);
extern template int32_t fit_similarity3d<double>(double* const*, uint32_t, Hel3Dg_dbl*, int32_t,
                                                 int32_t, float*, int*);

}  // namespace vq
