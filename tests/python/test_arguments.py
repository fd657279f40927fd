"""What the package does with the arguments it is given: the errors for wrong
dtypes and shapes, the non-finite results of degenerate input, whose arrays
it copies and whose it may overwrite."""
import pickle

import numpy as np
import pytest
import vq

rng = np.random.default_rng(19)
P2, P3 = rng.random((10, 2)), rng.random((10, 3))
M3 = vq.rotation_matrix((0.1, 0.2, 0.3))
SPD = np.eye(4) * 4 + 1
P2_32 = P2.astype(np.float32)
POLY = vq.fit_polynomial2d(P2, P2, "affine")
SIM3 = vq.fit_similarity3d(P3, P3)
# 2**32 pairs in no memory at all: every row is the same row.
HUGE = np.broadcast_to(np.zeros(2), (2**32, 2))
AFFINE = vq.fit(P2, 2 * P2 + 1, "affine").model
POLY3 = vq.fit(P2, P2 + 0.1 * P2**2, "poly3").model
NAN_AT, INF_AT = P2.copy(), P2.copy()
NAN_AT[3, 1], INF_AT[0, 1] = np.nan, -np.inf

ERRORS = [
    # (call, error, what the message says)
    (lambda: vq.fit_similarity2d(P2.astype(np.int64), P2), TypeError, "src has dtype int64; vq takes float32 or float64"),
    (lambda: vq.fit_similarity2d(P2, P2.astype(np.float16)), TypeError, "dst has dtype float16"),
    (lambda: vq.fit_similarity2d(P2.astype(">f8"), P2), TypeError, "in native byte order"),
    (lambda: vq.fit_similarity2d(P2 + 0j, P2), TypeError, "src has dtype complex128"),
    (lambda: vq.fit_similarity2d(P2_32, P2), TypeError, "src and dst must have the same dtype"),
    (lambda: vq.fit_similarity2d(P3, P2), ValueError, "src must have shape (n, 2), got (10, 3)"),
    (lambda: vq.fit_similarity2d(P2, P2.ravel()), ValueError, "dst must have shape (n, 2), got (20,)"),
    (lambda: vq.fit_similarity2d(P2, P2[:9]), ValueError, "same number of points, got 10 and 9"),
    (lambda: vq.fit_similarity2d(HUGE, HUGE), ValueError, "4294967296 pairs; one call takes at most 4294967295"),
    (lambda: vq.fit_similarity2d(P2, P2, scale="median"), ValueError, "scale must be"),
    (lambda: vq.fit_similarity2d(P2, P2, index=[0.5]), TypeError, "index has dtype float64"),
    (lambda: vq.fit_similarity2d(P2, P2, index=[3, 10]), ValueError, "index[1] = 10 is not a row of src and dst"),
    (lambda: vq.fit_polynomial2d(P2, P2, index=[-1]), ValueError, "index[0] = -1"),
    (lambda: vq.fit_polynomial2d(P2, P2, index=[[1]]), ValueError, "index must have shape (k,), got (1, 1)"),
    (lambda: vq.fit_polynomial2d(P2, P2, "quartic"), ValueError, "model must be one of centroids, rigid"),
    (lambda: vq.fit_polynomial2d(P2, P2, -1), ValueError, "model must be one of"),
    (lambda: vq.fit_similarity3d(P2, P2), ValueError, "src must have shape (n, 3), got (10, 2)"),
    (lambda: vq.fit_similarity3d(P3, P3.astype(np.int32)), TypeError, "dst has dtype int32"),
    (lambda: POLY.apply(P3), ValueError, "points must have shape (n, 2), got (10, 3)"),
    (lambda: POLY.apply(P2_32), TypeError, "points are float32 but the record maps float64 points"),
    (lambda: SIM3.apply(P2), ValueError, "points must have shape (n, 3), got (10, 2)"),
    (lambda: SIM3.apply(P3.astype(np.int8)), TypeError, "points has dtype int8"),
    (lambda: vq.rotation_matrix((1, 2, 3), "xyz"), ValueError, "form must be one of opk, kop, kwk, v20"),
    (lambda: vq.rotation_matrix((1, 2)), TypeError, "incompatible function arguments"),
    (lambda: vq.rotation_matrix_from_sincos((0, 1) * 3, "zyz"), ValueError, "order must be one of opk, kop, kwk"),
    (lambda: vq.increment_matrix((0, 0, 0), np.int32), TypeError, "dtype int32 is not accepted"),
    (lambda: vq.angles_from_matrix(np.eye(4)), ValueError, "R must have shape (3, 3), got (4, 4)"),
    (lambda: vq.parameters_from_matrix(M3.astype(int)), TypeError, "R has dtype int64"),
    (lambda: vq.quarter_turn_offset(M3, "kop"), ValueError, "form must be one of opk, v24"),
    (lambda: vq.mean_angles(P2), ValueError, "angles must have shape (n, 3), got (10, 2)"),
    (lambda: vq.mean_angles(P3, P3[:4]), ValueError, "weights must have shape (10, 3), got (4, 3)"),
    (lambda: vq.orthonormalize(M3[:2]), ValueError, "a must have shape (3, 3), got (2, 3)"),
    (lambda: vq.inv_sym3(M3.astype(np.longdouble)), TypeError, "a has dtype float128"),
    (lambda: vq.inv_sym(np.ones((3, 4))), ValueError, "a must have shape (n, n), got (3, 4)"),
    (lambda: vq.inv_sym(SPD, method="lu"), ValueError, "method must be one of elimination, positive, cholesky"),
    (lambda: vq.inv_sym(-SPD, method="cholesky"), np.linalg.LinAlgError, "not positive definite"),
    (lambda: vq.solve_packed(np.ones(9), np.ones(4)), ValueError, "p must have shape (10,) for 4 unknowns"),
    (lambda: vq.solve_packed(np.ones(10), np.ones((4, 3))), ValueError, "b must have shape (n,) or (n, 2), got (4, 3)"),
    (lambda: vq.solve_packed(np.ones(10, np.float32), np.ones(4)), TypeError, "p and b must have the same dtype"),
    (lambda: vq.solve_packed(vq.pack_sym(-SPD), np.ones(4)), np.linalg.LinAlgError, "a pivot was <= 0"),
    (lambda: vq.fit(P2.astype(np.int64), P2), TypeError, "src has dtype int64; the tool's fits and models take float64"),
    (lambda: vq.fit(P2, P2.astype(np.longdouble)), TypeError, "dst has dtype float128"),
    (lambda: vq.fit(P3, P3, "affine"), ValueError, "src must have shape (n, 2), got (10, 3)"),
    (lambda: vq.fit(P2, P2[:9]), ValueError, "same number of points, got 10 and 9"),
    (lambda: vq.fit(NAN_AT, P2), ValueError, "src[3, 1] is nan; a fit takes finite coordinates"),
    (lambda: vq.fit(P2, INF_AT[::-1]), ValueError, "dst[9, 1] is -inf"),
    (lambda: vq.fit(P2, P2, "cubic"), ValueError, "model must be one of translation, rigid, similarity"),
    (lambda: vq.fit(P2, P2, scale="median"), ValueError, "scale must be 'least_squares' or 'symmetric'"),
    (lambda: vq.fit(P2, P2, critical_value=np.nan), ValueError, "critical_value must be finite and positive"),
    (lambda: vq.fit(P2, P2, sigma=0), ValueError, "sigma must be None or finite and positive"),
    (lambda: vq.fit(P2, P2, reject=-1), ValueError, "reject must be None, True or a count >= 0"),
    (lambda: vq.fit(P2, P2, reject=1.5), TypeError, "'float' object cannot be interpreted as an integer"),
    (lambda: vq.fit(P2, P2, check=np.arange(10)), TypeError, "check has dtype int64; it must be a boolean mask"),
    (lambda: vq.fit(P2, P2, check=[True]), ValueError, "check must have shape (10,), got (1,)"),
    (lambda: vq.fit(P2[:1], P2[:1]), vq.FitError, "vq.fit: 1 control point; model similarity needs at least 2"),
    (lambda: vq.fit(P2 * 0, P2), vq.FitError, "degenerate geometry: all source points coincide"),
    (lambda: vq.fit(P2, P2 * [1, -1], "rigid"), vq.FitError, "the destination is a mirror image of the source"),
    (lambda: vq.fit(P2[:9], P2[:9], "poly3"), vq.FitError, "9 control points; model poly3 needs at least 10"),
    (lambda: vq.Model("cubic", ()), ValueError, "model must be one of translation"),
    (lambda: vq.Model("affine", (1.0,) * 21), ValueError, "the record of a affine model holds 22 numbers, got 21"),
    (lambda: vq.Model("affine", (np.inf,) * 22), ValueError, "holds non-finite numbers"),
    (lambda: vq.Model("affine", AFFINE.record, scale_estimator="symmetric"), ValueError, "has no scale estimator"),
    (lambda: vq.Model("similarity3d", (1.0,) * 16, y_down=True), ValueError, "y_down applies to 2D models only"),
    (lambda: AFFINE.apply(P3), ValueError, "points must have shape (n, 2), got (10, 3)"),
    (lambda: AFFINE.apply(P2.astype(np.int32)), TypeError, "points has dtype int32"),
    (lambda: AFFINE.residuals(P2, P2[:3]), ValueError, "src and dst must hold the same number of points"),
    (lambda: AFFINE.inverse().to_json(), ValueError, "a model file holds a forward model"),
    (lambda: vq.Model("affine", (0.0,) * 22).inverse().apply(P2), vq.FitError, "points[0] cannot be mapped back: the model is singular"),
    (lambda: POLY3.inverse().apply([[1.0, 1.0], [1e6, -1e6]]), vq.FitError, "points[1] cannot be mapped back: the inverse of the polynomial does not converge"),
    (lambda: vq.Model.from_json("{}"), ValueError, "model file text: not a vq model file"),
    (lambda: vq.Model.from_json(AFFINE.to_json()[:-9]), ValueError, "not a valid model file (JSON)"),
]


