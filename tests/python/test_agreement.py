"""The package against the C exports called through ctypes, bit for bit: each
function on random data in both dtypes, read from contiguous, strided,
reversed (negative stride), unaligned and Fortran-ordered arrays, with and
without NaN and infinite values. NaN is compared by position, every other
value by its bits (so the sign of zero counts)."""
import ctypes as C

import cabi
import numpy as np
import pytest
import vq

DTYPES = [np.float32, np.float64]
VIEWS = ["contiguous", "strided", "reversed", "unaligned", "fortran"]
DATA = ["random", "nonfinite"]
N = 40  # enough pairs for every model (poly3 needs 10, the general 3D start 9)


def same_bits(got, want):
    got, want = np.asarray(got, dtype=np.float64), np.asarray(want, dtype=np.float64)
    assert got.shape == want.shape
    nan = np.isnan(want)
    assert np.array_equal(np.isnan(got), nan), (got, want)
    assert np.array_equal(got[~nan].view(np.uint64), want[~nan].view(np.uint64)), (got, want)


def view(a, how):
    """The C-contiguous array a, as a `how` array holding the same values."""
    n, k = a.shape
    if how == "strided":
        wide = np.full((n, k + 3), np.nan, a.dtype)
        wide[:, 2:2 + k] = a
        return wide[:, 2:2 + k]
    if how == "reversed":
        backwards = np.full((n, k + 1), np.nan, a.dtype)[::-1]
        backwards[:, :k] = a
        return backwards[:, :k]
    if how == "unaligned":
        raw = np.zeros(a.nbytes + 1, np.uint8)
        shifted = raw[1:].view(a.dtype).reshape(n, k)
        shifted[...] = a
        assert not shifted.flags.aligned
        return shifted
    if how == "fortran":
        return np.asfortranarray(a)
    return a


def point_pairs(rng, dim, dtype, data):
    """Source points and a noisy similar image of them (a turn, scale 2.5, shift)."""
    src = rng.uniform(-500.0, 500.0, (N, dim))
    R = vq.rotation_matrix((0.2, -0.1, 0.7)) if dim == 3 else vq.rotation_matrix((0.0, 0.0, 0.7))[:2, :2]
    dst = 2.5 * src @ R.T + rng.uniform(-1e4, 1e4, dim) + rng.normal(0.0, 0.05, (N, dim))
    if data == "nonfinite":
        src[3, 0], dst[5, 1], dst[7, 0] = np.nan, np.inf, -np.inf
    return src.astype(dtype), dst.astype(dtype)


# ---- C references on C-contiguous arrays ----------------------------------

def c_similarity2d(src, dst):
    record = cabi.export("Hel2Dg___pp", src.dtype)(cabi.ptr(src), cabi.ptr(dst), len(src))
    shift = cabi.export("Hel2D___Hel2Dg", src.dtype)(record)
    return record, np.concatenate([cabi.values(record), cabi.values(shift)])


def least_squares_scale(src, dst, record):
    """sqrt(Sdot^2 + Scross^2) / Qo about the fit's centroids, every step
    rounded to the dtype, terms summed in order."""
    t = src.dtype.type
    xs, ys, xd, yd = (t(getattr(record, f)) for f in cabi.HEL2DG_FIELDS[:4])
    qo = sdot = scross = t(0)
    with np.errstate(all="ignore"):
        for (x, y), (X, Y) in zip(src, dst):
            dxo, dyo, dxd, dyd = x - xs, y - ys, X - xd, Y - yd
            qo = qo + (dxo * dxo + dyo * dyo)
            sdot = sdot + (dxo * dxd + dyo * dyd)
            scross = scross + (dxo * dyd - dyo * dxd)
        return np.sqrt(sdot * sdot + scross * scross) / qo


def c_similarity2d_ls(src, dst):
    record, _ = c_similarity2d(src, dst)
    record.escala = least_squares_scale(src, dst, record)
    shift = cabi.export("Hel2D___Hel2Dg", src.dtype)(record)
    return np.concatenate([cabi.values(record), cabi.values(shift)])


