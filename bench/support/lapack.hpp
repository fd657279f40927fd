// The LAPACK routines the matrix kernels are compared with, called through
// OpenBLAS's Fortran interface: every argument by address, column-major
// storage, and the hidden length of each character argument at the end.
#pragma once

#include <cstddef>

extern "C" {
void dpotrf_(const char* uplo, const int* n, double* a, const int* lda, int* info, std::size_t);
void dpotri_(const char* uplo, const int* n, double* a, const int* lda, int* info, std::size_t);
void spotrf_(const char* uplo, const int* n, float* a, const int* lda, int* info, std::size_t);
void spotri_(const char* uplo, const int* n, float* a, const int* lda, int* info, std::size_t);
void dppsv_(const char* uplo, const int* n, const int* nrhs, double* ap, double* b,
            const int* ldb, int* info, std::size_t);
void sppsv_(const char* uplo, const int* n, const int* nrhs, float* ap, float* b,
            const int* ldb, int* info, std::size_t);
}

namespace vq_bench::lapack {

// Cholesky factor then inverse from it (one triangle of the result is written).
inline int potrf_potri(double* a, int n) {
    int info = 0;
    dpotrf_("U", &n, a, &n, &info, 1);
    if (info == 0) dpotri_("U", &n, a, &n, &info, 1);
    return info;
}
inline int potrf_potri(float* a, int n) {
    int info = 0;
    spotrf_("U", &n, a, &n, &info, 1);
    if (info == 0) spotri_("U", &n, a, &n, &info, 1);
    return info;
}

// Packed solve; our packed lower triangle row by row is LAPACK's packed upper
// triangle column by column, so both read the same array.
inline int ppsv(double* ap, double* b, int n, int nrhs) {
    int info = 0;
    dppsv_("U", &n, &nrhs, ap, b, &n, &info, 1);
    return info;
}
inline int ppsv(float* ap, float* b, int n, int nrhs) {
    int info = 0;
    sppsv_("U", &n, &nrhs, ap, b, &n, &info, 1);
    return info;
}

}  // namespace vq_bench::lapack
