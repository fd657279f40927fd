"""vq.dask.apply on a two-worker dask.distributed cluster on the loopback
interface: 10**7 points in uneven chunks map to the very bits of the local
apply, for the polynomial record in double and the 3D record in single
precision, and fewer points through a model of the tool's fit."""
import sys

import numpy as np
import pytest
import vq
import vq.dask

dask_array = pytest.importorskip("dask.array")
distributed = pytest.importorskip("dask.distributed")

N = 10**7


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as c:
        yield c


def polynomial(rng, dtype):
    src = rng.uniform(0.0, 5000.0, (30, 2)).astype(dtype)
    dst = (src * 0.3 + 0.001 * src**2 + rng.normal(0.0, 0.5, src.shape)).astype(dtype)
    return vq.fit_polynomial2d(src, dst, "poly3"), 2


def similarity3d(rng, dtype):
    src = rng.uniform(-100.0, 100.0, (30, 3)).astype(dtype)
    dst = (1.5 * src @ vq.rotation_matrix((0.1, -0.2, 2.0)).T + 500.0).astype(dtype)
    return vq.fit_similarity3d(src, dst), 3


def tool_model(rng, dtype):
    src = rng.uniform(0.0, 5000.0, (30, 2))
    dst = src * 0.3 + 0.001 * src**2 + rng.normal(0.0, 0.5, src.shape)
    return vq.fit(src, dst, "poly3", y_down=True).model, 2  # maps float32 points to float64


@pytest.mark.parametrize("make,dtype,n", [(polynomial, np.float64, N), (similarity3d, np.float32, N),
                                          (tool_model, np.float32, N // 30)],
                         ids=["polynomial-float64", "similarity3d-float32", "tool-model"])
def test_cluster_apply_gives_the_local_bits(client, make, dtype, n):
    rng = np.random.default_rng(23)
    model, dim = make(rng, dtype)
    # Made on the workers, block by block from seeds the graph holds; uneven
    # row chunks, and columns split too (apply joins them).
    chunked = dask_array.random.RandomState(29).uniform(-5000.0, 5000.0, (n, dim), chunks=(3 * n // 10, 1))
    chunked = chunked.astype(dtype)
    got = vq.dask.apply(model, chunked).compute()
    want = model.apply(chunked.compute(scheduler="sync"))
    assert got.dtype == want.dtype and got.shape == want.shape == (n, dim)
    bits = np.uint32 if want.dtype == np.float32 else np.uint64
    assert np.array_equal(got.view(bits), want.view(bits))
    assert all(client.run(lambda: "vq._core" in sys.modules).values())
