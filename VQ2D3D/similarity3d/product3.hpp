// Product of two 3x3 matrices stored row by row, P = A * B.
//
// P is cleared first and then accumulated row of A by row, k = 0, 1, 2:
//     P[i][j] = ((0 + A[i][0] B[0][j]) + A[i][1] B[1][j]) + A[i][2] B[2][j].
// Because P is cleared before A and B are read, P must not overlap them.
#pragma once

namespace vq {

template <class T>
void multiplica3(const T* A, const T* B, T* P) {
    for (int e = 0; e < 9; ++e) P[e] = T(0);
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k) {
            const T a = A[3 * i + k];
            for (int j = 0; j < 3; ++j) P[3 * i + j] = P[3 * i + j] + a * B[3 * k + j];
        }
    }
}

}  // namespace vq
