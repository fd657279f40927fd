/*
 * VQ2D3D — coordinate transformations for photogrammetry and surveying.
 *
 *   2D similarity (Helmert) fits over six memory layouts     Hel2Dg___*, Hel2D___Hel2Dg_*
 *   2D polynomial transformation, degree 0..3                Trans_Polinomica2D___puntosxy_*, transforma_punto2D_*
 *   rotation matrices, angles, quarter-turn offsets, means   MatrizRot*, MatrizDeltafl_*, Gmatriz_*, Getoffset_matriz, Gmedio*
 *   7-parameter 3D similarity, 3x3 kernels                   Hel3Dg___ptr_*, convierte_en_R_*, VQinvsim3_*
 *
 * This header is the manual: every export's entry says what it computes, the
 * layout of its arguments, which pointers may be NULL, whether input and
 * output may overlap, the range and accuracy of its results and what
 * degenerate input gives.
 *
 * Conventions
 *   - Twins: _fl computes in single precision throughout (single-precision
 *     square roots too), _dbl runs the same operations in the same order in
 *     double; no product is fused with an addition. The exceptions are named
 *     in their entries: MatrizDeltafl_dbl and the correction equations of
 *     Hel3Dg___ptr_dbl work in single precision, Gmedio_pesos sums float
 *     weights. The rotation functions (MatrizRot*, Gmatriz_*, Getoffset_matriz,
 *     Gmedio*) are double only.
 *   - Bits: for given inputs every result is fixed bit for bit, except the
 *     sign and payload of NaNs. Results that pass through the C library's
 *     sin, cos, asin, acos or atan2 (MatrizRot_κωφ, MatrizRot_20, MatrizRot_28,
 *     Gmatriz_ωφκ_seg, Getoffset_matriz with it) are fixed only for a given C
 *     library: those functions are not correctly rounded everywhere. sqrt is.
 *   - Points: x, y (and z) consecutive values of the twin's type. The source
 *     set is the one a transformation maps from, the destination set the one
 *     it maps to.
 *   - Float coordinates carry 24 bits: 0.25 at 4e6, so reduce map-grid or
 *     geocentric coordinates to a local origin before using the _fl twins.
 *   - Pointers: none may be NULL unless its entry says so. Values of T and
 *     records must be aligned for their type (4 bytes for float, 8 for double
 *     and the double records), except the points of the 2D similarity
 *     estimators and of the polynomial fit and the point of the polynomial
 *     transform, which may lie at any byte address.
 *   - Nothing is validated and nothing is reported beyond the status codes of
 *     Hel3Dg___ptr_*: degenerate input gives IEEE infinities and NaNs, as each
 *     entry lists.
 *   - No state, no threads, no output; the only allocation is the work buffer
 *     of Hel3Dg___ptr_*. Every function is reentrant; concurrent calls must
 *     not share memory that one of them writes.
 *
 * Rotations
 *   A 3x3 matrix is nine values row by row, element (i, j) at 3i + j, applied
 *   to column vectors: (R x)_i = sum_j R[i][j] x_j. Rx(a), Ry(a), Rz(a) turn a
 *   vector counterclockwise (right-hand rule) about x, y and z:
 *     Rx(a) = (1, 0, 0; 0, cos a, -sin a; 0, sin a, cos a), Ry, Rz likewise.
 *   omega turns about x, fi about y, kappa about z, in radians. A name's order
 *   of letters is the order in which the turns are applied about the fixed
 *   axes, so its first letter is the rightmost factor: omega-fi-kappa is
 *   R = Rz(kappa) Ry(fi) Rx(omega). For small angles R = I + [(omega, fi,
 *   kappa)]x, rows (1, -kappa, fi), (kappa, 1, -omega), (-fi, omega, 1).
 *   Compared with PROJ's Helmert transformation, which applies X' = T + s R X
 *   with angles rx, ry, rz (in arc seconds there):
 *     - convention=coordinate_frame: PROJ's exact R is Rz(-rz) Ry(-ry) Rx(-rx),
 *       which is MatrizRotGT_ωφκ of (omega, fi, kappa) = (-rx, -ry, -rz);
 *     - convention=position_vector: PROJ's R is the transpose of that,
 *       Rx(rx) Ry(ry) Rz(rz); its small-angle form is the one above with
 *       (omega, fi, kappa) = (rx, ry, rz), exactly as PROJ writes it, and for
 *       finite angles it differs from Rz Ry Rx in the order of the factors.
 *   So position-vector angles keep their signs here and coordinate-frame angles
 *   change sign. The R of Hel3Dg___ptr_* is applied like PROJ's R, to the
 *   (centred) source point.
 *
 * Constants that decide behaviour, each named once here with its reason
 *   0.9                 Gmatriz_ωφκ_seg: from |sin fi| >= 0.9 (|fi| >= 64.158 deg)
 *                       on, kappa and omega are taken as a coupled pair. There
 *                       cos fi <= 0.436 scales the elements that the separate
 *                       atan2 read, and only kappa - omega (fi > 0) or
 *                       kappa + omega (fi < 0) stays well determined; below it
 *                       asin and the two atan2 are well conditioned. The bound
 *                       also keeps the acos argument inside [-1, 1] for any
 *                       matrix that is a rotation to rounding.
 *   -0.8                Gmatriz_24_seg: from trace <= -0.8 (a turn of 154.158 deg
 *                       or more) on, twice the quaternion's scalar part,
 *                       sqrt(1 + trace) <= 0.447, is too small to divide the
 *                       skew part by, and each component is taken from the
 *                       diagonal instead.
 *   1e-5, 4 passes      Hel3Dg___ptr_*: the Newton passes stop once the squared
 *                       correction |theta|^2 of a pass is below the
 *                       single-precision constant 1e-5 (9.99999974738e-06,
 *                       |theta| < 3.2e-3 rad): the rotation has then converged
 *                       as far as the single-precision correction equations
 *                       resolve it (see the accuracy of Hel3Dg___ptr_*). At
 *                       most 4 passes bound the work at 4 more reads of the
 *                       pairs; reaching the limit is not reported.
 *   9 pairs             Hel3Dg___ptr_*: the general start estimates the nine
 *                       elements of a linear map and is used only from 9 pairs
 *                       on, as many pairs as elements; with fewer the request
 *                       is ignored and the planimetric start is used.
 *   6.283185307179597   the full turn that Gmatriz_ωφκ_seg and Gmedio* add or
 *                       subtract when they wrap an angle. It is 12 units in the
 *                       last place (1.1e-14) above 2 pi = 6.283185307179586 and
 *                       is kept because results are fixed to its bits; so a
 *                       wrapped angle can lie up to 1.1e-14 beyond +-pi.
 *   pi/2                Getoffset_matriz with Gmatriz_ωφκ_seg: the |kappa| bound
 *                       beyond which a half turn is taken out.
 *
 * Greek letters: the exports MatrizRotGT_ωφκ, MatrizRotGT_κωφ, MatrizRotGT_κwκ
 * (a Latin w), MatrizRot_κωφ and Gmatriz_ωφκ_seg have UTF-8 names. Compilers
 * with GNU asm labels (GCC, Clang) also see the ASCII spellings MatrizRotGT_opk,
 * MatrizRotGT_kop, MatrizRotGT_kwk, MatrizRot_kop and Gmatriz_opk_seg, bound to
 * the same symbols: the same functions at the same addresses, no other
 * exports. Define VQ2D3D_ASCII_NAMES_ONLY before including this header (or use
 * GCC before 10, which is detected) to hide the UTF-8 names.
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

/* UTF-8 identifiers: GCC reads them from version 10 on. */
#if !defined(VQ2D3D_ASCII_NAMES_ONLY) && \
    !(defined(__GNUC__) && !defined(__clang__) && __GNUC__ < 10)
