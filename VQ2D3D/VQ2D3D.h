/*
 * VQ2D3D — coordinate transformations for photogrammetry and surveying.
 *
 *   2D similarity (Helmert) fits over six memory layouts     Hel2Dg___*, Hel2D___Hel2Dg_*
 *   2D polynomial transformation, degree 0..3                Trans_Polinomica2D___puntosxy_*, transforma_punto2D_*
 *   rotation matrices, angles, quarter-turn offsets, means   MatrizRot*, MatrizDeltafl_*, Gmatriz_*, Getoffset_matriz, Gmedio*
 *   7-parameter 3D similarity, 3x3 kernels                   Hel3Dg___ptr_*, convierte_en_R_*, VQinvsim3_*
 *
 * Conventions
 *   - _fl twins compute in single precision throughout, _dbl twins run the
 *     same operations in the same order in double; no fused multiply-add.
 *     Exceptions: MatrizDeltafl_dbl and the rotation-correction equations of
 *     Hel3Dg___ptr_dbl work in single precision; Gmedio_pesos sums float weights.
 *   - A point is x, y (and z) consecutive. A "source" set is the one a
 *     transformation maps from, the "destination" set the one it maps to.
 *   - A 3x3 matrix is nine values row by row, element (i, j) at 3i + j, and is
 *     applied to column vectors. Rx, Ry, Rz turn counterclockwise about x, y, z.
 *   - Nothing is validated and nothing is reported beyond the status codes
 *     named below: degenerate input gives IEEE infinities and NaNs.
 *   - No state, no threads, no allocation except the 3D estimator's one work
 *     buffer; every function is reentrant.
 */
#ifndef VQ2D3D_H
#define VQ2D3D_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(VQ2D3D_BUILDING)
#    define VQ2D3D_API __declspec(dllexport)
#  else
#    define VQ2D3D_API __declspec(dllimport)
#  endif
#else
#  define VQ2D3D_API __attribute__((visibility("default")))
#endif

#define VQ2D3D_VERSION_MAJOR 1
#define VQ2D3D_VERSION_MINOR 0
#define VQ2D3D_VERSION_PATCH 0

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------ */
/* Records                                                                   */
/* ------------------------------------------------------------------------ */

/* 2D similarity, centroid form:
 *   x' = xm_destino + escala*(cos_giro*(x - xm_origen) - sen_giro*(y - ym_origen))
 *   y' = ym_destino + escala*(sen_giro*(x - xm_origen) + cos_giro*(y - ym_origen))
 * escala = sqrt(Qd/Qo), the ratio of the spreads of the two centred sets. */
typedef struct Hel2Dg_fl {
    float xm_origen, ym_origen, xm_destino, ym_destino, escala, cos_giro, sen_giro;
} Hel2Dg_fl;
typedef struct Hel2Dg_dbl {
    double xm_origen, ym_origen, xm_destino, ym_destino, escala, cos_giro, sen_giro;
} Hel2Dg_dbl;

/* 2D similarity, translation form: destination = escala * R(giro) * (source - (tx, ty)). */
typedef struct Hel2D_fl {
    float tx, ty, escala, cos_giro, sen_giro;
} Hel2D_fl;
typedef struct Hel2D_dbl {
    double tx, ty, escala, cos_giro, sen_giro;
} Hel2D_dbl;

/* 2D polynomial transformation. With dx = x - xm_origen, dy = y - ym_origen:
 *   X = x0_destino + sum coef_x[k]*m_k,  Y = y0_destino + sum coef_y[k]*m_k,
 * monomials m = dx, dy, dx^2, dx*dy, dy^2, dx^3, dx^2*dy, dx*dy^2, dy^3.
 * tipo: 0 centroids only, 1 rotation+shift, 2 similarity, 3 affine,
 * 6 degree 2, 7 degree 3 (above 7 is stored back as 7); 4 and 5 are fitted
 * as the affine model. */
