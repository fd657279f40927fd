"""vq.fit and vq.Model against the vq tool they wrap: the report of every
model on the sample control points equals `vq fit --json` bit for bit, model
files go from Python to `vq apply` and from `vq fit --save` to Python, models
invert, check points and every array layout give the fit they should. VQ_TOOL
names the built tool."""
import json
import os
import pickle
import re
import subprocess
from pathlib import Path

import numpy as np
import pytest
import vq

EXAMPLES = Path(__file__).resolve().parents[2] / "examples"
TOOL = os.environ.get("VQ_TOOL")
needs_tool = pytest.mark.skipif(not TOOL, reason="VQ_TOOL (the built vq tool) not given")


def read_pairs(name, dim):
    """The ids and pairs of a control-point file, read as the tool reads it."""
    ids, rows = [], []
    for line in (EXAMPLES / name).read_text().splitlines():
        fields = re.split(r"[\s,]+", line.split("#")[0].strip())
        try:
            values = [float(f) for f in fields[1:]]
        except ValueError:
            continue  # the header line
        if len(values) == 2 * dim:
            ids.append(fields[0])
            rows.append(values)
    table = np.array(rows)
    return ids, table[:, :dim], table[:, dim:]


def run_tool(*args):
    return subprocess.run([TOOL, *map(str, args)], check=True, capture_output=True, text=True).stdout


def same_bits(got, want):
    """Equal bit for bit (the sign of zero counts); NaN by position (the
    tool's JSON writes NaN as null)."""
    got = np.asarray(got, dtype=np.float64)
    want = np.array(want, dtype=np.float64)  # None -> NaN
    assert got.shape == want.shape
    nan = np.isnan(want)
    assert np.array_equal(np.isnan(got), nan), (got, want)
    assert np.array_equal(got[~nan].view(np.uint64), want[~nan].view(np.uint64)), (got, want)


MAP, DATUM = "map_scan.txt", "datum_shift.txt"
CASES = [
    # (file, model, keyword arguments of vq.fit)
    *[(MAP, m, {}) for m in ("translation", "rigid", "similarity", "affine", "poly2", "poly3")],
    (MAP, "similarity", {"scale": "symmetric", "reject": True}),
    (MAP, "affine", {"y_down": True, "reject": 1, "critical_value": 2.5}),
    (MAP, "poly2", {"sigma": 0.5}),
    (DATUM, "similarity3d", {}),
    (DATUM, "similarity3d", {"scale": "symmetric", "y_down": True, "sigma": 0.004}),
]


def tool_options(model, scale="least_squares", y_down=False, reject=None, critical_value=None, sigma=None):
    args = ["--model", model, "--scale", scale.replace("_", "-")]
    if y_down:
        args.append("--y-down")
    if reject is not None:
        args.append("--reject" if reject is True else f"--reject={reject}")
    if critical_value is not None:
        args += ["--critical-value", critical_value]
    if sigma is not None:
        args += ["--sigma", sigma]
    return args


@needs_tool
@pytest.mark.parametrize("name,model,options", CASES, ids=[f"{c[1]}-{i}" for i, c in enumerate(CASES)])
def test_fit_reports_what_the_tool_reports(name, model, options):
    dim = 3 if model == "similarity3d" else 2
    ids, src, dst = read_pairs(name, dim)
    got = vq.fit(src, dst, model, **options)
    # parse_int=float keeps the sign of a zero written as "-0".
    want = json.loads(run_tool("fit", "--json", *tool_options(model, **options), EXAMPLES / name),
                      parse_int=float)

    assert json.loads(got.to_json())["record"] == want["record"]
    assert got.parameters.keys() == want["parameters"].keys()
    for key, value in want["parameters"].items():
        same_bits(got.parameters[key], value)
    assert got.standard_deviations.keys() == want["standard_deviations"].keys()
    for key, value in want["standard_deviations"].items():
        same_bits(got.standard_deviations[key], value)
    q, wq, test = got.quality, want["quality"], want["quality"]["blunder_test"]
    assert (q.observations, q.unknowns, q.redundancy, q.exact, q.tested, q.a_priori) == (
        wq["observations"], wq["unknowns"], wq["redundancy"], wq["exact_fit"], test["tested"],
        test["sigma_source"] == "a_priori")
    same_bits([q.vtv, q.sigma0, q.sigma, q.critical_value, got.rms],
              [wq["vtv"], wq["sigma0"], test["sigma"], test["critical_value"], want["rms"]])
    assert ids[got.largest] == want["largest_residual"]["id"]
    assert [ids[i] for i in got.rejected] == want["rejected"]
    assert [ids[i] for i in np.flatnonzero(got.flagged)] == want["suspected_blunders"]
    assert list(got.warnings) == want["warnings"]
    solution = got.rotation_solution
    assert (solution and vars(solution)) == want.get("rotation_solution")

    rows = want["residuals"]
    assert [r["id"] for r in rows] == ids and list(got.roles) == [r["role"] for r in rows]
    for mine, key in ((got.residuals, "residual"), (got.lengths, "length"), (got.fitted, "transformed"),
                      (got.redundancy_numbers, "redundancy"), (got.standardized, "standardized")):
        same_bits(mine, [r[key] for r in rows])
    assert list(got.flagged) == [r["suspected_blunder"] for r in rows]


