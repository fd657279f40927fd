"""vq — transformations and symmetric kernels for photogrammetry and surveying.

numpy arrays in, records or arrays out, computed by the C libraries VQ2D3D
and VQmatrices with their exact bits: float32 input runs the single-precision
``_fl`` export, float64 the ``_dbl`` one, and any other dtype raises
TypeError. (n, 2) and (n, 3) point arrays are read in place, contiguous or
strided, negative strides too; a wrong shape raises ValueError naming the
argument and the shape expected. Calls that loop over points or matrix rows
release the GIL. Degenerate and non-finite input never raises and never
crashes: it gives NaN or infinite results, by IEEE arithmetic, as the C
libraries do.

:func:`fit` is the ``vq`` tool's fit, through its own library: a
:class:`Model` (``apply``, ``inverse``, ``residuals``, ``to_json`` and
``from_json`` with the tool's model file) and the tool's quality report
(sigma0, standard deviations, redundancy numbers, standardized residuals,
blunder flags), the same numbers as ``vq fit --json``. These run in float64.

=====================================  =============================================
vq                                     C export
=====================================  =============================================
fit_similarity2d                       Hel2Dg___pp/p/g/gg/mixed/ptr_fl/_dbl
  scale="least_squares"                (the same, then one more pass in the binding)
Similarity2D.translation_form          Hel2D___Hel2Dg_fl/_dbl
fit_polynomial2d                       Trans_Polinomica2D___puntosxy_fl/_dbl
Polynomial2D.apply                     transforma_punto2D_fl/_dbl
fit_similarity3d                       Hel3Dg___ptr_fl/_dbl
Similarity3D.apply                     (centroid form of Hel3Dg)
rotation_matrix, form opk/kop/kwk      MatrizRotGT_ωφκ, MatrizRot_κωφ, MatrizRotGT_κwκ
rotation_matrix, form v20..v28         MatrizRot_20, _24, _26, _28
rotation_matrix_from_sincos            MatrizRotGT_ωφκ, MatrizRotGT_κωφ, MatrizRotGT_κwκ
increment_matrix                       MatrizDeltafl_fl/_dbl
angles_from_matrix                     Gmatriz_ωφκ_seg
parameters_from_matrix                 Gmatriz_24_seg
quarter_turn_offset                    Getoffset_matriz (with Gmatriz_ωφκ_seg or _24_seg)
mean_angles                            Gmedio, Gmedio_pesos
orthonormalize                         convierte_en_R_fl/_dbl
linalg.inv_sym                         VQinvsim, VQinvsim_pos, VQinvsim_cho _fl/_dbl
linalg.inv_sym3                        VQinvsim3_fl/_dbl
linalg.solve_packed                    resuelve_sistema_sim_t(_2)_fl/_dbl
dask.apply                             (any model's apply, block by block)
fit                                    the tool's fit_points (vqfit), as vq fit
Model.apply, .inverse().apply          the tool's Transform::apply, ::apply_inverse
Model.to_json, Model.from_json         the tool's model_file_text, parse_model_text
=====================================  =============================================
"""
from . import _core, dask, linalg
from .adjustment import FitResult, Quality, RotationSolution, fit
from .linalg import inv_sym, inv_sym3, pack_sym, solve_packed
from .model import MODEL_NAMES, FitError, Model
from .polynomial2d import MODELS, Polynomial2D, fit_polynomial2d
from .rotation import (
    angles_from_matrix,
    increment_matrix,
    mean_angles,
    orthonormalize,
    parameters_from_matrix,
    quarter_turn_offset,
    rotation_matrix,
    rotation_matrix_from_sincos,
)
from .similarity2d import Similarity2D, Similarity2DShift, fit_similarity2d
from .similarity3d import Similarity3D, fit_similarity3d

__version__ = _core.version

__all__ = [
    "FitError",
    "FitResult",
    "MODELS",
    "MODEL_NAMES",
    "Model",
    "Polynomial2D",
    "Quality",
    "RotationSolution",
    "Similarity2D",
    "Similarity2DShift",
    "Similarity3D",
    "angles_from_matrix",
    "fit",
    "fit_polynomial2d",
    "fit_similarity2d",
    "fit_similarity3d",
    "increment_matrix",
    "inv_sym",
    "inv_sym3",
    "mean_angles",
    "orthonormalize",
    "pack_sym",
    "parameters_from_matrix",
    "quarter_turn_offset",
    "rotation_matrix",
    "rotation_matrix_from_sincos",
    "solve_packed",
]