typedef struct Trans_Polinomica2D_fl {
    uint32_t tipo;
    float xm_origen, ym_origen, x0_destino, y0_destino;
    float coef_x[9], coef_y[9];
} Trans_Polinomica2D_fl;
typedef struct Trans_Polinomica2D_dbl {
    uint32_t tipo;
    double xm_origen, ym_origen, x0_destino, y0_destino;
    double coef_x[9], coef_y[9];
} Trans_Polinomica2D_dbl;

/* Angles omega (about x), fi (about y), kappa (about z) in radians, or a
 * rotation parameter vector (x, y, z components) for MatrizRot_2x. */
typedef struct Angulos {
    double omega, fi, kappa;
} Angulos;

/* Single-precision form of Angulos: the small correction taken by
 * MatrizDeltafl_* (passed by value as one struct). */
typedef struct Angulos_fl {
    float omega, fi, kappa;
} Angulos_fl;

/* Sines and cosines of omega, fi, kappa, used as given (never checked). */
typedef struct SenCos {
    double sen_omega, cos_omega, sen_fi, cos_fi, sen_kappa, cos_kappa;
} SenCos;

/* Weights of one angle triple for Gmedio_pesos. */
typedef struct Pesos {
    float peso_omega, peso_fi, peso_kappa;
} Pesos;

/* 3D similarity, centroid form:
 *   destination ~ destino centroid + escala * R * (source - origen centroid). */
typedef struct Hel3Dg_fl {
    float xm_origen, ym_origen, zm_origen, xm_destino, ym_destino, zm_destino;
    float escala;
    float R[9];
} Hel3Dg_fl;
typedef struct Hel3Dg_dbl {
    double xm_origen, ym_origen, zm_origen, xm_destino, ym_destino, zm_destino;
    double escala;
    double R[9];
} Hel3Dg_dbl;

/* An extraction function for Getoffset_matriz: angles or parameters from a
 * rotation matrix (Gmatriz_ωφκ_seg, Gmatriz_24_seg or one of the caller's). */
typedef Angulos (*FuncionGmatriz)(const double* R);

/* ------------------------------------------------------------------------ */
/* 2D similarity estimators. All run one two-pass centroid fit and differ     */
/* only in where pair i is read: the same pairs in the same order give        */
/* bit-identical records. n = 0 reads nothing and gives all fields NaN;       */
/* n = 1 gives NaN scale and rotation. Strides are byte distances, may be     */
/* negative in two's complement, and points need not be aligned.              */
/* ------------------------------------------------------------------------ */

/* Source points in src[2i], src[2i+1], destination points in dst[2i], dst[2i+1]. */
VQ2D3D_API Hel2Dg_fl Hel2Dg___pp_fl(const float* src, const float* dst, uint32_t n);
VQ2D3D_API Hel2Dg_dbl Hel2Dg___pp_dbl(const double* src, const double* dst, uint32_t n);

/* Interleaved pairs: source x, y, destination x, y, next pair (4n values). */
VQ2D3D_API Hel2Dg_fl Hel2Dg___p_fl(const float* pares, uint32_t n);
VQ2D3D_API Hel2Dg_dbl Hel2Dg___p_dbl(const double* pares, uint32_t n);

/* One walk: source i at (2i)*stride bytes from start, its destination one stride later. */
VQ2D3D_API Hel2Dg_fl Hel2Dg___g_fl(const float* inicio, uint64_t stride, uint32_t n);
VQ2D3D_API Hel2Dg_dbl Hel2Dg___g_dbl(const double* inicio, uint64_t stride, uint32_t n);

/* Two walks with one stride: source i at i*stride bytes from src, destination i from dst. */
VQ2D3D_API Hel2Dg_fl Hel2Dg___gg_fl(const float* src, const float* dst, uint64_t stride, uint32_t n);
VQ2D3D_API Hel2Dg_dbl Hel2Dg___gg_dbl(const double* src, const double* dst, uint64_t stride, uint32_t n);

/* Two walks with a stride each. */
VQ2D3D_API Hel2Dg_fl Hel2Dg___mixed_fl(const float* src, uint64_t stride_src,
                                       const float* dst, uint64_t stride_dst, uint32_t n);