FILES = [(MAP, "similarity", {}), (MAP, "affine", {"y_down": True}), (MAP, "poly3", {}),
         (DATUM, "similarity3d", {"scale": "symmetric"})]


@needs_tool
@pytest.mark.parametrize("name,model,options", FILES, ids=[c[1] for c in FILES])
def test_model_files_go_both_ways(tmp_path, name, model, options):
    dim = 3 if model == "similarity3d" else 2
    ids, src, dst = read_pairs(name, dim)
    fitted = vq.fit(src, dst, model, **options).model

    saved = tmp_path / "tool.json"
    run_tool("fit", "--save", saved, *tool_options(model, **options), EXAMPLES / name)
    read = vq.Model.from_json(saved.read_text())
    assert read == fitted and pickle.loads(pickle.dumps(read)) == read
    assert read.to_json() == saved.read_text()

    mine = tmp_path / "python.json"
    mine.write_text(fitted.to_json())
    for inverse, points, model_ in (([], src, fitted), (["--inverse"], dst, fitted.inverse())):
        lines = [line.split() for line in run_tool("apply", *inverse, mine, EXAMPLES / name).splitlines()]
        assert [line[0] for line in lines] == ids
        same_bits(model_.apply(points), [[float(v) for v in line[1:]] for line in lines])


INVERSES = [(MAP, m, {}) for m in ("translation", "rigid", "similarity", "affine", "poly2", "poly3")] + [
    (MAP, "poly3", {"y_down": True}), (DATUM, "similarity3d", {})]


@pytest.mark.parametrize("name,model,options", INVERSES, ids=[f"{c[1]}-{i}" for i, c in enumerate(INVERSES)])
def test_inverse_maps_back(name, model, options):
    dim = 3 if model == "similarity3d" else 2
    _, src, dst = read_pairs(name, dim)
    forward = vq.fit(src, dst, model, **options).model
    backward = forward.inverse()
    assert backward.inverse() == forward and backward != forward
    # Newton's method for poly2/poly3 stops within 1e-9 of the point's magnitude.
    np.testing.assert_allclose(backward.apply(forward.apply(src)), src, rtol=0, atol=1e-9 * np.abs(src).max())
    np.testing.assert_allclose(forward.apply(backward.apply(dst)), dst, rtol=0, atol=1e-9 * np.abs(dst).max())


def test_check_points_are_reported_against_the_control_fit():
    _, src, dst = read_pairs(MAP, 2)
    check = np.zeros(len(src), bool)
    check[[2, 12, 17]] = True  # 12 is the blunder G13: as a check point it is not flagged
    got = vq.fit(src, dst, "affine", check=check)
    control = vq.fit(src[~check], dst[~check], "affine")
    assert got.model == control.model and got.parameters == control.parameters
    assert list(got.roles) == ["check" if c else "control" for c in check]
    same_bits(got.residuals[check], got.model.residuals(src[check], dst[check]))
    same_bits(got.residuals[~check], control.residuals)
    assert (got.redundancy_numbers[check] > 1).all() and (got.redundancy_numbers[~check] < 1).all()
    assert not got.flagged.any() and np.abs(got.standardized[12]).max() > 3.29


def spaced(a, how):
    """The values of the C-ordered float64 array a, laid out `how`."""
    if how == "strided":
        return np.repeat(a, 2, axis=1)[:, ::2]
    if how == "negative stride":
        return np.ascontiguousarray(a[::-1])[::-1]
    if how == "unaligned":
        raw = np.zeros(a.nbytes + 1, np.uint8)[1:].view(a.dtype).reshape(a.shape)
        raw[...] = a
        return raw
    return {"fortran": np.asfortranarray, "big-endian": lambda x: x.astype(">f8"),
            "float32": lambda x: x.astype(np.float32), "list": np.ndarray.tolist}[how](a)


@pytest.mark.parametrize("how", ["strided", "negative stride", "unaligned", "fortran", "big-endian", "float32", "list"])
def test_every_layout_gives_the_same_fit(how):
    _, src, dst = read_pairs(DATUM, 3)
    src, dst = (a.astype(np.float32).astype(np.float64) for a in (src, dst))
    want = vq.fit(src, dst)
    got = vq.fit(spaced(src, how), spaced(dst, how))
    assert got.model == want.model and got.parameters == want.parameters
    same_bits(got.standardized, want.standardized)
    same_bits(got.model.apply(spaced(src, how)), want.fitted)
