// Shape checks of point sets before fitting: coincident or collinear points,
// coordinates outside the range the fits can square, mirror images; and the
// best-fitting plane of a 3D set (for drawing it).
#pragma once

#include "pairs.hpp"

#include <array>
#include <cstddef>
#include <vector>

namespace vq {

struct Spread {
    bool coincident = false;  // every point equal to the centroid
    bool collinear = false;   // all points on one line (or coincident)
    double extent = 0.0;      // root of the largest second moment per point
    double largest = 0.0;     // largest |coordinate|
    double deviation = 0.0;   // largest |coordinate - centroid coordinate|
};

// Spread of the source (or destination) points of the pairs listed in `use`.
Spread spread_of(const PointPairs& pairs, const std::vector<std::size_t>& use, bool destination);

// True when the destination set is a mirror image of the source set: the
// best orthogonal map of the centred source points onto the centred
// destination points is a reflection, and it leaves clearly less (below a
// quarter) than the best rotation does.
bool mirrored(const PointPairs& pairs, const std::vector<std::size_t>& use);

// Orthonormal axes of a symmetric 3x3 matrix, by descending eigenvalue.
// Row k of the result is the k-th axis; the third is the cross product of the
// first two (right-handed).
std::array<std::array<double, 3>, 3> principal_axes(const double (&moment)[3][3]);

// Coordinates within this magnitude, and spreads above its reciprocal, can be
// squared and summed in double precision without overflow or underflow.
constexpr double kLargestCoordinate = 1e140;

}  // namespace vq