def c_polynomial_record(src, dst, code):
    record = cabi.Polynomial[cabi.SUFFIX[src.dtype]](tipo=code)
    cabi.export("Trans_Polinomica2D___puntosxy", src.dtype)(C.byref(record), cabi.pair_pointers(src, dst), len(src))
    return record


def c_polynomial_map(src, dst):
    record = c_polynomial_record(src, dst, 7)
    out = src.copy()
    for row in out:
        cabi.export("transforma_punto2D", src.dtype)(C.byref(record), row.ctypes.data)
    return out


def c_similarity3d(src, dst, general):
    record, cofactors = cabi.Hel3Dg[cabi.SUFFIX[src.dtype]](), (C.c_float * 9)()
    status = cabi.export("Hel3Dg___ptr", src.dtype)(cabi.pair_pointers(src, dst), len(src), C.byref(record),
                                                    general, 0, cofactors)
    assert status == 0
    return record, np.concatenate([cabi.values(record), list(cofactors)])


def c_similarity3d_map(src, dst):
    """The centroid form summed left to right, each step rounded to the dtype."""
    h, _ = c_similarity3d(src, dst, 0)
    t = src.dtype.type
    R = np.array(h.R, dtype=src.dtype).reshape(3, 3)
    a = src - np.array([h.xm_origen, h.ym_origen, h.zm_origen], dtype=src.dtype)
    with np.errstate(all="ignore"):
        r = [(R[k, 0] * a[:, 0] + R[k, 1] * a[:, 1]) + R[k, 2] * a[:, 2] for k in range(3)]
        centre = (h.xm_destino, h.ym_destino, h.zm_destino)
        return np.stack([t(centre[k]) + t(h.escala) * r[k] for k in range(3)], axis=1)


# ---- the package on views ---------------------------------------------------

def similarity2d_values(record):
    shift = record.translation_form()
    return [*record.src_centroid, *record.dst_centroid, record.scale, record.cos, record.sin,
            shift.tx, shift.ty, shift.scale, shift.cos, shift.sin]


def polynomial_values(record):
    return [record.code, *record.src_centroid, *record.dst_origin, *record.coef_x, *record.coef_y]


def similarity3d_values(record):
    return [*record.src_centroid, *record.dst_centroid, record.scale, *record.rotation, *record.cofactors]


POINT_CASES = {
    # name: (dimension, the package on views, the C reference on contiguous copies)
    "similarity2d": (2, lambda s, d: similarity2d_values(vq.fit_similarity2d(s, d)),
                     lambda s, d: c_similarity2d(s, d)[1]),
    "similarity2d_least_squares": (
        2, lambda s, d: similarity2d_values(vq.fit_similarity2d(s, d, scale="least_squares")), c_similarity2d_ls),
    **{f"polynomial2d_{model}": (
        2, lambda s, d, m=model: polynomial_values(vq.fit_polynomial2d(s, d, m)),
        lambda s, d, c=code: cabi.values(c_polynomial_record(s, d, c)))
       for model, code in vq.MODELS.items()},
    "polynomial2d_apply": (2, lambda s, d: vq.fit_polynomial2d(s, d, "poly3").apply(s), c_polynomial_map),
    "similarity3d": (3, lambda s, d: similarity3d_values(vq.fit_similarity3d(s, d)),
                     lambda s, d: c_similarity3d(s, d, 0)[1]),
    "similarity3d_general_start": (3, lambda s, d: similarity3d_values(vq.fit_similarity3d(s, d, general_start=True)),
                                   lambda s, d: c_similarity3d(s, d, 1)[1]),
    "similarity3d_apply": (3, lambda s, d: vq.fit_similarity3d(s, d).apply(s), c_similarity3d_map),
}


