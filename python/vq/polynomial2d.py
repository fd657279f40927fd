"""2D polynomial transformation: fit and map.

A fitted record maps a source point (x, y), with dx = x - xs, dy = y - ys
about the source centroid, to::

    X = X0 + sum(coef_x[k] * m[k]),   Y = Y0 + sum(coef_y[k] * m[k])
    m = dx, dy, dx**2, dx*dy, dy**2, dx**3, dx**2*dy, dx*dy**2, dy**3

using the linear terms for every model, the quadratic ones from ``poly2`` on
and the cubic ones for ``poly3``. Every model is fitted as a 2D similarity
plus a least-squares polynomial correction of what it leaves.
"""
from __future__ import annotations

from dataclasses import dataclass
from typing import Dict, Optional, Tuple, Union

import numpy as np
from numpy.typing import ArrayLike

from . import _core

#: Model names and the library's model codes (``tipo``). Codes 4 and 5 are
#: fitted as the affine model and keep their code; codes above 7 become 7.
#: ``centroids`` gives the two centroids and zero coefficients.
MODELS: Dict[str, int] = {"centroids": 0, "rigid": 1, "similarity": 2, "affine": 3, "poly2": 6, "poly3": 7}


@dataclass(frozen=True)
class Polynomial2D:
    """A fitted 2D polynomial transformation (the C record ``Trans_Polinomica2D``).

    ``code`` is the model code (``tipo``), ``src_centroid`` the source centroid
    (``xm_origen``, ``ym_origen``), ``dst_origin`` the image of that centroid
    (``x0_destino``, ``y0_destino``), ``coef_x`` and ``coef_y`` the nine
    coefficients of each coordinate. ``dtype`` is the precision it was fitted
    in and maps in; float32 values are held exactly.
    """

    code: int
    src_centroid: Tuple[float, float]
    dst_origin: Tuple[float, float]
    coef_x: Tuple[float, ...]
    coef_y: Tuple[float, ...]
    dtype: str = "float64"

    @property
    def model(self) -> str:
        """The model's name in :data:`MODELS` (``"affine"`` for codes 4 and 5)."""
        code = 3 if self.code in (4, 5) else min(self.code, 7)
        return next(name for name, c in MODELS.items() if c == code)

    def apply(self, points: ArrayLike) -> np.ndarray:
        """Map (n, 2) points (``transforma_punto2D`` on each), into a new array.

        ``points`` must have the record's dtype (TypeError otherwise); they are
        read in place at any row stride. NaN or infinite coordinates map to
        non-finite values. The GIL is released while mapping.
        """
        head = (*self.src_centroid, *self.dst_origin)
        return _core.polynomial2d_map(self.code, head, self.coef_x, self.coef_y, self.dtype, points)


def fit_polynomial2d(
    src: ArrayLike,
    dst: ArrayLike,
    model: Union[str, int] = "affine",
    *,
    index: Optional[ArrayLike] = None,
) -> Polynomial2D:
    """Fit a 2D polynomial transformation from ``src`` to ``dst``
    (``Trans_Polinomica2D___puntosxy``).

    Parameters
    ----------
    src, dst : (n, 2) arrays of float32 or float64, the same dtype
        Corresponding points, read in place (see :func:`vq.fit_similarity2d`).
    model : name in :data:`MODELS` or a model code
        Needs at least 1 pair (centroids), 2 distinct source points (rigid,
        similarity), 3 / 6 / 10 pairs in general position (affine / poly2 /
        poly3).
    index : 1-D integer array, optional
        Fit only these rows, in this order.

    Too few or degenerate points, and NaN or infinite coordinates, give
    non-finite coefficients rather than an error. The GIL is released
    during the fit.
    """
    if isinstance(model, str):
        if model not in MODELS:
            raise ValueError(f"model must be one of {', '.join(MODELS)} or a model code, got {model!r}")
        code = MODELS[model]
    elif isinstance(model, (int, np.integer)) and not isinstance(model, bool) and 0 <= model <= 0xFFFFFFFF:
        code = int(model)
    else:
        raise ValueError(f"model must be one of {', '.join(MODELS)} or a model code 0..7, got {model!r}")
    code, head, coef_x, coef_y, dtype = _core.polynomial2d_fit(src, dst, index, code)
    return Polynomial2D(code, tuple(head[:2]), tuple(head[2:]), tuple(coef_x), tuple(coef_y), dtype)
