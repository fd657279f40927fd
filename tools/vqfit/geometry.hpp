// Shape checks of point sets: coincident or collinear points, mirror images,
// and the best-fitting plane of a 3D set (for drawing it).
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace vq {

class PointTable;

struct Spread {
    bool coincident = false;  // every point equal to the centroid
    bool collinear = false;   // all points on one line (or coincident)
    double extent = 0.0;      // root of the largest second moment per point
};

// Spread of the `dim` coordinates starting at number `offset` of each point.
Spread spread_of(const PointTable& points, int offset, int dim);

// True when the 2D destination set is a mirror image of the source set: the
// cross moment matrix sum (X - Xm)(x - xm)^T has a negative determinant.
bool mirrored_2d(const PointTable& points);

// Orthonormal axes of a symmetric 3x3 matrix, by descending eigenvalue
// (cyclic Jacobi rotations). Row k of the result is the k-th axis.
std::array<std::array<double, 3>, 3> principal_axes(const double (&moment)[3][3]);

}  // namespace vq