#  define VQ2D3D_UTF8_NAMES 1
#else
#  define VQ2D3D_UTF8_NAMES 0
#endif
/* An ASCII declaration bound to the symbol of a UTF-8 name (ELF: no prefix). */
#if defined(__GNUC__) || defined(__clang__)
#  define VQ2D3D_SAME_SYMBOL_AS(utf8_name) __asm__(utf8_name)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------ */
/* Records                                                                   */
/* ------------------------------------------------------------------------ */

/* 2D similarity, centroid form (seven values of T, nothing else):
 *   x' = xm_destino + escala*(cos_giro*(x - xm_origen) - sen_giro*(y - ym_origen))
 *   y' = ym_destino + escala*(sen_giro*(x - xm_origen) + cos_giro*(y - ym_origen))
 * The turn is counterclockwise from source to destination (x toward y);
 * only its cosine and sine are kept. */
typedef struct Hel2Dg_fl {
    float xm_origen, ym_origen, xm_destino, ym_destino, escala, cos_giro, sen_giro;
} Hel2Dg_fl;
typedef struct Hel2Dg_dbl {
    double xm_origen, ym_origen, xm_destino, ym_destino, escala, cos_giro, sen_giro;
} Hel2Dg_dbl;

/* 2D similarity, translation form (five values of T):
 *   destination = escala * R(giro) * (source - (tx, ty)),
 * R(giro) with rows (cos_giro, -sen_giro), (sen_giro, cos_giro); (tx, ty) is
 * the source point that maps onto the destination origin. */