@pytest.mark.parametrize("call,error,message", ERRORS, ids=[m[:40] for _, _, m in ERRORS])
def test_bad_arguments_raise_a_named_error(call, error, message):
    with pytest.raises(error) as raised:
        call()
    assert message in str(raised.value)


EMPTY2, EMPTY3 = np.empty((0, 2)), np.empty((0, 3))
NAN3 = np.full((3, 3), np.nan)

DEGENERATE = [
    # (call, the values it gives, which of them are not finite (all when None))
    (lambda: vq.fit_similarity2d(EMPTY2, EMPTY2), lambda r: [*r.src_centroid, *r.dst_centroid, r.scale, r.cos, r.sin], None),
    (lambda: vq.fit_similarity2d(P2[:1], P2[:1], scale="least_squares"), lambda r: [r.scale, r.cos, r.sin], None),
    (lambda: vq.fit_polynomial2d(EMPTY2, EMPTY2, "poly3"), lambda r: [*r.src_centroid, *r.coef_x], None),
    (lambda: vq.fit_polynomial2d(P2[:2], P2[:2], "poly3"), lambda r: r.coef_x, None),
    (lambda: vq.fit_similarity3d(EMPTY3, EMPTY3), lambda r: [*r.src_centroid, r.scale], None),
    (lambda: vq.fit_similarity3d(np.full((5, 3), np.inf), P3[:5]), lambda r: [*r.src_centroid, r.scale, *r.rotation], None),
    (lambda: POLY.apply(np.array([[np.nan, 1.0], [2.0, 3.0]])), lambda a: a, [[True, True], [False, False]]),
    (lambda: SIM3.apply(np.array([[np.inf, 0.0, 0.0]])), lambda a: a, None),
    (lambda: AFFINE.apply([[np.nan, 1.0], [2.0, 3.0]]), lambda a: a, [[True, True], [False, False]]),
    (lambda: POLY3.inverse().apply([[np.inf, 1.0], [1.0, 1.0]]), lambda a: a, [[True, True], [False, False]]),
    (lambda: vq.rotation_matrix((np.nan, 0.0, 0.0)), lambda R: R, [[False, True, True]] * 3),
    (lambda: vq.rotation_matrix((0.0, 0.0, 0.0), "v20"), lambda R: R, None),
    (lambda: vq.angles_from_matrix(NAN3), lambda a: a, None),
    (lambda: vq.quarter_turn_offset(NAN3)[0], lambda a: a, None),
    (lambda: vq.mean_angles(EMPTY3), lambda a: a, None),
    (lambda: vq.orthonormalize(NAN3), lambda a: a, None),
    (lambda: vq.inv_sym(np.zeros((3, 3))), lambda a: a, None),
    (lambda: vq.inv_sym3(NAN3), lambda a: a, None),
    (lambda: vq.solve_packed(np.full(6, np.nan), np.ones(3)), lambda x: x, None),
]


