// Maps an element type to the C records of its twin, so that each algorithm is
// written once as a template and the _fl / _dbl exports only instantiate it.
#pragma once

#include "VQ2D3D.h"

namespace vq {

template <class T> struct Records;

template <> struct Records<float> {
    using Hel2Dg = Hel2Dg_fl;
    using Hel2D = Hel2D_fl;
    using Trans_Polinomica2D = Trans_Polinomica2D_fl;
    using Hel3Dg = Hel3Dg_fl;
};

template <> struct Records<double> {
    using Hel2Dg = Hel2Dg_dbl;
    using Hel2D = Hel2D_dbl;
    using Trans_Polinomica2D = Trans_Polinomica2D_dbl;
    using Hel3Dg = Hel3Dg_dbl;
};

template <class T> using Hel2Dg_t = typename Records<T>::Hel2Dg;
template <class T> using Hel2D_t = typename Records<T>::Hel2D;
template <class T> using Trans_Polinomica2D_t = typename Records<T>::Trans_Polinomica2D;
template <class T> using Hel3Dg_t = typename Records<T>::Hel3Dg;

}  // namespace vq
