"""Fits with the ``vq`` tool's quality report.

:func:`fit` runs the tool's own fit (its library ``vqfit``, as ``vq fit``
does): the checks before fitting, the model through the C libraries, the
Gauss-Markov quality, the blunder test and optional rejection, and the
residuals of every point; its report holds the numbers ``vq fit --json``
prints for the same points, to the bit.

The quality is that of a least-squares adjustment in which every destination
coordinate of a control point is an observation of equal weight:
r = observations - unknowns (redundancy), sigma0 = sqrt(vᵀv / r), the
standard deviations of the parameters from sigma0² Qxx, and per coordinate
the redundancy number q_vv and the standardized residual
w = v / (sigma sqrt(q_vv)). sigma is the a priori standard deviation when
given, otherwise the robust estimate 1.4826 median |v / sqrt(q_vv)| over the
control points (sigma0 grows with every blunder and would mask them). |w|
above the critical value (3.29, the two-sided 0.1 % point of the normal
distribution: Baarda's data snooping) flags a suspected blunder.
"""
from __future__ import annotations

import operator
from dataclasses import dataclass
from typing import Dict, Literal, Optional, Tuple, Union

import numpy as np
from numpy.typing import ArrayLike

from . import _core
from .model import Model, ParameterValue, parameter_dicts

_ROLES = np.array(["control", "check", "rejected"])


@dataclass(frozen=True)
class Quality:
    """The adjustment's quality, as ``"quality"`` of ``vq fit --json``.

    ``observations`` (dimension × control points), ``unknowns`` of the model
    (2, 3, 4, 6, 12, 20 for translation to poly3, 7 for similarity3d),
    ``redundancy`` = observations - unknowns, ``vtv`` the sum of squared
    residuals of the control points, ``sigma0`` = sqrt(vtv / redundancy)
    (NaN without redundancy). ``exact``: the residuals are rounding noise of
    an exact fit (sigma0 within 64 units in the last place of the largest
    destination coordinate); no standard deviations and no blunder test then.
    ``tested``: whether the blunder test ran; ``sigma`` the standard deviation
    it used, ``a_priori`` whether that was given (else the robust estimate),
    ``critical_value`` the |w| above which a point is flagged.
    """

    observations: int
    unknowns: int
    redundancy: int
    vtv: float
    sigma0: float
    exact: bool
    tested: bool
    sigma: float
    a_priori: bool
    critical_value: float


@dataclass(frozen=True)
class RotationSolution:
    """How the 3D rotation was found: ``start`` (``"general"`` or
    ``"planimetric"``, the estimator's two starts, or ``"quaternion"``, the
    closed-form solution), the double-precision refinement ``passes`` from
    it, and whether the least-squares optimum was confirmed (``converged``)."""

    start: str
    passes: int
    converged: bool


@dataclass(frozen=True, eq=False)
class FitResult:
    """A fitted model and the tool's report on it (:func:`fit`).

    ``model`` is the :class:`Model`; :meth:`apply`, :meth:`inverse` and
    :meth:`to_json` are its own (``model.residuals(src, dst)`` gives the
    residuals of other pairs). ``parameters`` maps
    each derived parameter's key (as ``vq fit --json`` names it: ``scale``,
    ``rotation_deg``, ``translation``, ...) to its value, one number as a
    float and several as a tuple; ``standard_deviations`` holds theirs under
    the same keys (empty for an exact fit or one without redundancy).

    Per point, in the order given (control, check and rejected points alike):
    ``residuals`` (n, d) observed minus transformed, ``fitted`` (n, d) the
    transformed source points, ``lengths`` (n,) the residuals' lengths,
    ``redundancy_numbers`` (n, d) q_vv (1 + a Qxx aᵀ for points not in the
    fit), ``standardized`` (n, d) w (NaN where not testable), ``flagged`` (n,)
    control points with |w| above the critical value, ``roles`` (n,)
    ``"control"``, ``"check"`` or ``"rejected"``. ``rejected`` lists the
    points removed as blunders, in the order they were removed; ``rms`` is
    the root mean square of the control points' residual lengths,
    ``largest`` the control point of the longest residual.
    ``rotation_solution`` is set for similarity3d. ``warnings`` are the
    tool's.

    Fit results compare by identity (they hold arrays).
    """

    model: Model
    parameters: Dict[str, ParameterValue]
    standard_deviations: Dict[str, ParameterValue]
    quality: Quality
    residuals: np.ndarray
    fitted: np.ndarray
    lengths: np.ndarray
    redundancy_numbers: np.ndarray
    standardized: np.ndarray
    flagged: np.ndarray
    roles: np.ndarray
    rejected: Tuple[int, ...]
    rms: float
    largest: int
    rotation_solution: Optional[RotationSolution]
    warnings: Tuple[str, ...]

    def apply(self, points: ArrayLike) -> np.ndarray:
        """:meth:`Model.apply` of the fitted model."""
        return self.model.apply(points)

    def inverse(self) -> Model:
        """:meth:`Model.inverse` of the fitted model."""
        return self.model.inverse()

    def to_json(self) -> str:
        """:meth:`Model.to_json`: the model file ``vq fit --save`` writes."""
        return self.model.to_json()


