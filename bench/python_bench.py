#!/usr/bin/env python3
"""Benchmarks of the Python package vq against the C calls it makes and SciPy.

    /usr/bin/python3 bench/python_bench.py [--build build/default] [--repeat 15]

Needs a build with the package (cmake --preset default && cmake --build
build/default) and, for the rotation comparison, SciPy (python3-scipy).

1. Fits of 10^7 pairs from numpy arrays: the package's call against the C
   export called through ctypes on the same memory (the median CPU time of
   --repeat calls each, the two taking turns). ctypes adds about a
   microsecond to a call that takes tens of milliseconds, so the C column is
   the export's own time. The bound applies to the 2D similarity, which the
   package hands the arrays as they are; the least-squares scale (one more
   pass) and the polynomial fit (which needs 2n pair pointers built first)
   are reported beside it.
2. Per-call cost of building one rotation matrix from three angles: vq
   against SciPy's Rotation.from_euler (CPU time per call, the best of seven
   runs of many calls).

Prints Markdown rows for bench/RESULTS.md.
"""
import argparse
import ctypes as C
import os
import statistics
import sys
import time
import timeit

parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
parser.add_argument("--build", default=os.path.join(os.path.dirname(__file__), "..", "build", "default"))
parser.add_argument("--repeat", type=int, default=21)
parser.add_argument("--pairs", type=int, default=10**7)
args = parser.parse_args()
build = os.path.abspath(args.build)
sys.path.insert(0, os.path.join(build, "python"))

import numpy as np  # noqa: E402
import vq  # noqa: E402

C.CDLL(os.path.join(build, "VQmatrices", "libVQmatrices.so"), mode=C.RTLD_GLOBAL)
lib = C.CDLL(os.path.join(build, "VQ2D3D", "libVQ2D3D.so"))
BOUND = 1.1


def cpu_medians(calls, repeat):
    """Median CPU time of each call, the calls taking turns so that a busy
    spell of the machine falls on all of them alike."""
    for call in calls:
        call()  # warm-up: pages touched, code loaded
    times = [[] for _ in calls]
    for _ in range(repeat):
        for call, spent in zip(calls, times):
            start = time.process_time()
            call()
            spent.append(time.process_time() - start)
    return [statistics.median(t) for t in times]


def record(ctype, n):
    return type("R", (C.Structure,), {"_fields_": [(f"f{i}", ctype) for i in range(n)]})


def pair_pointers(src, dst):
    n = len(src)
    pointers = np.empty(2 * n, dtype=np.uintp)
    pointers[0::2] = src.ctypes.data + np.arange(n, dtype=np.uintp) * src.strides[0]
    pointers[1::2] = dst.ctypes.data + np.arange(n, dtype=np.uintp) * dst.strides[0]
    return pointers


def fit_rows(dtype):
    suffix, ctype = ("fl", C.c_float) if dtype == np.float32 else ("dbl", C.c_double)
    rng = np.random.default_rng(1)
    n = args.pairs
    pairs = rng.uniform(-1000.0, 1000.0, (n, 4)).astype(dtype)
    src, dst = np.ascontiguousarray(pairs[:, :2]), np.ascontiguousarray(pairs[:, 2:])
    P, U32, U64 = C.c_void_p, C.c_uint32, C.c_uint64

    pp = getattr(lib, f"Hel2Dg___pp_{suffix}")
    pp.restype, pp.argtypes = record(ctype, 7), [P, P, U32]
    p = getattr(lib, f"Hel2Dg___p_{suffix}")
    p.restype, p.argtypes = record(ctype, 7), [P, U32]
    gg = getattr(lib, f"Hel2Dg___gg_{suffix}")
    gg.restype, gg.argtypes = record(ctype, 7), [P, P, U64, U32]
    poly = getattr(lib, f"Trans_Polinomica2D___puntosxy_{suffix}")
    poly.restype, poly.argtypes = None, [P, P, U32]
    poly_record = type("T", (C.Structure,), {"_fields_": [("tipo", C.c_uint32), ("values", ctype * 22)]})
    reversed_src, reversed_dst = src[::-1], dst[::-1]
    end = (n - 1) * src.strides[0]

    name = np.dtype(dtype).name
    cases = [
        # (what, the package's call, the C call on the same memory)
        (f"`vq.fit_similarity2d` ({name}, two (n, 2) arrays → pp)", f"`Hel2Dg___pp_{suffix}`",
         lambda: vq.fit_similarity2d(src, dst), lambda: pp(src.ctypes.data, dst.ctypes.data, n)),
        (f"`vq.fit_similarity2d` ({name}, halves of an (n, 4) array → p)", f"`Hel2Dg___p_{suffix}`",
         lambda: vq.fit_similarity2d(pairs[:, :2], pairs[:, 2:]), lambda: p(pairs.ctypes.data, n)),
        (f"`vq.fit_similarity2d` ({name}, reversed views → gg, negative stride)", f"`Hel2Dg___gg_{suffix}`",
         lambda: vq.fit_similarity2d(reversed_src, reversed_dst),
         lambda: gg(src.ctypes.data + end, dst.ctypes.data + end, (-src.strides[0]) % 2**64, n)),
    ]
    least_squares = lambda: vq.fit_similarity2d(src, dst, scale="least_squares")  # noqa: E731
    pointers = pair_pointers(src, dst)

    def c_polynomial():
        t = poly_record(tipo=3)
        poly(C.addressof(t), pointers.ctypes.data, n)

    def c_polynomial_with_pointers():
        pair_pointers(src, dst)
        c_polynomial()

    rows = []
    for what, export, ours, theirs in cases:
        rows.append((what, export, *cpu_medians([ours, theirs], args.repeat), True))
    ours, theirs = cpu_medians([least_squares, cases[0][3]], args.repeat)
    rows.append((f"`vq.fit_similarity2d(..., scale=\"least_squares\")` ({name}; one more pass)",
                 f"`Hel2Dg___pp_{suffix}`", ours, theirs, False))
    ours, alone, built = cpu_medians([lambda: vq.fit_polynomial2d(src, dst, "affine"), c_polynomial,
                                      c_polynomial_with_pointers], args.repeat)
    rows.append((f"`vq.fit_polynomial2d(..., \"affine\")` ({name}; builds the 2n pair pointers)",
                 f"`Trans_Polinomica2D___puntosxy_{suffix}` (pointers built beforehand)", ours, alone, False))
    rows.append((f"`vq.fit_polynomial2d(..., \"affine\")` ({name})",
                 f"`Trans_Polinomica2D___puntosxy_{suffix}` + numpy building the pointers", ours, built, False))
    return rows