typedef struct Hel2D_fl {
    float tx, ty, escala, cos_giro, sen_giro;
} Hel2D_fl;
typedef struct Hel2D_dbl {
    double tx, ty, escala, cos_giro, sen_giro;
} Hel2D_dbl;

/* 2D polynomial transformation. With dx = x - xm_origen, dy = y - ym_origen:
 *   X = x0_destino + sum_k coef_x[k] m_k,   Y = y0_destino + sum_k coef_y[k] m_k,
 * monomials m = dx, dy, dx^2, dx dy, dy^2, dx^3, dx^2 dy, dx dy^2, dy^3.
 * tipo: 0 centroids only, 1 rotation and shift, 2 similarity, 3 affine,
 * 6 degree 2, 7 degree 3; 4 and 5 are fitted and applied as the affine model
 * and keep their code; above 7 the fit stores 7. */
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

/* Angles omega (about x), fi (about y), kappa (about z) in radians; the
 * parameter builders and Gmatriz_24_seg read the same three values as a
 * vector with x, y, z components. */
typedef struct Angulos {
    double omega, fi, kappa;
} Angulos;

/* Single-precision form of Angulos: the correction taken by MatrizDeltafl_*. */
typedef struct Angulos_fl {
    float omega, fi, kappa;
} Angulos_fl;

/* Sines and cosines of omega, fi, kappa, used as given: a pair that is not
 * the sine and cosine of one angle gives a matrix that is not a rotation. */
typedef struct SenCos {
    double sen_omega, cos_omega, sen_fi, cos_fi, sen_kappa, cos_kappa;
} SenCos;

/* Weights of one angle triple for Gmedio_pesos. */
typedef struct Pesos {
    float peso_omega, peso_fi, peso_kappa;
} Pesos;

/* 3D similarity, centroid form (sixteen values of T):
 *   destination = (xm_destino, ym_destino, zm_destino)
 *                 + escala * R * (source - (xm_origen, ym_origen, zm_origen)),
 * R row by row. */
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

/* An extraction function for Getoffset_matriz: angles or parameters from the
 * nine values of a rotation matrix (read only). */
typedef Angulos (*FuncionGmatriz)(const double* R);

/* ------------------------------------------------------------------------ */
/* 2D similarity estimators                                                  */
/*                                                                           */
/* All six run one two-pass centroid fit and differ only in where pair i is   */
/* read; the same pairs in the same order give bit-identical records.         */
/*   first pass   centroids = (sums) * (1/n)                                  */
/*   second pass  over the centred points a_i (source) and b_i (destination):  */
/*                Qo = sum |a_i|^2, Qd = sum |b_i|^2, Sdot = sum a_i . b_i,   */
/*                Scross = sum a_i x b_i                                      */
/*   escala = sqrt(Qd / Qo): the ratio of the spreads, not the least-squares  */
/*            scale, so exchanging the sets gives the reciprocal (to rounding) */
/*   (cos_giro, sen_giro) = (Sdot, Scross) / sqrt(Sdot^2 + Scross^2): the     */
/*            least-squares rotation                                          */
/* Every sum runs in T in pair order. The inputs are only read, so source and */
/* destination may overlap. Points may lie at any byte address; a stride is a */
/* byte distance, any value: 0, odd, or "negative" (two's complement, a walk  */
/* toward lower addresses).                                                   */
/* Degenerate input:                                                          */
/*   n = 0          nothing is read, pointers may be NULL; all seven fields NaN */
/*   n = 1          centroids exact; escala, cos_giro, sen_giro NaN            */
/*   all source points equal, destination points not: escala +inf,            */
/*                  cos_giro and sen_giro NaN                                 */
/*   Sdot = Scross = 0 (for example a set mirrored symmetrically):            */
/*                  cos_giro and sen_giro NaN                                 */
/* ------------------------------------------------------------------------ */

/* Two arrays: source point i at src[2i], src[2i+1], its destination at
 * dst[2i], dst[2i+1]. */
VQ2D3D_API Hel2Dg_fl Hel2Dg___pp_fl(const float* src, const float* dst, uint32_t n);
VQ2D3D_API Hel2Dg_dbl Hel2Dg___pp_dbl(const double* src, const double* dst, uint32_t n);

/* Interleaved pairs, 4n values: source x, y, destination x, y, next pair. */
VQ2D3D_API Hel2Dg_fl Hel2Dg___p_fl(const float* pares, uint32_t n);
VQ2D3D_API Hel2Dg_dbl Hel2Dg___p_dbl(const double* pares, uint32_t n);

