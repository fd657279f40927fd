// The _fl and _dbl twins of the exports behind one template parameter:
// Twin<float> names the _fl exports and records, Twin<double> the _dbl ones.
// The Python binding reaches the C API through it, so which export a dtype
// calls is decided in one place; the tests, the fuzzer and the benchmarks run
// both twins alike through it.
#pragma once

#include "VQ2D3D.h"
#include "VQmatrices.h"

namespace vq {

template <class T> struct Twin;

template <> struct Twin<float> {
    static constexpr const char* suffix = "fl";
    using Hel2Dg = Hel2Dg_fl;
    using Hel2D = Hel2D_fl;
    using Poly = Trans_Polinomica2D_fl;
    using Hel3Dg = Hel3Dg_fl;
    static constexpr auto pp = Hel2Dg___pp_fl;
    static constexpr auto p = Hel2Dg___p_fl;
    static constexpr auto g = Hel2Dg___g_fl;
    static constexpr auto gg = Hel2Dg___gg_fl;
    static constexpr auto mixed = Hel2Dg___mixed_fl;
    static constexpr auto ptr = Hel2Dg___ptr_fl;
    static constexpr auto to_hel2d = Hel2D___Hel2Dg_fl;
    static constexpr auto poly = Trans_Polinomica2D___puntosxy_fl;
    static constexpr auto transform = transforma_punto2D_fl;
    static constexpr auto delta = MatrizDeltafl_fl;
    static constexpr auto fit3d = Hel3Dg___ptr_fl;
    static constexpr auto to_rotation = convierte_en_R_fl;
    static constexpr auto invsim3 = VQinvsim3_fl;
    static constexpr auto invsim = VQinvsim_fl;
    static constexpr auto invsim_pos = VQinvsim_pos_fl;
    static constexpr auto invsim_cho = VQinvsim_cho_fl;
    static constexpr auto solve = resuelve_sistema_sim_t_fl;
    static constexpr auto solve2 = resuelve_sistema_sim_t_2_fl;
};

template <> struct Twin<double> {
    static constexpr const char* suffix = "dbl";
    using Hel2Dg = Hel2Dg_dbl;
    using Hel2D = Hel2D_dbl;
    using Poly = Trans_Polinomica2D_dbl;
    using Hel3Dg = Hel3Dg_dbl;
    static constexpr auto pp = Hel2Dg___pp_dbl;
    static constexpr auto p = Hel2Dg___p_dbl;
    static constexpr auto g = Hel2Dg___g_dbl;
    static constexpr auto gg = Hel2Dg___gg_dbl;
    static constexpr auto mixed = Hel2Dg___mixed_dbl;
    static constexpr auto ptr = Hel2Dg___ptr_dbl;
    static constexpr auto to_hel2d = Hel2D___Hel2Dg_dbl;
    static constexpr auto poly = Trans_Polinomica2D___puntosxy_dbl;
    static constexpr auto transform = transforma_punto2D_dbl;
    static constexpr auto delta = MatrizDeltafl_dbl;
    static constexpr auto fit3d = Hel3Dg___ptr_dbl;
    static constexpr auto to_rotation = convierte_en_R_dbl;
    static constexpr auto invsim3 = VQinvsim3_dbl;
    static constexpr auto invsim = VQinvsim_dbl;
    static constexpr auto invsim_pos = VQinvsim_pos_dbl;
    static constexpr auto invsim_cho = VQinvsim_cho_dbl;
    static constexpr auto solve = resuelve_sistema_sim_t_dbl;
    static constexpr auto solve2 = resuelve_sistema_sim_t_2_dbl;
};

}  // namespace vq