def per_call(stmt, number=100_000):
    return min(timeit.repeat(stmt, number=number, repeat=7, timer=time.process_time)) / number


def rotation_rows():
    from scipy.spatial.transform import Rotation

    angles = (0.1, -0.2, 0.3)
    ours = vq.rotation_matrix(angles, "opk")
    scipys = Rotation.from_euler("xyz", angles).as_matrix()  # extrinsic x, y, z: Rz Ry Rx
    assert np.allclose(ours, scipys, rtol=0, atol=1e-15), (ours, scipys)
    angulos = record(C.c_double, 3)
    builder = getattr(lib, "MatrizRot_κωφ")
    builder.restype, builder.argtypes = None, [angulos, C.c_void_p]
    out = np.empty((3, 3))
    a = angulos(*angles)
    core = vq._core.matrix_from_angles
    return [
        ("`vq.rotation_matrix(angles, \"opk\")`", per_call(lambda: vq.rotation_matrix(angles, "opk"))),
        ("`vq.rotation_matrix(angles, \"v24\")`", per_call(lambda: vq.rotation_matrix(angles, "v24"))),
        ("`vq._core.matrix_from_angles(angles, 0)` (the module, no pure layer)", per_call(lambda: core(angles, 0))),
        ("`MatrizRot_κωφ` through ctypes (call overhead of ctypes included)",
         per_call(lambda: builder(a, out.ctypes.data))),
        ("SciPy `Rotation.from_euler(\"xyz\", angles)`", per_call(lambda: Rotation.from_euler("xyz", angles))),
        ("SciPy `Rotation.from_euler(\"xyz\", angles).as_matrix()`",
         per_call(lambda: Rotation.from_euler("xyz", angles).as_matrix(), number=50_000)),
    ]


print(f"vq {vq.__version__}, numpy {np.__version__}, Python {sys.version.split()[0]}, "
      f"{args.pairs} pairs, median CPU time of {args.repeat} calls\n")
print("| Target | Ours | Against | Ours/peer | Bound | Status |")
print("|---|---|---|---:|---|---|")
for dtype in (np.float64, np.float32):
    for what, export, a, b, bounded in fit_rows(dtype):
        status = ("met" if a / b <= BOUND else "not met") if bounded else "reported"
        print(f"| Python fit of 10^7 pairs ≤ 1.1× the C call | {what}: {a * 1e3:.1f} ms | {export}: "
              f"{b * 1e3:.1f} ms | {a / b:.2f} | {'≤ 1.1' if bounded else '—'} | {status} |")
rows = rotation_rows()
scipy_matrix = rows[-1][1]
print("\n| Per call: one rotation matrix from three angles | Time per call | vs SciPy from_euler + as_matrix |")
print("|---|---:|---:|")
for what, t in rows:
    print(f"| {what} | {t * 1e6:.2f} µs | {t / scipy_matrix:.3f} |")