/* One walk: source point i at (2i)*stride bytes from inicio, its destination
 * one stride after it. */
VQ2D3D_API Hel2Dg_fl Hel2Dg___g_fl(const float* inicio, uint64_t stride, uint32_t n);
VQ2D3D_API Hel2Dg_dbl Hel2Dg___g_dbl(const double* inicio, uint64_t stride, uint32_t n);

/* Two walks with one stride: source point i at i*stride bytes from src,
 * destination point i at i*stride bytes from dst. With stride 3 values, x and
 * y of (x, y, z) records are used and z is never read. */
VQ2D3D_API Hel2Dg_fl Hel2Dg___gg_fl(const float* src, const float* dst, uint64_t stride, uint32_t n);
VQ2D3D_API Hel2Dg_dbl Hel2Dg___gg_dbl(const double* src, const double* dst, uint64_t stride, uint32_t n);

/* Two walks with a stride each: source point i at i*stride_src bytes from
 * src, destination point i at i*stride_dst bytes from dst. */
VQ2D3D_API Hel2Dg_fl Hel2Dg___mixed_fl(const float* src, uint64_t stride_src,
                                       const float* dst, uint64_t stride_dst, uint32_t n);
VQ2D3D_API Hel2Dg_dbl Hel2Dg___mixed_dbl(const double* src, uint64_t stride_src,
                                         const double* dst, uint64_t stride_dst, uint32_t n);

/* Pair pointers: puntos[2i] points at source point i, puntos[2i+1] at its
 * destination (the pointer array itself aligned for pointers). The array is
 * read afresh in each pass; points may be shared between pairs. */
VQ2D3D_API Hel2Dg_fl Hel2Dg___ptr_fl(const float* const* puntos, uint32_t n);
VQ2D3D_API Hel2Dg_dbl Hel2Dg___ptr_dbl(const double* const* puntos, uint32_t n);

/* Centroid form to translation form, record by value:
 *   a = cos_giro / escala, b = sen_giro / escala,
 *   tx = (xm_origen - a xm_destino) - b ym_destino,
 *   ty = (ym_origen + b xm_destino) - a ym_destino,
 * escala, cos_giro, sen_giro copied. escala 0 gives infinite or NaN tx, ty;
 * NaN fields give NaN translations. */
VQ2D3D_API Hel2D_fl Hel2D___Hel2Dg_fl(Hel2Dg_fl g);
VQ2D3D_API Hel2D_dbl Hel2D___Hel2Dg_dbl(Hel2Dg_dbl g);

/* ------------------------------------------------------------------------ */
/* 2D polynomial transformation                                              */
/* ------------------------------------------------------------------------ */

/* Fits the model t->tipo to n pairs given as pair pointers (puntos[2i] ->
 * source point i, puntos[2i+1] -> its destination; points at any byte
 * address, only read).
 * [in,out] t  tipo in (stored back as 7 when above 7); every other field out.
 * Method: tipo 0 takes the two centroids (sums times 1/n) and zero
 * coefficients. Otherwise the 2D similarity of the pairs is fitted exactly as
 * Hel2Dg___ptr_* does (same bits); alpha, beta = escala*(cos_giro, sen_giro)
 * (tipo 1: the scale left out). tipo 1 and 2 write coef_x = (alpha, -beta),
 * coef_y = (beta, alpha). For tipo >= 3 what the similarity leaves, (DX - u,
 * DY - v) with u = alpha dx - beta dy, v = beta dx + alpha dy, is fitted by
 * least squares as polynomials in u, v with 3 (tipo 3, 4, 5), 6 (tipo 6) or
 * 10 (tipo 7) terms, through one packed normal matrix solved for both
 * coordinates by resuelve_sistema_sim_t_2_* of VQmatrices (its status is
 * ignored), and re-expanded in dx, dy into the record; x0_destino, y0_destino
 * then hold the image of the source centroid.
 * A set whose similarity rotation is undefined (Sdot = Scross = 0, e.g. a grid
 * mirrored symmetrically: rows counting down while northings count up) is
 * fitted for tipo >= 3 with no first-stage rotation (alpha = escala, beta = 0),
 * so the polynomial is still found; tipo 1 and 2 then give NaN coefficients.
 * Needs n >= 1 (tipo 0), two distinct source points (tipo 1, 2) and 3, 6 or 10
 * pairs in general position (tipo 3-5, 6, 7); otherwise, with no notice, the
 * record gets meaningless or non-finite values: n = 0 gives NaN centres (and
 * NaN coefficients but for tipo 0), too few pairs or collinear points a
 * singular normal matrix. The monomials are centred and turned but not
 * scaled, so the conditioning grows with the degree and the spread. Measured
 * on 30 pairs of exact cubic data, degree 3 reproduces them to the rounding
 * of the coordinates in float up to a spread of 1000 units (1e-2 at 10000),
 * and to 1e-12 in double.
 * puntos may be NULL when n = 0. t must not overlap the points. */
