"""2D similarity (Helmert) fit.

The library's fit is closed form about the centroids. Its rotation is the
least-squares rotation of the centred source set onto the centred destination
set. Two scales are offered:

``"symmetric"`` (the library's ``escala``)
    sqrt(Qd / Qo), the ratio of the root-mean-square spreads of the two
    centred sets. Exchanging source and destination gives exactly the
    reciprocal; it does not minimise the residuals.
``"least_squares"``
    sqrt(Sdot**2 + Scross**2) / Qo, the scale that minimises the residuals
    (what surveying packages report). It is computed by the binding in one
    more pass over the same pairs, about the same centroids, in the
    precision of the input.

with Qo, Qd the sums of squared distances of the source and destination
points from their centroids, and Sdot, Scross the sums of the dot and cross
products of the centred source and destination points.
"""
from __future__ import annotations

import math
from dataclasses import dataclass
from typing import Literal, Optional, Tuple

from numpy.typing import ArrayLike

from . import _core

ScaleEstimator = Literal["symmetric", "least_squares"]


@dataclass(frozen=True)
class Similarity2DShift:
    """A 2D similarity in translation form (the C record ``Hel2D``)::

        destination = scale * R(angle) * (source - (tx, ty))

    ``(tx, ty)`` is the source point that maps onto the destination origin;
    ``scale``, ``cos`` and ``sin`` are those of the centroid form.
    """

    tx: float
    ty: float
    scale: float
    cos: float
    sin: float
    dtype: str = "float64"


@dataclass(frozen=True)
class Similarity2D:
    """A 2D similarity in centroid form (the C record ``Hel2Dg``)::

        x' = xd + scale * (cos * (x - xs) - sin * (y - ys))
        y' = yd + scale * (sin * (x - xs) + cos * (y - ys))

    with ``(xs, ys) = src_centroid`` and ``(xd, yd) = dst_centroid``. The
    angle turns x towards y (counterclockwise with y up). ``dtype`` is the
    precision it was fitted in; float32 values are held exactly.
    """

    src_centroid: Tuple[float, float]
    dst_centroid: Tuple[float, float]
    scale: float
    cos: float
    sin: float
    scale_estimator: ScaleEstimator = "symmetric"
    dtype: str = "float64"

    @property
    def angle(self) -> float:
        """The rotation angle in radians, atan2(sin, cos)."""
        return math.atan2(self.sin, self.cos)

    def translation_form(self) -> Similarity2DShift:
        """The same transformation as :class:`Similarity2DShift` (``Hel2D___Hel2Dg``)."""
        record = (*self.src_centroid, *self.dst_centroid, self.scale, self.cos, self.sin)
        return Similarity2DShift(*_core.similarity2d_translation(record, self.dtype), dtype=self.dtype)


def fit_similarity2d(
    src: ArrayLike,
    dst: ArrayLike,
    *,
    scale: ScaleEstimator = "symmetric",
    index: Optional[ArrayLike] = None,
) -> Similarity2D:
    """Fit the 2D similarity that maps ``src`` onto ``dst``.

    Parameters
    ----------
    src, dst : (n, 2) arrays of float32 or float64, the same dtype
        Corresponding points, x then y. float32 runs the library's
        single-precision twin, float64 the double one; other dtypes raise
        TypeError. Arrays are read in place whatever their row stride
        (negative too), and are never copied unless the two coordinates of a
        point are not adjacent in memory (a Fortran-ordered array).
    scale : "symmetric" or "least_squares"
        Which scale the record carries (see the module documentation). The
        centroids and the rotation are the same for both.
    index : 1-D integer array, optional
        Fit only the pairs in these rows, in this order (repeats allowed),
        reading them where they lie.

    Returns
    -------
    Similarity2D

    Notes
    -----
    The estimator is chosen from the memory layout (``Hel2Dg___pp``, ``___p``,
    ``___g``, ``___gg``, ``___mixed``, or ``___ptr`` with ``index``); all give
    the same bits. The GIL is released during the fit. Nothing raises on
    degenerate or non-finite input: no pairs give all fields NaN, one pair
    NaN scale and rotation, coincident source points an infinite scale, and
    NaN or infinite coordinates NaN fields, by IEEE arithmetic.
    """
    if scale not in ("symmetric", "least_squares"):
        raise ValueError(f"scale must be 'symmetric' or 'least_squares', got {scale!r}")
    *values, dtype = _core.similarity2d(src, dst, index, scale == "least_squares")
    xs, ys, xd, yd, s, c, si = values
    return Similarity2D((xs, ys), (xd, yd), s, c, si, scale, dtype)