VQ2D3D_API Hel2Dg_dbl Hel2Dg___mixed_dbl(const double* src, uint64_t stride_src,
                                         const double* dst, uint64_t stride_dst, uint32_t n);

/* Pair pointers: puntos[2i] -> source point i, puntos[2i+1] -> its destination. */
VQ2D3D_API Hel2Dg_fl Hel2Dg___ptr_fl(const float* const* puntos, uint32_t n);
VQ2D3D_API Hel2Dg_dbl Hel2Dg___ptr_dbl(const double* const* puntos, uint32_t n);

/* Centroid form to translation form; escala, cos_giro, sen_giro are copied. */
VQ2D3D_API Hel2D_fl Hel2D___Hel2Dg_fl(Hel2Dg_fl g);
VQ2D3D_API Hel2D_dbl Hel2D___Hel2Dg_dbl(Hel2Dg_dbl g);

/* ------------------------------------------------------------------------ */
/* 2D polynomial transformation                                              */
/* ------------------------------------------------------------------------ */

/* Fits the model chosen by t->tipo to n pairs given as pair pointers (as
 * Hel2Dg___ptr_*): a 2D similarity, then for tipo >= 3 a least-squares
 * polynomial correction of what it leaves, folded back into t.
 * [in,out] t: tipo in (clamped to 7 above 7), everything out.
 * Needs n >= 1 (tipo 0), two distinct source points (1, 2), and 3 / 6 / 10
 * pairs in general position (3 / 6 / 7); otherwise fields may be non-finite.
 * tipo 4 and 5 are fitted as the affine model (3 terms) and keep their code.
 * For tipo >= 3, a point set whose similarity rotation is undefined (for
 * example a mirrored, symmetric set: rows counting down, northings up) is
 * fitted with no first-stage rotation, so the polynomial is still found; for
 * tipo 1 and 2 such a set gives non-finite coefficients. */
VQ2D3D_API void Trans_Polinomica2D___puntosxy_fl(Trans_Polinomica2D_fl* t,
                                                 const float* const* puntos, uint32_t n);
VQ2D3D_API void Trans_Polinomica2D___puntosxy_dbl(Trans_Polinomica2D_dbl* t,
                                                  const double* const* puntos, uint32_t n);

/* Maps one point in place through t: linear terms for every tipo, quadratic
 * ones for tipo >= 6, cubic ones for tipo >= 7; other coefficients are ignored. */
VQ2D3D_API void transforma_punto2D_fl(const Trans_Polinomica2D_fl* t, float* punto);
VQ2D3D_API void transforma_punto2D_dbl(const Trans_Polinomica2D_dbl* t, double* punto);

/* ------------------------------------------------------------------------ */
/* Rotation matrices (double). Every builder writes all nine elements of R    */
/* and takes its record by value (the caller's copy is never changed).       */
/* ------------------------------------------------------------------------ */

/* R = Rz(kappa) Ry(fi) Rx(omega), from given sines and cosines. */
VQ2D3D_API void MatrizRotGT_ωφκ(SenCos sc, double* R);
/* R = Ry(fi) Rx(omega) Rz(kappa): kappa first, then omega, then fi. */
VQ2D3D_API void MatrizRotGT_κωφ(SenCos sc, double* R);
/* z-x-z: R = Rz(k2) Rx(w) Rz(k1), pairs read as (k1, w, k2) in the
 * omega, fi, kappa slots of sc. */
VQ2D3D_API void MatrizRotGT_κwκ(SenCos sc, double* R);
/* As MatrizRotGT_κωφ, from angles. */
VQ2D3D_API void MatrizRot_κωφ(Angulos a, double* R);

/* From a parameter vector v (omega, fi, kappa read as x, y, z) for a turn by
 * theta about the unit axis n:
 *   _20: v = theta*n (rotation vector; v = 0 gives NaN)
 *   _24: v = 2 sin(theta/2) n (|v| <= 2; beyond, the off-diagonal is NaN)
 *   _26: v = 2 tan(theta/2) n (Cayley form; any finite v)
 *   _28: per-axis angles a_i with sin(a_i/2) the quaternion's vector part. */
