// The library's twins by element type: Twin<float> names the _fl exports and
// records, Twin<double> the _dbl ones. Every binding reaches the C API only
// through here, so which export a dtype calls is decided in one place.
#pragma once

#include <VQ2D3D.h>
#include <VQmatrices.h>

namespace vqpy {

template <class T>
struct Twin;

template <>
struct Twin<float> {
    using Hel2Dg = Hel2Dg_fl;
    using Hel2D = Hel2D_fl;
    using Polynomial = Trans_Polinomica2D_fl;
    using Hel3Dg = Hel3Dg_fl;
    static constexpr auto pp = Hel2Dg___pp_fl;
    static constexpr auto p = Hel2Dg___p_fl;
    static constexpr auto g = Hel2Dg___g_fl;
    static constexpr auto gg = Hel2Dg___gg_fl;
    static constexpr auto mixed = Hel2Dg___mixed_fl;
    static constexpr auto ptr = Hel2Dg___ptr_fl;
    static constexpr auto translation_form = Hel2D___Hel2Dg_fl;
    static constexpr auto polynomial_fit = Trans_Polinomica2D___puntosxy_fl;
    static constexpr auto polynomial_map = transforma_punto2D_fl;
    static constexpr auto similarity3d_fit = Hel3Dg___ptr_fl;
    static constexpr auto nearest_rotation = convierte_en_R_fl;
    static constexpr auto inverse3 = VQinvsim3_fl;
    static constexpr auto increment = MatrizDeltafl_fl;
    static constexpr auto inverse = VQinvsim_fl;
    static constexpr auto inverse_positive = VQinvsim_pos_fl;
    static constexpr auto inverse_cholesky = VQinvsim_cho_fl;
    static constexpr auto solve = resuelve_sistema_sim_t_fl;
    static constexpr auto solve2 = resuelve_sistema_sim_t_2_fl;
};

template <>
struct Twin<double> {
    using Hel2Dg = Hel2Dg_dbl;
    using Hel2D = Hel2D_dbl;
    using Polynomial = Trans_Polinomica2D_dbl;
    using Hel3Dg = Hel3Dg_dbl;
    static constexpr auto pp = Hel2Dg___pp_dbl;
    static constexpr auto p = Hel2Dg___p_dbl;
    static constexpr auto g = Hel2Dg___g_dbl;
    static constexpr auto gg = Hel2Dg___gg_dbl;
    static constexpr auto mixed = Hel2Dg___mixed_dbl;
    static constexpr auto ptr = Hel2Dg___ptr_dbl;
    static constexpr auto translation_form = Hel2D___Hel2Dg_dbl;
    static constexpr auto polynomial_fit = Trans_Polinomica2D___puntosxy_dbl;
    static constexpr auto polynomial_map = transforma_punto2D_dbl;
    static constexpr auto similarity3d_fit = Hel3Dg___ptr_dbl;
    static constexpr auto nearest_rotation = convierte_en_R_dbl;
    static constexpr auto inverse3 = VQinvsim3_dbl;
    static constexpr auto increment = MatrizDeltafl_dbl;
    static constexpr auto inverse = VQinvsim_dbl;
    static constexpr auto inverse_positive = VQinvsim_pos_dbl;
    static constexpr auto inverse_cholesky = VQinvsim_cho_dbl;
    static constexpr auto solve = resuelve_sistema_sim_t_dbl;
    static constexpr auto solve2 = resuelve_sistema_sim_t_2_dbl;
};

}  // namespace vqpy
