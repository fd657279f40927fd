"""The models of the ``vq`` tool: what :func:`vq.fit` returns and what
``vq fit --save`` writes.

A :class:`Model` holds the numbers of the tool's model file exactly (Python
floats are doubles), so a model saved from Python is read by ``vq apply`` and
one saved by ``vq fit --save`` is read here, and both apply to the same bits.
Applying, inverting, the derived parameters and the model file all run the
tool's own library (``vqfit``), not a second implementation.
"""
from __future__ import annotations

from dataclasses import dataclass, replace
from typing import Dict, Optional, Tuple, Union

import numpy as np
from numpy.typing import ArrayLike

from . import _core

#: The models of the tool, by dimension.
MODEL_NAMES: Tuple[str, ...] = ("translation", "rigid", "similarity", "affine", "poly2", "poly3", "similarity3d")

FitError = _core.FitError
FitError.__module__ = __package__
FitError.__doc__ = """Points that a model cannot be fitted to or mapped with: too few control
points, degenerate geometry (coincident, collinear or mirrored sets), points
that do not determine a polynomial, a 3D rotation that does not converge, or a
point the inverse of a model cannot map back. The message is the ``vq``
tool's. A ValueError."""

ParameterValue = Union[float, Tuple[float, ...]]


def parameter_dicts(listed) -> Tuple[Dict[str, ParameterValue], Dict[str, ParameterValue]]:
    """Values and standard deviations by key from ``_core``'s parameter list:
    one number as a float, several as a tuple (as the tool's JSON report)."""
    def one_or_all(v):
        return v[0] if len(v) == 1 else v
    return ({key: one_or_all(values) for key, values, _ in listed},
            {key: one_or_all(sd) for key, _, sd in listed if sd})


@dataclass(frozen=True)
class Model:
    """A transformation of the ``vq`` tool, as its model file holds it.

    ``kind`` is one of :data:`MODEL_NAMES`. ``record`` holds the numbers of
    the library's records in the model file's order:

    * 2D models: ``Trans_Polinomica2D`` xm_origen, ym_origen, x0_destino,
      y0_destino, coef_x[9], coef_y[9] (22 numbers), mapping with
      dx = x - xm_origen, dy = y - ym_origen to
      X = x0_destino + sum(coef_x[k] * m[k]), m = dx, dy, dx², dx·dy, dy²,
      dx³, dx²·dy, dx·dy², dy³ (Y likewise); rigid and similarity then add
      their ``Hel2Dg`` xm_origen, ym_origen, xm_destino, ym_destino, escala,
      cos_giro, sen_giro (29 numbers).
    * ``similarity3d``: ``Hel3Dg`` xm_origen, ym_origen, zm_origen,
      xm_destino, ym_destino, zm_destino, escala, R row by row (16 numbers),
      X = destination centroid + escala · R (x - source centroid).

    ``y_down`` (2D only): source rows count down (pixel/line), and the source
    y is mirrored before the record maps it. ``scale_estimator``
    (``"least_squares"`` or ``"symmetric"``) is kept for similarity and
    similarity3d and is None for the others; None given for a similarity
    means least squares, as in a model file. ``inverted``: :meth:`apply` maps
    from the destination system back to the source (see :meth:`inverse`).

    The constructor checks the values (ValueError: unknown kind, a record of
    the wrong length or with non-finite numbers). Models compare equal when
    their values are equal, and pickle (for :func:`vq.dask.apply`).
    """

    kind: str
    record: Tuple[float, ...]
    y_down: bool = False
    scale_estimator: Optional[str] = None
    inverted: bool = False

    def __post_init__(self):
        _, record, _, scale = _core.model_check(self.kind, self.record, self.y_down, self.scale_estimator)
        object.__setattr__(self, "record", record)
        object.__setattr__(self, "scale_estimator", scale)

    def _values(self):
        return self.kind, self.record, self.y_down, self.scale_estimator

    @property
    def dimension(self) -> int:
        """2, or 3 for similarity3d: the width of the points it maps."""
        return 3 if self.kind == "similarity3d" else 2

    @property
    def parameters(self) -> Dict[str, ParameterValue]:
        """The derived parameters of the forward transformation (scale,
        rotation in degrees and gon, translation, ...), as the tool's reports
        and model files name them; one number as a float, several as a tuple."""
        return parameter_dicts(_core.model_parameters(*self._values()))[0]

    def apply(self, points: ArrayLike) -> np.ndarray:
        """Map (n, d) points (d = :attr:`dimension`) into a new (n, d) float64
        array, point by point as ``vq apply`` maps them (``--inverse`` for an
        inverted model).

        ``points`` may be float64 (read in place when aligned, at any row
        stride that is a whole number of doubles, negative too; copied once
        otherwise), float32 or float16 (widened exactly); other dtypes raise
        TypeError, a wrong shape ValueError. Forwards, non-finite coordinates map to non-finite
        values. An inverted model raises :class:`FitError` naming the first
        finite point it cannot map back: one where a singular model has no
        inverse, or where Newton's method for poly2 and poly3 does not
        converge to a point that maps back within 1e-9 of its magnitude
        (outside the region the polynomial maps one to one). The GIL is
        released while mapping.
        """
        return _core.model_apply(*self._values(), self.inverted, points)

    def inverse(self) -> "Model":
        """The model that maps back (``vq apply --inverse``): closed form for
        every model but poly2 and poly3, which are inverted point by point by
        Newton's method from the inverse of their linear part. The inverse of
        the inverse is the model itself."""
        return replace(self, inverted=not self.inverted)

    def residuals(self, src: ArrayLike, dst: ArrayLike) -> np.ndarray:
        """``dst - self.apply(src)``, the residual of each pair (observed
        minus transformed, as the tool reports it), float64 (n, d). ``src``
        and ``dst`` are taken as :meth:`apply` takes points."""
        return _core.model_residuals(*self._values(), self.inverted, src, dst)

    def to_json(self) -> str:
        """The model file ``vq fit --save`` writes for this model (the tool's
        own writer): ``vq apply`` reads it. Inverted models have no model
        file (ValueError): save the forward model and map with
        ``vq apply --inverse``."""
        if self.inverted:
            raise ValueError("a model file holds a forward model; save model.inverse() and map with "
                             "`vq apply --inverse`")
        return _core.model_to_json(*self._values())

    @classmethod
    def from_json(cls, text: str) -> "Model":
        """Read a model file (``vq fit --save``, :meth:`to_json`) with the
        tool's own reader; ValueError with its message when the text is not
        a valid model file."""
        kind, record, y_down, scale = _core.model_from_json(text)
        return cls(kind, record, y_down, scale)