VQ2D3D_API void Trans_Polinomica2D___puntosxy_fl(Trans_Polinomica2D_fl* t,
                                                 const float* const* puntos, uint32_t n);
VQ2D3D_API void Trans_Polinomica2D___puntosxy_dbl(Trans_Polinomica2D_dbl* t,
                                                  const double* const* puntos, uint32_t n);

/* Maps one point in place through t (read only): dx = x - xm_origen,
 * dy = y - ym_origen, then
 *   X = x0_destino + ((cx0 dx + cx1 dy) + (cx2 dx^2 + cx3 dx dy + cx4 dy^2)
 *                   + (cx5 dx^3 + cx6 dx^2 dy + cx7 dx dy^2 + cx8 dy^3)),
 * each group summed left to right and added to the running sum in turn; the
 * quadratic group for tipo >= 6, the cubic one for tipo >= 7 (unsigned), other
 * coefficients ignored whatever they hold; Y likewise with coef_y.
 * [in,out] punto  x, y; any byte address; must not overlap t. */
VQ2D3D_API void transforma_punto2D_fl(const Trans_Polinomica2D_fl* t, float* punto);
VQ2D3D_API void transforma_punto2D_dbl(const Trans_Polinomica2D_dbl* t, double* punto);

/* ------------------------------------------------------------------------ */
/* Rotation matrices (double). Every builder writes all nine elements of R    */
/* without reading them and takes its record by value. Elements are exact to  */
/* a few units in the last place of the sines and cosines they are made of.   */
/* ------------------------------------------------------------------------ */

/* R = Rz(kappa) Ry(fi) Rx(omega) from given sines and cosines:
 *   (ck cf,  ck t - sk co,  ck u + sk so)
 *   (sk cf,  sk t + ck co,  sk u - ck so)      t = sf so, u = sf co
 *   (-sf,    cf so,         cf co)
 * ASCII spelling: MatrizRotGT_opk. */
#if VQ2D3D_UTF8_NAMES
VQ2D3D_API void MatrizRotGT_ωφκ(SenCos sc, double* R);
#endif
#ifdef VQ2D3D_SAME_SYMBOL_AS
VQ2D3D_API void MatrizRotGT_opk(SenCos sc, double* R)
    VQ2D3D_SAME_SYMBOL_AS("MatrizRotGT_\xcf\x89\xcf\x86\xce\xba");
#endif

/* R = Ry(fi) Rx(omega) Rz(kappa): kappa first, then omega, then fi; built as
 * MatrizRotGT_ωφκ of the pairs (kappa, omega, fi) with the axes relabelled
 * cyclically (R[i][j] = Q[(i+1)%3][(j+1)%3]). ASCII spelling: MatrizRotGT_kop. */
#if VQ2D3D_UTF8_NAMES
VQ2D3D_API void MatrizRotGT_κωφ(SenCos sc, double* R);
#endif
#ifdef VQ2D3D_SAME_SYMBOL_AS
VQ2D3D_API void MatrizRotGT_kop(SenCos sc, double* R)
    VQ2D3D_SAME_SYMBOL_AS("MatrizRotGT_\xce\xba\xcf\x89\xcf\x86");
#endif

/* z-x-z: R = Rz(k2) Rx(w) Rz(k1), the pairs read as k1, w, k2 from the
 * omega, fi and kappa slots of sc. ASCII spelling: MatrizRotGT_kwk. */
#if VQ2D3D_UTF8_NAMES
VQ2D3D_API void MatrizRotGT_κwκ(SenCos sc, double* R);
#endif
#ifdef VQ2D3D_SAME_SYMBOL_AS
VQ2D3D_API void MatrizRotGT_kwk(SenCos sc, double* R)
    VQ2D3D_SAME_SYMBOL_AS("MatrizRotGT_\xce\xbaw\xce\xba");
#endif

/* As MatrizRotGT_κωφ from angles (the C library's sin and cos of each),
 * bit for bit MatrizRotGT_κωφ of those sines and cosines.
 * ASCII spelling: MatrizRot_kop. */
#if VQ2D3D_UTF8_NAMES
VQ2D3D_API void MatrizRot_κωφ(Angulos a, double* R);
#endif
#ifdef VQ2D3D_SAME_SYMBOL_AS
VQ2D3D_API void MatrizRot_kop(Angulos a, double* R)
    VQ2D3D_SAME_SYMBOL_AS("MatrizRot_\xce\xba\xcf\x89\xcf\x86");