@pytest.mark.parametrize("case", range(len(DEGENERATE)))
def test_degenerate_input_gives_non_finite_values(case):
    call, values, non_finite = DEGENERATE[case]
    with np.errstate(all="ignore"):
        got = ~np.isfinite(np.asarray(values(call()), dtype=np.float64))
    assert np.array_equal(got, np.ones_like(got) if non_finite is None else non_finite)


def test_empty_point_arrays_map_to_empty_arrays():
    assert POLY.apply(EMPTY2).shape == (0, 2) and SIM3.apply(EMPTY3).shape == (0, 3)
    for model in (AFFINE, AFFINE.inverse(), POLY3.inverse()):
        assert model.apply(EMPTY2.astype(np.float32)).dtype == np.float64 and model.apply(EMPTY2).shape == (0, 2)


def test_sequences_are_taken_as_float64():
    # The worked example of the 2D similarity, exact in binary.
    r = vq.fit_similarity2d([[0, 0], [1, 0]], [[10, 20], [10, 22]])
    assert (r.src_centroid, r.dst_centroid, r.scale, r.cos, r.sin, r.dtype) == ((0.5, 0), (10, 21), 2, 0, 1, "float64")
    assert r.translation_form() == vq.Similarity2DShift(-10, 5, 2, 0, 1)


