"""Seven-parameter 3D similarity fit.

The scale is the ratio of the spreads of the two centred sets; the rotation
starts from the x-y plane (or, with ``general_start`` and at least 9 pairs,
from the orthonormalised affine fit) and is refined by at most four Newton
passes, whose correction equations are solved in single precision in both
twins.
"""
from __future__ import annotations

from dataclasses import dataclass
from typing import Optional, Tuple

import numpy as np
from numpy.typing import ArrayLike

from . import _core


@dataclass(frozen=True)
class Similarity3D:
    """A fitted 3D similarity in centroid form (the C record ``Hel3Dg``)::

        X = dst_centroid + scale * R @ (x - src_centroid)

    ``rotation`` holds R row by row (``R`` gives it as a 3x3 array).
    ``cofactors`` holds the 3x3 inverse normal matrix of the last rotation
    pass (single precision, row by row). ``dtype`` is the precision it was
    fitted in and maps in; float32 values are held exactly.
    """

    src_centroid: Tuple[float, float, float]
    dst_centroid: Tuple[float, float, float]
    scale: float
    rotation: Tuple[float, ...]
    cofactors: Tuple[float, ...] = (float("nan"),) * 9
    dtype: str = "float64"

    @property
    def R(self) -> np.ndarray:
        return np.array(self.rotation, dtype=self.dtype).reshape(3, 3)

    def apply(self, points: ArrayLike) -> np.ndarray:
        """Map (n, 3) points through the centroid form, into a new array.

        Each row of R times the centred point is summed left to right in the
        record's precision, as the ``vq`` tool applies a 3D model. ``points``
        must have the record's dtype (TypeError otherwise); they are read in
        place at any row stride. The GIL is released while mapping.
        """
        head = (*self.src_centroid, *self.dst_centroid, self.scale)
        return _core.similarity3d_map(head, self.rotation, self.dtype, points)


def fit_similarity3d(
    src: ArrayLike,
    dst: ArrayLike,
    *,
    general_start: bool = False,
    index: Optional[ArrayLike] = None,
    overwrite_points: bool = False,
) -> Similarity3D:
    """Fit the 3D similarity that maps ``src`` onto ``dst`` (``Hel3Dg___ptr``).

    Parameters
    ----------
    src, dst : (n, 3) arrays of float32 or float64, the same dtype
        Corresponding points, read in place at any row stride (negative too).
    general_start : bool
        Start the rotation from the orthonormalised affine fit (needs 9 pairs
        or more; with fewer the x-y plane start is used).
    index : 1-D integer array, optional
        Fit only these rows, in this order.
    overwrite_points : bool
        Let the library overwrite ``src`` and ``dst`` with their centred
        coordinates instead of taking a work buffer of 6n values. A
        permission, as SciPy's ``overwrite_a``: arrays that are not writeable,
        and fits with ``index``, are only read. ``src`` and ``dst`` must not
        overlap.

    Raises MemoryError when the library cannot obtain its work buffer.
    Degenerate or non-finite input gives non-finite fields, not an error.
    The GIL is released during the fit.
    """
    head, rotation, cofactors, dtype = _core.similarity3d_fit(src, dst, index, general_start, overwrite_points)
    return Similarity3D(tuple(head[:3]), tuple(head[3:6]), head[6], tuple(rotation), tuple(cofactors), dtype)