def fit(
    src: ArrayLike,
    dst: ArrayLike,
    model: Optional[str] = None,
    *,
    scale: Literal["least_squares", "symmetric"] = "least_squares",
    y_down: bool = False,
    critical_value: float = 3.29,
    sigma: Optional[float] = None,
    reject: Union[None, bool, int] = None,
    check: Optional[ArrayLike] = None,
) -> FitResult:
    """Fit a model of the ``vq`` tool to point pairs, with its quality report
    (``vq fit --json``, to the bit).

    Parameters
    ----------
    src, dst : (n, 2) or (n, 3) arrays
        Corresponding source and destination points. The fit runs in float64:
        float64 arrays are read in place when aligned, at any row stride that
        is a whole number of doubles (negative too), and copied once
        otherwise; float32 and float16 are widened exactly; other dtypes raise TypeError, a wrong shape ValueError, and a
        coordinate that is not finite ValueError naming it.
    model : str, optional
        ``translation``, ``rigid``, ``similarity``, ``affine``, ``poly2``,
        ``poly3`` (2D) or ``similarity3d`` (3D); by default ``similarity3d``
        for (n, 3) points and ``similarity`` otherwise, as ``vq fit``. They
        need at least 1, 2, 2, 3, 6, 10 and 3 control points.
    scale : "least_squares" or "symmetric"
        similarity and similarity3d: the scale that minimises the residuals
        (the default), or the ratio of the two sets' spreads, whose reciprocal
        exchanging the sets gives exactly.
    y_down : bool
        2D: the source rows count down (pixel/line): the source y is mirrored
        before fitting, and the model remembers it. Ignored in 3D, with a
        warning.
    critical_value : float
        |w| above this flags a suspected blunder (finite, positive).
    sigma : float, optional
        A priori standard deviation of a destination coordinate for the
        blunder test (finite, positive); by default the robust estimate.
    reject : None, int or True
        Remove the control point of the largest |w| above the critical value
        and fit again, at most this many times (True: no limit), or until
        nothing is flagged or another removal would leave no redundancy.
    check : (n,) bool array, optional
        True marks a check point: not in the fit, reported with its
        residuals against it.

    Raises
    ------
    FitError (a ValueError)
        With the tool's message, when the control points cannot determine the
        model: too few, coincident or collinear, mirrored for a model that
        cannot mirror, not determining a polynomial, a 3D rotation that does
        not converge.

    The GIL is released during the fit and the residuals of the points.
    """
    if model is None:
        model = "similarity3d" if np.shape(src)[1:] == (3,) else "similarity"
    if scale not in ("least_squares", "symmetric"):
        raise ValueError(f"scale must be 'least_squares' or 'symmetric', got {scale!r}")
    if not np.isfinite(critical_value) or not critical_value > 0:
        raise ValueError(f"critical_value must be finite and positive, got {critical_value!r}")
    if sigma is not None and (not np.isfinite(sigma) or not sigma > 0):
        raise ValueError(f"sigma must be None or finite and positive, got {sigma!r}")
    if reject is True:
        limit = np.iinfo(np.uint64).max
    elif reject is None or reject is False:
        limit = None
    else:
        limit = operator.index(reject)
        if limit < 0:
            raise ValueError(f"reject must be None, True or a count >= 0, got {reject!r}")
    r = _core.fit(src, dst, model, scale, bool(y_down), float(critical_value), float(sigma or 0.0), limit, check)
    parameters, deviations = parameter_dicts(r["parameters"])
    rotation = r["rotation"]
    return FitResult(
        model=Model(*r["model"]),
        parameters=parameters,
        standard_deviations=deviations,
        quality=Quality(**r["quality"]),
        residuals=r["residuals"],
        fitted=r["fitted"],
        lengths=r["lengths"],
        redundancy_numbers=r["redundancy"],
        standardized=r["standardized"],
        flagged=r["flagged"],
        roles=_ROLES[r["roles"]],
        rejected=r["rejected"],
        rms=r["rms"],
        largest=r["largest"],
        rotation_solution=RotationSolution(*rotation) if rotation is not None else None,
        warnings=r["warnings"],
    )
