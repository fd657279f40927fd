"""Rotation matrices, angles from matrices, quarter-turn offsets, angle means.

Conventions (all double precision, angles in radians): a matrix is 3x3,
applied to column vectors; Rx, Ry, Rz turn counterclockwise about x, y, z.

Forms of :func:`rotation_matrix`:

======  ==========================================  ==============================
form    values                                      C export
======  ==========================================  ==============================
opk     omega, phi, kappa; R = Rz(k) Ry(p) Rx(o)    ``MatrizRotGT_ωφκ`` of sin/cos
kop     omega, phi, kappa; R = Ry(p) Rx(o) Rz(k)    ``MatrizRot_κωφ``
kwk     k1, w, k2; R = Rz(k2) Rx(w) Rz(k1)          ``MatrizRotGT_κwκ`` of sin/cos
v20     rotation vector theta * n                   ``MatrizRot_20`` (v = 0: NaN)
v24     2 sin(theta/2) n                            ``MatrizRot_24`` (|v| <= 2)
v26     2 tan(theta/2) n (Cayley)                   ``MatrizRot_26``
v28     per-axis a_i, sin(a_i/2) = quaternion q_i   ``MatrizRot_28``
======  ==========================================  ==============================

Out-of-range or non-finite values give NaN elements, never an error. The
opk and kwk forms take their sines and cosines from the C library's sin and
cos, as ``MatrizRot_κωφ`` does inside the library (numpy's ``np.sin`` may
differ in the last bit).
"""
from __future__ import annotations

from typing import Optional, Tuple

import numpy as np
from numpy.typing import ArrayLike, DTypeLike

from . import _core

_ORDERS = {"opk": 0, "kop": 1, "kwk": 2}
_FORMS = {
    "opk": (_core.matrix_from_angles, 0),
    "kop": (_core.matrix_from_angles, 1),
    "kwk": (_core.matrix_from_angles, 2),
    "v20": (_core.matrix_from_parameters, 20),
    "v24": (_core.matrix_from_parameters, 24),
    "v26": (_core.matrix_from_parameters, 26),
    "v28": (_core.matrix_from_parameters, 28),
}
_EXTRACTIONS = {"opk": 0, "v24": 24}


def _choice(table, value, what):
    try:
        return table[value]
    except (KeyError, TypeError):
        raise ValueError(f"{what} must be one of {', '.join(table)}, got {value!r}") from None


def rotation_matrix(values: ArrayLike, form: str = "opk") -> np.ndarray:
    """The 3x3 rotation matrix of three angles or parameters in ``form``
    (see the table above)."""
    build, code = _choice(_FORMS, form, "form")
    return build(values, code)


def rotation_matrix_from_sincos(sincos: ArrayLike, order: str = "opk") -> np.ndarray:
    """The rotation matrix from (sin o, cos o, sin p, cos p, sin k, cos k),
    used as given (``MatrizRotGT_ωφκ``, ``_κωφ``, ``_κwκ`` for order opk,
    kop, kwk; for kwk the pairs are k1, w, k2)."""
    return _core.matrix_from_sincos(sincos, _choice(_ORDERS, order, "order"))


def increment_matrix(theta: ArrayLike, dtype: DTypeLike = np.float64) -> Tuple[np.ndarray, float]:
    """The small-rotation increment D = I + k[t]x^2 + 2k[t]x, k = 1/(2 + |t|^2/2)
    (``MatrizDeltafl_fl`` for float32, ``MatrizDeltafl_dbl`` for float64).

    ``theta`` is rounded to single precision and D is computed in single
    precision either way; float64 only widens the result. Returns
    ``(D, |theta|**2)``.
    """
    name = np.dtype(dtype).name
    if name not in ("float32", "float64"):
        raise TypeError(f"dtype {name} is not accepted; use float32 or float64")
    return _core.increment_matrix(theta, name)


def angles_from_matrix(R: ArrayLike) -> np.ndarray:
    """omega, phi, kappa of R = Rz(kappa) Ry(phi) Rx(omega) (``Gmatriz_ωφκ_seg``).
    Near phi = ±90° (|sin phi| >= 0.9) the coupled angle is split evenly
    between kappa and omega."""
    return _core.angles_from_matrix(R)


def parameters_from_matrix(R: ArrayLike) -> np.ndarray:
    """The v24 parameter vector 2 sin(theta/2) n of R (``Gmatriz_24_seg``);
    near a half turn (trace <= -0.8) taken from the diagonal."""
    return _core.parameters_from_matrix(R)


def quarter_turn_offset(R: ArrayLike, form: str = "opk") -> Tuple[np.ndarray, int]:
    """Take n quarter turns about z out of R (R = A Rz(n * 90°)) and return
    ``(values of A, n)`` with n in 0..3 (``Getoffset_matriz``). ``form`` picks
    the extraction: ``"opk"`` (``Gmatriz_ωφκ_seg``; the returned |kappa| is at
    most pi/2) or ``"v24"`` (``Gmatriz_24_seg``)."""
    return _core.quarter_turn_offset(R, _choice(_EXTRACTIONS, form, "form"))


def mean_angles(angles: ArrayLike, weights: Optional[ArrayLike] = None) -> np.ndarray:
    """Component-wise mean of (n, 3) angle triples across the ±pi seam
    (``Gmedio``), or the weighted mean with (n, 3) weights (``Gmedio_pesos``).

    Angles are taken in double (float32 widened exactly), weights in single
    precision (float64 weights are rounded), as the library sums them. A
    component whose weights sum to zero counts as empty; n = 0 gives NaN.
    Arrays that are not C-contiguous are copied. The GIL is released.
    """
    return _core.mean_angles(angles, weights)


def orthonormalize(a: ArrayLike, *, overwrite_a: bool = False) -> np.ndarray:
    """A proper rotation made from a 3x3 matrix that is nearly a scaled
    rotation: Gram-Schmidt on the two longest rows or columns, the
    third by their cross product (``convierte_en_R_fl`` / ``_dbl`` by dtype).
    Works on a copy unless ``overwrite_a`` allows working in ``a``."""
    return _core.nearest_rotation(a, overwrite_a)