#endif

/* From a parameter vector v (omega, fi, kappa read as x, y, z) of a turn by
 * theta about the unit axis n, R = I + k [v]x^2 + m [v]x with s = |v|^2 formed
 * as (vx^2 + vy^2) + vz^2:
 *   _20  v = theta n (rotation vector)       k = (1 - cos r)/s, m = sin r / r, r = sqrt s
 *        v = 0 gives NaN in all nine elements (0/0, no special case).
 *   _24  v = 2 sin(theta/2) n                k = 1/2, m = sqrt(1 - s/4) >= 0
 *        (v/2 is the vector part of the unit quaternion with a non-negative
 *        scalar part); |v| = 2 is a half turn (m = 0, R symmetric); |v| > 2
 *        gives NaN off the diagonal and a finite diagonal.
 *   _26  v = 2 tan(theta/2) n (Cayley form)  k = 1/(2 + s/2), m = 2k
 *        a rotation for every finite v; no half turn is reachable.
 *   _28  per-axis angles a_i with sin(a_i/2) the i-th quaternion component
 *        (a turn of at most pi about one axis has its angle in that field),
 *        built from cos a_i and sin(a_i/2) instead of s; cos a1 + cos a2 +
 *        cos a3 < 1 gives NaN off the diagonal.
 * All four agree to first order with v ~ (omega, fi, kappa) for small turns.
 * _20 and _28 call the C library's sin and cos, _24 only sqrt, _26 neither. */
VQ2D3D_API void MatrizRot_20(Angulos v, double* R);
VQ2D3D_API void MatrizRot_24(Angulos v, double* R);
VQ2D3D_API void MatrizRot_26(Angulos v, double* R);
VQ2D3D_API void MatrizRot_28(Angulos v, double* R);

/* Increment rotation of a correction t: D = I + k [t]x^2 + 2k [t]x with
 * k = 1/(2 + |t|^2/2), the Cayley rotation (MatrizRot_26 of t): a turn by
 * 2 atan(|t|/2) about t, D v ~ v + t x v for small t. Computed in single
 * precision in both twins; _dbl widens the float terms into a double D and
 * forms the diagonal and skew sums in double. D is orthonormal to float
 * rounding (about 1e-7). t = (0, 0, 0) gives exactly I; a NaN component makes
 * the result and all of D NaN. Returns |t|^2 = (tx^2 + ty^2) + tz^2. */
VQ2D3D_API float MatrizDeltafl_fl(Angulos_fl theta, float* D);
VQ2D3D_API float MatrizDeltafl_dbl(Angulos_fl theta, double* D);

/* ------------------------------------------------------------------------ */
/* Angles from a matrix. R is read only and never checked for being a        */
/* rotation; far from one, asin and acos may see arguments beyond [-1, 1]     */
/* and give NaN.                                                              */
/* ------------------------------------------------------------------------ */

/* omega, fi, kappa with R = Rz(kappa) Ry(fi) Rx(omega) (the inverse of
 * MatrizRotGT_ωφκ). With s = -R[2][0] = sin fi:
 *   |s| < 0.9   fi = asin s, kappa = atan2(R[1][0], R[0][0]),
 *               omega = atan2(R[2][1], R[2][2]);
 *   |s| >= 0.9  (see 0.9 above) fi = +-acos sqrt(R[0][0]^2 + R[1][0]^2) with the
 *               sign of s; the coupled angle d (kappa - omega for s > 0,
 *               kappa + omega otherwise) from the upper 2x2 block by atan2; the
 *               separate atan2 estimates of kappa and omega are moved by equal
 *               halves of their (wrapped) disagreement with d, then wrapped.
 *               Where R[0][0] = R[1][0] = 0 or R[2][1] = R[2][2] = 0 exactly
 *               (fi = +-90 deg) the result is omega = 0, kappa = d.
 * Ranges: fi in [-pi/2, pi/2]; omega and kappa in [-pi, pi], or up to 1.1e-14
 * beyond after a wrap (see the full turn above).
 * Accuracy: the angles rebuild R to about 1e-13 per element on both sides of
 * the threshold. Calls the C library's asin, acos and atan2.
 * ASCII spelling: Gmatriz_opk_seg (the same function and address). */
#if VQ2D3D_UTF8_NAMES
VQ2D3D_API Angulos Gmatriz_ωφκ_seg(const double* R);
#endif
#ifdef VQ2D3D_SAME_SYMBOL_AS
VQ2D3D_API Angulos Gmatriz_opk_seg(const double* R)
    VQ2D3D_SAME_SYMBOL_AS("Gmatriz_\xcf\x89\xcf\x86\xce\xba_seg");
