// Proper rotation from a 3x3 matrix near a scaled rotation, in place
// (nine values row by row, m[i][j] at 3i + j).
//
// The rows and the columns are ranked by squared length. If the middle column
// is at least as long as the middle row the work is done on columns, else on
// rows. The longest line u is normalised, the middle line w is made orthogonal
// to it (w -= (u.w) u) and normalised with |w|^2 - (u.w)^2, and the shortest
// line is replaced by the cross product of the two lines that follow it
// cyclically, so the result is right-handed (det +1) even for a reflection.
// Nothing is tested: degenerate input gives infinities or NaN.
#pragma once

#include <cmath>

namespace vq {

// Ranks of three values, largest first; ties rank the higher index higher.
// Every test is >=, so NaN takes the "less" branch of each.
struct Rank3 {
    int max, mid, min;
};

template <class T>
Rank3 rank3(const T e[3]) {
    if (e[1] >= e[0]) {
        if (e[2] >= e[1]) return {2, 1, 0};
        if (e[2] >= e[0]) return {1, 2, 0};
        return {1, 0, 2};
    }
    if (e[2] >= e[0]) return {2, 0, 1};
    if (e[2] >= e[1]) return {0, 2, 1};
    return {0, 1, 2};
}

template <class T>
void rotation_from_matrix(T* m) {
    T sq[9];
    for (int e = 0; e < 9; ++e) sq[e] = m[e] * m[e];
    T rows[3], cols[3];
    for (int i = 0; i < 3; ++i) rows[i] = (sq[3 * i] + sq[3 * i + 1]) + sq[3 * i + 2];
    for (int j = 0; j < 3; ++j) cols[j] = (sq[j] + sq[j + 3]) + sq[j + 6];

    const Rank3 row_rank = rank3(rows);
    const Rank3 col_rank = rank3(cols);
    const bool use_columns = cols[col_rank.mid] >= rows[row_rank.mid];
    const Rank3 r = use_columns ? col_rank : row_rank;
    const T* len2 = use_columns ? cols : rows;

    // Position of element k of line l: a column steps by 3, a row by 1.
    auto at = [&](int line, int k) -> T& {
        return use_columns ? m[line + 3 * k] : m[3 * line + k];
    };

    const T ku = T(1) / std::sqrt(len2[r.max]);
    for (int k = 0; k < 3; ++k) at(r.max, k) = at(r.max, k) * ku;

    const T d = at(r.max, 0) * at(r.mid, 0) + at(r.max, 1) * at(r.mid, 1) +
                at(r.max, 2) * at(r.mid, 2);
    for (int k = 0; k < 3; ++k) at(r.mid, k) = at(r.mid, k) - d * at(r.max, k);

    // The length after orthogonalisation comes from |w|^2 - d^2, not from the
    // orthogonalised values.
    const T kw = T(1) / std::sqrt(len2[r.mid] - d * d);
    for (int k = 0; k < 3; ++k) at(r.mid, k) = at(r.mid, k) * kw;

    const int p = (r.min + 1) % 3;
    const int q = (r.min + 2) % 3;
    const T c0 = at(p, 1) * at(q, 2) - at(p, 2) * at(q, 1);
    const T c1 = at(p, 2) * at(q, 0) - at(p, 0) * at(q, 2);
    const T c2 = at(p, 0) * at(q, 1) - at(p, 1) * at(q, 0);
    at(r.min, 0) = c0;
    at(r.min, 1) = c1;
    at(r.min, 2) = c2;
}

}  // namespace vq