def test_unpickled_arrays_are_accepted():
    # They carry dtype objects of their own (as Dask blocks on a cluster do).
    src, dst = pickle.loads(pickle.dumps((P2_32, 2 * P2_32)))
    assert src.dtype is not P2_32.dtype
    assert vq.fit_similarity2d(src, dst) == vq.fit_similarity2d(P2_32, 2 * P2_32)


def test_fits_only_read_their_points():
    src, dst = P3.copy(), P3 * 2
    src.flags.writeable = dst.flags.writeable = False
    for fit in (lambda: vq.fit_similarity2d(src[:, :2], dst[:, :2]), lambda: vq.fit_polynomial2d(src[:, :2], dst[:, :2]),
                lambda: vq.fit_similarity3d(src, dst), lambda: vq.fit_similarity3d(src, dst, overwrite_points=True)):
        fit()
    assert np.array_equal(src, P3) and np.array_equal(dst, P3 * 2)


OVERWRITING = [
    # (call with the array and overwrite flag, the array it may overwrite)
    (lambda a, o: vq.inv_sym(a, overwrite_a=o), SPD),
    (lambda a, o: vq.inv_sym(a, method="cholesky", overwrite_a=o), SPD),
    (lambda a, o: vq.inv_sym3(a, overwrite_a=o), SPD[:3, :3]),
    (lambda a, o: vq.orthonormalize(a, overwrite_a=o), 2 * M3),
    (lambda p, o: vq.solve_packed(p, np.ones(4), overwrite_p=o), vq.pack_sym(SPD)),
    (lambda b, o: vq.solve_packed(vq.pack_sym(SPD), b, overwrite_b=o), np.ones(4)),
    (lambda b, o: vq.solve_packed(vq.pack_sym(SPD), b, overwrite_b=o), np.ones((4, 2), order="F")),
]


def spaced(a):
    """a, with the same values, in every other element of a larger array."""
    wide = np.zeros(tuple(2 * n for n in a.shape), a.dtype)
    wide[tuple(slice(None, None, 2) for _ in a.shape)] = a
    return wide[tuple(slice(None, None, 2) for _ in a.shape)]


@pytest.mark.parametrize("call,array", OVERWRITING)
def test_arrays_are_copied_unless_overwriting_is_allowed(call, array):
    want = call(array.copy(order="K"), False)
    readonly = array.copy(order="K")
    readonly.flags.writeable = False
    # Kept: without permission, and with it where the kernel cannot work in place.
    for a, allowed in ((array.copy(order="K"), False), (readonly, True), (spaced(array), True)):
        assert np.array_equal(call(a, allowed), want)
        assert np.array_equal(a, array)
    worked_in = array.copy(order="K")
    assert np.array_equal(call(worked_in, True), want)
    assert not np.array_equal(worked_in, array)
