"""Symmetric inverses and packed symmetric solvers (``VQmatrices``, ``VQinvsim3``).

Like SciPy, every function works on a copy of its input unless an
``overwrite_*`` flag allows it to work in the caller's array, which it then
does when the array has the right dtype and is C-contiguous (for an (n, 2)
right-hand side: Fortran-ordered), aligned and writeable. float32 runs the
``_fl`` twin, float64 the ``_dbl`` one; other dtypes raise TypeError. The GIL
is released while a kernel runs.

Packed storage holds the lower triangle row by row: element (i, j), j <= i,
at index i*(i+1)/2 + j (:func:`pack_sym` makes it).
"""
from __future__ import annotations

import numpy as np
from numpy.typing import ArrayLike

from . import _core

_METHODS = {"elimination": 0, "positive": 1, "cholesky": 2}


def inv_sym(a: ArrayLike, *, method: str = "elimination", overwrite_a: bool = False) -> np.ndarray:
    """Inverse of a symmetric (n, n) matrix; only the upper triangle is read.

    method
        ``"elimination"`` (``VQinvsim``): no pivoting and no test, a zero
        pivot gives infinities and NaNs; ``"positive"`` (``VQinvsim_pos``):
        the same, stopping at the first pivot that is not > 0;
        ``"cholesky"`` (``VQinvsim_cho``): through A = R R^T, stopping where
        a radicand is not > 0.

    Raises numpy.linalg.LinAlgError when the positivity test of
    ``"positive"`` or ``"cholesky"`` fails; with ``overwrite_a`` the array
    then holds the partial work the library describes. NaN input gives NaN
    output and passes the test of ``"positive"``.
    """
    if method not in _METHODS:
        raise ValueError(f"method must be one of {', '.join(_METHODS)}, got {method!r}")
    inverse, status = _core.inverse(a, _METHODS[method], overwrite_a)
    if status:
        raise np.linalg.LinAlgError(f"the matrix is not positive definite ({method} positivity test failed)")
    return inverse


def inv_sym3(a: ArrayLike, *, overwrite_a: bool = False) -> np.ndarray:
    """Inverse of a symmetric 3x3 matrix, upper triangle read, no pivot
    search and no test (``VQinvsim3_fl`` / ``_dbl``)."""
    return _core.inverse3(a, overwrite_a)


def solve_packed(
    p: ArrayLike,
    b: ArrayLike,
    *,
    overwrite_p: bool = False,
    overwrite_b: bool = False,
    check_positive: bool = True,
) -> np.ndarray:
    """Solve A x = b for a symmetric A given packed in ``p`` (n*(n+1)/2 values).

    ``b`` of shape (n,) runs ``resuelve_sistema_sim_t``, of shape (n, 2) (two
    right-hand sides, one elimination) ``resuelve_sistema_sim_t_2``. The
    elimination runs from the last variable to the first, then substitutes
    forward. With ``overwrite_p`` the factor is left in ``p``; with
    ``overwrite_b`` the solution in ``b``.

    A pivot <= 0 raises numpy.linalg.LinAlgError unless ``check_positive``
    is False, in which case the solution computed regardless is returned.
    """
    x, status, _ = _core.solve_packed(p, b, overwrite_p, overwrite_b)
    if status and check_positive:
        raise np.linalg.LinAlgError("the packed matrix is not positive definite (a pivot was <= 0)")
    return x


def pack_sym(a: ArrayLike) -> np.ndarray:
    """The lower triangle of a square matrix row by row, as ``solve_packed`` takes it."""
    a = np.asarray(a)
    if a.ndim != 2 or a.shape[0] != a.shape[1]:
        raise ValueError(f"a must have shape (n, n), got {a.shape}")
    return a[np.tril_indices(a.shape[0])]