@pytest.mark.parametrize("data", DATA)
@pytest.mark.parametrize("how", VIEWS)
@pytest.mark.parametrize("dtype", DTYPES, ids=["float32", "float64"])
@pytest.mark.parametrize("case", POINT_CASES)
def test_point_functions_match_c(case, dtype, how, data):
    dim, package, reference = POINT_CASES[case]
    src, dst = point_pairs(np.random.default_rng(7), dim, dtype, data)
    with np.errstate(all="ignore"):
        want = reference(src, dst)
    got = package(view(src, how), view(dst, how))
    if case.endswith("apply"):
        assert got.dtype == dtype and got.shape == src.shape
    same_bits(got, want)


def halves(src, dst):
    """The two halves of one (n, 4) array of pairs."""
    pairs = np.concatenate([src, dst], axis=1)
    return pairs[:, :2], pairs[:, 2:]


def walk(src, dst):
    """Source and destination points alternating in one walk of 3-value records."""
    rows = np.full((2 * len(src), 3), np.nan, src.dtype)
    rows[0::2, :2], rows[1::2, :2] = src, dst
    return rows[0::2, :2], rows[1::2, :2]


LAYOUTS = [
    # (estimator expected, how the package gets the pairs)
    ("pp", lambda s, d: (s, d)),
    ("p", halves),
    ("g", walk),
    ("gg", lambda s, d: (view(s, "strided"), view(d, "strided"))),
    ("gg", lambda s, d: (view(s, "reversed"), view(d, "reversed"))),
    ("mixed", lambda s, d: (view(s, "strided"), view(d, "reversed"))),
]


@pytest.mark.parametrize("dtype", DTYPES, ids=["float32", "float64"])
@pytest.mark.parametrize("layout,arrange", LAYOUTS, ids=[f"{name}{i}" for i, (name, _) in enumerate(LAYOUTS)])
def test_every_similarity_layout_gives_the_c_bits(layout, arrange, dtype):
    src, dst = point_pairs(np.random.default_rng(3), 2, dtype, "random")
    s, d = arrange(src, dst)
    assert vq._core.similarity2d_layout(s, d) == layout
    same_bits(similarity2d_values(vq.fit_similarity2d(s, d)), c_similarity2d(src, dst)[1])


@pytest.mark.parametrize("dtype", DTYPES, ids=["float32", "float64"])
@pytest.mark.parametrize("fit,dim", [(vq.fit_similarity2d, 2), (vq.fit_polynomial2d, 2), (vq.fit_similarity3d, 3)])
def test_index_fits_the_listed_rows_in_place(fit, dim, dtype):
    src, dst = point_pairs(np.random.default_rng(5), dim, dtype, "random")
    rows = np.array([4, 0, 17, 17, 39, 8, 2, 30, 11, 25, 6, 1])
    if dim == 2:
        assert vq._core.similarity2d_layout(src, dst, rows) == "ptr"
    assert fit(view(src, "reversed"), dst, index=rows) == fit(src[rows], dst[rows])


def test_reducing_in_place_overwrites_the_points_as_the_c_fit_does():
    src, dst = point_pairs(np.random.default_rng(9), 3, np.float64, "random")
    c_src, c_dst = src.copy(), dst.copy()
    record, cofactors = cabi.Hel3Dg["dbl"](), (C.c_float * 9)()
    cabi.Hel3Dg___ptr_dbl(cabi.pair_pointers(c_src, c_dst), N, C.byref(record), 0, 1, cofactors)
    got = vq.fit_similarity3d(src, dst, overwrite_points=True)
    same_bits(similarity3d_values(got), np.concatenate([cabi.values(record), list(cofactors)]))
    same_bits(src, c_src)
    same_bits(dst, c_dst)


# ---- rotations and matrix kernels --------------------------------------------

def c_matrix(fill):
    R = np.empty((3, 3))
    fill(R.ctypes.data)
    return R


def sincos(a):
    return cabi.SenCos(*(f(x) for x in a for f in (cabi.sin, cabi.cos)))


def c_angles(record):
    return np.array([record.omega, record.fi, record.kappa])