VQ2D3D_API void MatrizRot_20(Angulos v, double* R);
VQ2D3D_API void MatrizRot_24(Angulos v, double* R);
VQ2D3D_API void MatrizRot_26(Angulos v, double* R);
VQ2D3D_API void MatrizRot_28(Angulos v, double* R);

/* Increment rotation D = I + k[t]x^2 + 2k[t]x, k = 1/(2 + |t|^2/2), computed
 * in single precision (the _dbl twin widens into a double D). Returns |t|^2. */
VQ2D3D_API float MatrizDeltafl_fl(Angulos_fl theta, float* D);
VQ2D3D_API float MatrizDeltafl_dbl(Angulos_fl theta, double* D);

/* ------------------------------------------------------------------------ */
/* Angles from a matrix                                                      */
/* ------------------------------------------------------------------------ */

/* omega, fi, kappa of R = Rz(kappa) Ry(fi) Rx(omega); near fi = +-90 deg
 * (|sin fi| >= 0.9) the coupled angle is split evenly between kappa and omega. */
VQ2D3D_API Angulos Gmatriz_ωφκ_seg(const double* R);
/* The MatrizRot_24 parameter vector of R; near a half turn (trace <= -0.8)
 * taken from the diagonal. */
VQ2D3D_API Angulos Gmatriz_24_seg(const double* R);
/* Takes n quarter turns about z out of R (R = A Rz(n*90 deg)), writes n (0..3)
 * to *offset and returns f applied to the remainder A. With f ==
 * Gmatriz_ωφκ_seg the returned |kappa| is at most pi/2. */
VQ2D3D_API Angulos Getoffset_matriz(const double* R, FuncionGmatriz f, int32_t* offset);

/* Component-wise means of n angle triples across the +-pi seam. n = 0 gives NaN. */
VQ2D3D_API Angulos Gmedio(const Angulos* angulos, uint32_t n);
/* Weighted form; a group whose weight sum is zero counts as empty. */
VQ2D3D_API Angulos Gmedio_pesos(const Angulos* angulos, uint32_t n, const Pesos* pesos);

/* ------------------------------------------------------------------------ */
/* 3D similarity                                                             */
/* ------------------------------------------------------------------------ */

/* Seven-parameter fit of n pairs given as pair pointers (puntos[2i] -> source
 * x, y, z; puntos[2i+1] -> destination). Scale from the spreads; rotation
 * from a planimetric start (or, with aproximacion_afin and n >= 9, from the
 * orthonormalised affine fit), refined by at most four Newton passes.
 * reducir_en_sitio != 0: the points are overwritten with their centred
 * coordinates and no buffer is taken; otherwise they are only read.
 * cofactores (nine floats, may be NULL): inverse normal matrix of the last pass.
 * Returns 0, or -2 when the work buffer (n*6 values) cannot be obtained, in
 * which case nothing at all has been written. n = 0 gives a non-finite record. */
VQ2D3D_API int32_t Hel3Dg___ptr_fl(float* const* puntos, uint32_t n, Hel3Dg_fl* resultado,
                                   int32_t aproximacion_afin, int32_t reducir_en_sitio,
                                   float* cofactores);
VQ2D3D_API int32_t Hel3Dg___ptr_dbl(double* const* puntos, uint32_t n, Hel3Dg_dbl* resultado,
                                    int32_t aproximacion_afin, int32_t reducir_en_sitio,
                                    float* cofactores);

/* Turns a matrix near a scaled rotation into a proper rotation in place:
 * Gram-Schmidt on the two longest rows or columns, the third by cross product. */
VQ2D3D_API void convierte_en_R_fl(float* m);
VQ2D3D_API void convierte_en_R_dbl(double* m);

/* In-place inverse of a symmetric 3x3 matrix (upper triangle read, no pivot search). */
VQ2D3D_API void VQinvsim3_fl(float* m);
VQ2D3D_API void VQinvsim3_dbl(double* m);

#ifdef __cplusplus
}
#endif

#endif /* VQ2D3D_H */