#endif

/* The MatrizRot_24 parameter vector v of R (twice the vector part of the unit
 * quaternion with non-negative scalar part), with t = trace:
 *   t > -0.8   v = (R[2][1] - R[1][2], R[0][2] - R[2][0], R[1][0] - R[0][1]) / sqrt(1 + t);
 *   t <= -0.8  (see -0.8 above) v_i = sqrt(2 R[i][i] + 1 - t), negative when
 *              the skew part says so (R[1][2] > R[2][1] for vx, and cyclically),
 *              0 when rounding makes the radicand negative. An exactly
 *              symmetric R (a half turn) gives non-negative components.
 * Range: |v| <= 2. The identity gives (0, 0, 0). Accuracy: v rebuilds R
 * through MatrizRot_24 to about 1e-12 per element. Only sqrt is called. */
VQ2D3D_API Angulos Gmatriz_24_seg(const double* R);

/* Takes quarter turns about z out of R and returns f of the rest:
 *   R = A Rz(n * 90 deg), n = *offset in 0..3 (bit 0 a quarter turn, bit 1 a
 *   half turn), and the result is f(A).
 * 1. If R[0][0] R[1][1] + R[0][1] R[1][0] < 0 (cos 2 kappa for a turn about z:
 *    kappa nearer +-90 deg than 0 or 180 deg), A = R Rz(-90 deg), n = 1.
 * 2. If f is Gmatriz_ωφκ_seg: the angles of A are taken, and when
 *    |kappa| > pi/2 (see pi/2 above) they are made those of A Rz(180 deg)
 *    (kappa -+ pi, omega and fi negated), n += 2. The returned |kappa| is then
 *    at most pi/2, and R = Rz(kappa) Ry(fi) Rx(omega) Rz(n 90 deg) to rounding.
 *    Any other f: if A[0][0] < 0, A = A Rz(180 deg) (columns 0 and 1
 *    negated), n += 2; then f(A).
 * f is recognised by its address alone. Gmatriz_ωφκ_seg and Gmatriz_opk_seg
 * are one symbol, and the dynamic linker gives it one canonical address in
 * the library and in every client, so passing either name selects step 2's
 * first branch. A caller's function that wraps Gmatriz_ωφκ_seg (to log, to
 * convert units...) has another address and takes the general branch: R = A
 * Rz(n 90 deg) still holds, but the angles are those of another path, equal
 * only to rounding, and where |kappa| lies near pi/2 the two branches may
 * choose different counts.
 * [in]  R       nine values, never written (the reduced matrix lives in a local copy).
 * [in]  f       not NULL.
 * [out] offset  not NULL, always written; must not overlap R. */
VQ2D3D_API Angulos Getoffset_matriz(const double* R, FuncionGmatriz f, int32_t* offset);

/* Component-wise means of n angle triples (radians, expected in (-pi, pi],
 * not normalised first), averaged across the +-pi seam. Each component is
 * summed in two groups: values > 0 and the rest (zero included). When both
 * are present and the positive group's mean exceeds the other's by more than
 * pi, the non-positive mean is moved up a full turn, the groups are joined
 * (SP + mN NN) / n, and a joined mean above pi is moved down a full turn
 * (see the full turn above). Example: {3.1, -3.1, 0} gives
 * (3.1 + (-1.55 + turn) * 2) / 3 - turn = -2.0944 (the zero counts with the
 * negative value; counted with 3.1 it would give +2.0944).
 * Range: [-pi - 1.1e-14, pi] for inputs in (-pi, pi]. n = 0 gives NaN in all
 * three components (angulos may then be NULL). Sums in double, in index order. */
VQ2D3D_API Angulos Gmedio(const Angulos* angulos, uint32_t n);
/* Weighted form: each value x with its weight w adds x*w (w widened to double)
 * to its group's sum and w to its group's weight sum, which is a float sum;
 * the joined mean divides by the float sum of the two weight sums. A group
 * whose weights sum to exactly zero counts as empty; all weights zero gives NaN.
 * Weights may be negative. n = 0 gives NaN (pointers may then be NULL). */
VQ2D3D_API Angulos Gmedio_pesos(const Angulos* angulos, uint32_t n, const Pesos* pesos);

/* ------------------------------------------------------------------------ */
/* 3D similarity                                                             */
/* ------------------------------------------------------------------------ */

