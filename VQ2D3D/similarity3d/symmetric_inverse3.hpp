// In-place inverse of a symmetric 3x3 matrix, nine values row by row
// (m[i][j] at 3i + j). Only the upper triangle (positions 0, 1, 2, 4, 5, 8) is
// read; all nine positions hold the symmetric inverse afterwards.
//
// Gaussian elimination on the leading pivots in row order, without pivot
// search: the pivots become their reciprocals and the negated multipliers go
// to the lower triangle, then the inverse is rebuilt from the last row up and
// mirrored. A zero pivot is not tested and yields infinities or NaN.
#pragma once

namespace vq {

template <class T>
void invert_symmetric3(T* m) {
    // The eighteen assignments below fix the rounding: keep their order.
    // Forward elimination.
    m[0] = T(1) / m[0];
    m[3] = (-m[0]) * m[1];
    m[6] = (-m[0]) * m[2];
    m[4] = m[4] + m[1] * m[3];
    m[5] = m[5] + m[1] * m[6];
    m[8] = m[8] + m[2] * m[6];
    m[4] = T(1) / m[4];
    m[7] = (-m[4]) * m[5];
    m[8] = m[8] + m[5] * m[7];
    m[8] = T(1) / m[8];
    // Back substitution from the last row, then the mirror image.
    m[5] = m[8] * m[7];
    m[4] = m[4] + m[7] * m[5];
    m[7] = m[5];
    m[1] = m[3] * m[4] + m[5] * m[6];
    m[2] = m[3] * m[5] + m[8] * m[6];
    m[0] = m[0] + (m[1] * m[3] + m[2] * m[6]);
    m[3] = m[1];
    m[6] = m[2];
}

}  // namespace vq