def c_offset(R, extraction):
    offset = C.c_int32()
    f = C.cast(getattr(cabi, extraction), C.c_void_p)
    values = c_angles(cabi.Getoffset_matriz(np.ascontiguousarray(R, np.float64).ctypes.data, f, C.byref(offset)))
    return np.append(values, offset.value)


def c_increment(t, dtype):
    D = np.empty((3, 3), dtype)
    squared = cabi.export("MatrizDeltafl", dtype)(cabi.Angulos_fl(*t), D.ctypes.data)
    return np.append(D.ravel(), squared)


BUILDER_CASES = {
    # name: (the package on three values, the C reference)
    "opk": (lambda a: vq.rotation_matrix(a, "opk"), lambda a: c_matrix(lambda R: cabi.MatrizRotGT_ωφκ(sincos(a), R))),
    "kop": (lambda a: vq.rotation_matrix(a, "kop"),
            lambda a: c_matrix(lambda R: cabi.MatrizRot_κωφ(cabi.Angulos(*a), R))),
    "kwk": (lambda a: vq.rotation_matrix(a, "kwk"), lambda a: c_matrix(lambda R: cabi.MatrizRotGT_κwκ(sincos(a), R))),
    **{f"v{k}": (lambda a, k=k: vq.rotation_matrix(a, f"v{k}"),
                 lambda a, k=k: c_matrix(lambda R: getattr(cabi, f"MatrizRot_{k}")(cabi.Angulos(*a), R)))
       for k in (20, 24, 26, 28)},
    **{f"sincos_{order}": (
        lambda a, o=order: vq.rotation_matrix_from_sincos([f(x) for x in a for f in (cabi.sin, cabi.cos)], o),
        lambda a, n=name: c_matrix(lambda R: getattr(cabi, n)(sincos(a), R)))
       for order, name in (("opk", "MatrizRotGT_ωφκ"), ("kop", "MatrizRotGT_κωφ"), ("kwk", "MatrizRotGT_κwκ"))},
    **{f"increment_{np.dtype(t).name}": (
        lambda a, t=t: np.append(*vq.increment_matrix(a, t)), lambda a, t=t: c_increment(a, t)) for t in DTYPES},
}


@pytest.mark.parametrize("data", DATA)
@pytest.mark.parametrize("case", BUILDER_CASES)
def test_rotation_builders_match_c(case, data):
    package, reference = BUILDER_CASES[case]
    rng = np.random.default_rng(11)
    for _ in range(20):
        a = rng.uniform(-np.pi, np.pi, 3)
        if data == "nonfinite":
            a[rng.integers(3)] = rng.choice([np.nan, np.inf])
        with np.errstate(all="ignore"):
            same_bits(package(tuple(a)), reference(a))


def random_rotation(rng):
    """A rotation about every axis with a random number of quarter turns about z."""
    quarter = rng.integers(4) * np.pi / 2
    return vq.rotation_matrix(rng.uniform(-0.6, 0.6, 3) + [0, 0, quarter])


def symmetric(rng, n):
    a = rng.normal(size=(n, n))
    return a @ a.T + n * np.eye(n)


def c_in_place(name, a, *more):
    a = np.ascontiguousarray(a)
    status = cabi.export(name, a.dtype)(a.ctypes.data, *more)
    return a, status


def c_solve(p, b):
    p, b = np.ascontiguousarray(p), np.asfortranarray(b)
    if b.ndim == 1:
        status = cabi.export("resuelve_sistema_sim_t", b.dtype)(p.ctypes.data, b.ctypes.data, len(b))
    else:
        status = cabi.export("resuelve_sistema_sim_t_2", b.dtype)(p.ctypes.data, b[:, 0].ctypes.data,
                                                                  b[:, 1].ctypes.data, len(b))
    return b, status


def outcome(call):
    """The result of a call, or the name of the error it raised."""
    try:
        return call()
    except np.linalg.LinAlgError:
        return "LinAlgError"


