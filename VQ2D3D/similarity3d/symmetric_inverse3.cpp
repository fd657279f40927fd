// Exported single- and double-precision forms of the in-place 3x3 symmetric
// inverse (see symmetric_inverse3.hpp for the elimination order).
#include "VQ2D3D.h"
#include "symmetric_inverse3.hpp"

void VQinvsim3_fl(float* m) { vq::invert_symmetric3(m); }

void VQinvsim3_dbl(double* m) { vq::invert_symmetric3(m); }
