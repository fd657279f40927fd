"""Mapping chunked point sets with Dask.

:func:`apply` maps a Dask array of points block by block through any model
with an ``apply(points)`` method that maps the rows of an (n, d) array
independently (the records of :mod:`vq`, and any class built like them).
Since each point is mapped on its own, the result is bit-identical to
``model.apply`` on the whole array, whatever the chunks and wherever they run
(threads, processes, a ``dask.distributed`` cluster: workers need ``vq``
importable, as they unpickle the model).
"""
from __future__ import annotations

from typing import Any, Optional

import numpy as np
from numpy.typing import DTypeLike


def apply(model: Any, array: Any, *, dtype: Optional[DTypeLike] = None):
    """Map an (n, d) Dask array (or anything ``dask.array.asarray`` takes)
    through ``model.apply``, block by block along the rows.

    Chunks across the columns are joined first, so that each block holds
    whole points. The output's dtype and width are found by applying the
    model to an empty (0, d) block, unless ``dtype`` is given (the width
    then stays d). Returns a lazy Dask array; nothing runs until it is
    computed.
    """
    import dask.array as da

    points = da.asarray(array)
    if points.ndim != 2:
        raise ValueError(f"array must have shape (n, d), got {points.shape}")
    points = points.rechunk({1: -1})
    width = points.shape[1]
    if dtype is None:
        probe = np.asarray(model.apply(np.empty((0, width), dtype=points.dtype)))
        dtype, width = probe.dtype, probe.shape[1]
    dtype = np.dtype(dtype)
    return points.map_blocks(
        model.apply,
        dtype=dtype,
        chunks=(points.chunks[0], (width,)),
        meta=np.empty((0, width), dtype=dtype),
    )