def inverse_case(method, name):
    def package(a):
        return outcome(lambda: vq.inv_sym(a, method=method))

    def reference(a):
        result, status = c_in_place(name, a, len(a))
        return "LinAlgError" if status else result
    return package, reference


def solve_case(columns):
    def arrays(a):
        b = np.arange(1.0, 1.0 + len(a) * columns).reshape(len(a), columns).astype(a.dtype)
        return vq.pack_sym(np.ascontiguousarray(a)), b[:, 0] if columns == 1 else b

    def package(a):
        p, b = arrays(a)
        return outcome(lambda: vq.solve_packed(p, b))

    def reference(a):
        x, status = c_solve(*arrays(a))
        return "LinAlgError" if status else x
    return package, reference


MATRIX_CASES = {
    # name: (matrix order, the package on a matrix view, the C reference on a contiguous copy)
    "angles_from_matrix": (3, vq.angles_from_matrix,
                           lambda R: c_angles(cabi.Gmatriz_ωφκ_seg(np.ascontiguousarray(R, np.float64).ctypes.data))),
    "parameters_from_matrix": (3, vq.parameters_from_matrix,
                               lambda R: c_angles(cabi.Gmatriz_24_seg(np.ascontiguousarray(R, np.float64).ctypes.data))),
    "quarter_turn_offset_opk": (3, lambda R: np.append(*vq.quarter_turn_offset(R, "opk")),
                                lambda R: c_offset(R, "Gmatriz_ωφκ_seg")),
    "quarter_turn_offset_v24": (3, lambda R: np.append(*vq.quarter_turn_offset(R, "v24")),
                                lambda R: c_offset(R, "Gmatriz_24_seg")),
    "orthonormalize": (3, vq.orthonormalize, lambda m: c_in_place("convierte_en_R", m)[0]),
    "inv_sym3": (3, vq.inv_sym3, lambda m: c_in_place("VQinvsim3", m)[0]),
    **{f"inv_sym_{method}": (9, *inverse_case(method, name))
       for method, name in (("elimination", "VQinvsim"), ("positive", "VQinvsim_pos"), ("cholesky", "VQinvsim_cho"))},
    "solve_packed": (9, *solve_case(1)),
    "solve_packed_two": (9, *solve_case(2)),
}


@pytest.mark.parametrize("data", DATA)
@pytest.mark.parametrize("how", VIEWS)
@pytest.mark.parametrize("dtype", DTYPES, ids=["float32", "float64"])
@pytest.mark.parametrize("case", MATRIX_CASES)
def test_matrix_functions_match_c(case, dtype, how, data):
    order, package, reference = MATRIX_CASES[case]
    rng = np.random.default_rng(13)
    a = random_rotation(rng) * 1.3 if order == 3 else symmetric(rng, order)
    if data == "nonfinite":
        a[1, 2] = a[2, 1] = np.nan
    a = a.astype(dtype)
    with np.errstate(all="ignore"):
        want = reference(a.copy())
    got = package(view(a, how))
    if isinstance(want, str):
        assert got == want
    else:
        same_bits(got, want)


@pytest.mark.parametrize("weighted", [False, True])
@pytest.mark.parametrize("how", VIEWS)
def test_angle_means_match_c(how, weighted):
    rng = np.random.default_rng(17)
    angles = rng.uniform(-np.pi, np.pi, (50, 3))
    angles[:10, 0] = rng.choice([np.pi - 0.01, -np.pi + 0.01], 10)  # across the seam
    angles[20, 1] = np.nan
    weights = rng.uniform(0.0, 2.0, (50, 3))
    weights[:, 2] = 0.0  # a component whose weights sum to zero
    c_weights = weights.astype(np.float32)
    if weighted:
        got = vq.mean_angles(view(angles, how), view(weights, how))
        want = cabi.Gmedio_pesos(angles.ctypes.data, 50, c_weights.ctypes.data)
    else:
        got = vq.mean_angles(view(angles, how))
        want = cabi.Gmedio(angles.ctypes.data, 50)
    same_bits(got, c_angles(want))