/* Seven-parameter fit, destination ~ centroid_d + escala R (source - centroid_s).
 * [in,out] puntos  2n pointers: puntos[2i] -> source point i (x, y, z),
 *                  puntos[2i+1] -> its destination; may be NULL when n = 0.
 * [in]     n       number of pairs.
 * [out]    resultado  the record (not NULL).
 * [in]     aproximacion_afin  nonzero asks for the general start; ignored
 *                  below 9 pairs (see 9 pairs above).
 * [in]     reducir_en_sitio  nonzero: the points are overwritten with their
 *                  centred coordinates and no buffer is taken; they must then
 *                  be 2n distinct, non-overlapping points. Zero: the points are
 *                  only read (they may be shared) and a buffer of n*6 values
 *                  of T is taken from the heap and released before return.
 * [out]    cofactores  nine floats or NULL: the inverse normal matrix of the
 *                  last pass, symmetric, rows and columns for the correction
 *                  about x, y, z.
 * Returns 0, or -2 when the buffer cannot be had: then nothing at all is
 * written (record, cofactors, points).
 * Method: centroids are sums times 1/n; escala = sqrt(Sb / Sa), the ratio of
 * the spreads of the centred sets (not the least-squares scale; it does not
 * depend on the rotation, and exchanging the sets gives its reciprocal).
 * Start: the planimetric one is the rotation about z of the 2D similarity
 * of the x, y coordinates; the general one is the linear part K S^-1 of the
 * affine fit of destination on source, made a rotation by convierte_en_R_*.
 * Then Newton passes R <- D(theta) R with N theta = sum (R a') x b' and D
 * from MatrizDeltafl_* (see 1e-5, 4 passes above). Precision: the correction
 * equations (N, its inverse, theta, the stop test, cofactores) are single
 * precision in both twins; in _dbl each pair's term of the right-hand side is
 * formed in double and rounded to float, and N is summed from values rounded
 * to float; everything else is in T.
 * Accuracy, when the passes converge: R agrees with the least-squares rotation
 * to about 5e-8 per element in _dbl, limited by its single-precision
 * corrections (1e-15 when the general start is already exact), and to about
 * 3e-7 in _fl. The planimetric start converges for tilts of a few tenths of a
 * radian; for larger tilts ask for the general start: a quarter turn about x
 * is out of the planimetric start's reach, and after 4 passes R is wrong while
 * the status is still 0.
 * Degenerate input gives a non-finite record with status 0: n = 0 (NaN
 * centroids), all source points equal (escala +inf), p = q = 0 in the
 * planimetric start, a singular S in the general start (e.g. all source points
 * at one z: R all NaN), collinear points (N singular).
 * Points and the pointer array must be aligned for their type; resultado and
 * cofactores must not overlap the points. */
VQ2D3D_API int32_t Hel3Dg___ptr_fl(float* const* puntos, uint32_t n, Hel3Dg_fl* resultado,
                                   int32_t aproximacion_afin, int32_t reducir_en_sitio,
                                   float* cofactores);
VQ2D3D_API int32_t Hel3Dg___ptr_dbl(double* const* puntos, uint32_t n, Hel3Dg_dbl* resultado,
                                    int32_t aproximacion_afin, int32_t reducir_en_sitio,
                                    float* cofactores);

/* Turns a matrix near a scaled rotation into a proper rotation, in place.
 * Rows and columns are ranked by squared length; if the middle column is at
 * least as long as the middle row, columns are used, else rows. The longest
 * line is normalised, the middle one made orthogonal to it and normalised
 * with |w|^2 - (u.w)^2 (not recomputed), and the shortest line replaced by
 * the cross product of the two lines that follow it cyclically, so the
 * determinant is +1 even for a reflection (diag(1, 1, -1) becomes
 * diag(-1, 1, -1)). A rotation comes back to rounding, a positive multiple of
 * one as that rotation. A zero matrix, a zero longest line or a middle line
 * parallel to it gives infinities and NaN. [in,out] m: nine values. */
VQ2D3D_API void convierte_en_R_fl(float* m);
VQ2D3D_API void convierte_en_R_dbl(double* m);

/* In-place inverse of a symmetric 3x3 matrix: the upper triangle (positions
 * 0, 1, 2, 4, 5, 8) is read, all nine positions receive the symmetric
 * inverse. Elimination on the leading pivots in row order, no pivot search:
 * a zero pivot (e.g. m[0] = 0, even for an invertible matrix) gives NaN or
 * infinities everywhere; an indefinite matrix with nonzero pivots is inverted
 * all the same. Accuracy as VQinvsim_* of VQmatrices. [in,out] m: nine values. */
VQ2D3D_API void VQinvsim3_fl(float* m);
VQ2D3D_API void VQinvsim3_dbl(double* m);

#ifdef __cplusplus
}
#endif

#endif /* VQ2D3D_H */
