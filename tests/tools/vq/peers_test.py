"""vq fit against the peers surveyors use, on public control points (tests/tools/data,
with provenance): the least-squares similarity and rigid fits of scikit-image, QGIS's
published Helmert results, GDAL's GCP polynomials and its GCP refinement, the 3D
similarity of scikit-image (Umeyama) and PROJ's Helmert, and the quality report
against a textbook Gauss-Markov computation in numpy.

Run by CTest: VQ=path/to/vq VQ_EXAMPLES=examples python3 -m pytest peers_test.py
"""
import json
import os
import subprocess

import numpy as np
import pytest
from osgeo import gdal
from skimage.transform import EuclideanTransform, SimilarityTransform

VQ = os.environ.get("VQ", "vq")
HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data")
EXAMPLES = os.environ.get("VQ_EXAMPLES", os.path.join(HERE, "..", "..", "..", "examples"))
RELATIVE = 1e-9  # the agreement the peers and vq reach on every case below


def path(name):
    return os.path.join(EXAMPLES if name in ("map_scan.txt", "datum_shift.txt") else DATA, name)


def load(name):
    ids, src, dst = [], [], []
    with open(path(name)) as f:
        for line in f:
            fields = line.replace(",", " ").split()
            if not fields or fields[0].startswith("#"):
                continue
            try:
                values = [float(v) for v in fields[1:]]
            except ValueError:
                continue  # header
            half = len(values) // 2
            ids.append(fields[0])
            src.append(values[:half])
            dst.append(values[half:])
    return ids, np.array(src), np.array(dst)


def write(tmp_path, name, ids, src, dst):
    p = tmp_path / name
    p.write_text("".join("%s %s\n" % (i, " ".join(repr(float(v)) for v in (*s, *d)))
                         for i, s, d in zip(ids, src, dst)))
    return str(p)


def vq(*args):
    p = subprocess.run([VQ, *args], capture_output=True, text=True, timeout=120)
    assert p.returncode == 0, p.stderr
    return p.stdout


def report(*args):
    return json.loads(vq("fit", "--json", *args))


def apply(model, points):
    """Maps an (n, dim) array through a saved model with vq apply."""
    text = "".join("p%d %s\n" % (k, " ".join(repr(float(v)) for v in p)) for k, p in enumerate(points))
    p = subprocess.run([VQ, "apply", model, "-"], input=text, capture_output=True, text=True)
    if p.returncode != 0:  # readers without standard input: through a file
        tmp = model + ".points"
        with open(tmp, "w") as f:
            f.write(text)
        p = subprocess.run([VQ, "apply", model, tmp], capture_output=True, text=True, check=True)
    return np.array([[float(v) for v in line.split()[1:]] for line in p.stdout.splitlines()])


def near(actual, expected, scale, what):
    actual, expected = np.asarray(actual, float), np.asarray(expected, float)
    assert np.all(np.abs(actual - expected) <= RELATIVE * scale), "%s: %r vs %r" % (what, actual, expected)


SIMILARITY_SETS = ["skimage_pairs.txt", "qgis_helmert.txt", "gk_utm.txt", "map_scan.txt"]


@pytest.mark.parametrize("name", SIMILARITY_SETS)
def test_similarity_and_rigid_are_the_peers_least_squares(name):
    _, src, dst = load(name)
    spread = np.abs(dst - dst.mean(0)).max()
    for model, peer in (("similarity", SimilarityTransform()), ("rigid", EuclideanTransform())):
        peer.estimate(src, dst)
        p = report("--model", model, path(name))["parameters"]
        if model == "similarity":
            near(p["scale"], peer.scale, peer.scale, name + " scale")
        near(np.radians(p["rotation_deg"]), peer.rotation, 1.0, name + " rotation")
        near(p["translation"], peer.translation, max(spread, np.abs(peer.translation).max()), name + " translation")


def test_qgis_published_helmert_results(tmp_path):
    # QGIS's test compares to 1 unit; vq lands within it, both ways round.
    model = str(tmp_path / "m.json")
    vq("fit", "--model", "similarity", "--save", model, path("qgis_helmert.txt"))
    cases = [((288, 1000), (302325, 145676)), ((2352, 1150), (340495, 155540)),
             ((2067, 2500), (330540, 179867)), ((1102, 2300), (313138, 172822))]
    got = apply(model, [c[0] for c in cases])
    assert np.abs(got - [c[1] for c in cases]).max() < 1.0, got


def gdal_transformer(src, dst, order, *options):
    ds = gdal.GetDriverByName("MEM").Create("", 100, 100)
    ds.SetGCPs([gdal.GCP(float(X), float(Y), 0.0, float(x), float(y)) for (x, y), (X, Y) in zip(src, dst)], "")
    return gdal.Transformer(ds, None, ["METHOD=GCP_POLYNOMIAL", "MAX_GCP_ORDER=%d" % order, *options])


@pytest.mark.parametrize("name", ["map_scan.txt", "gk_utm.txt"])
@pytest.mark.parametrize("model,order", [("affine", 1), ("poly2", 2), ("poly3", 3)])
def test_polynomials_are_gdals(tmp_path, name, model, order):
    _, src, dst = load(name)
    saved = str(tmp_path / "m.json")
    vq("fit", "--model", model, "--save", saved, path(name))
    points = np.vstack([src, src + [17.3, -9.1], src.mean(0)])
    t = gdal_transformer(src, dst, order)
    peer = [t.TransformPoint(0, float(x), float(y))[1][:2] for x, y in points]
    near(apply(saved, points), peer, np.abs(dst - dst.mean(0)).max(), "%s %s" % (name, model))


def test_blunder_among_nine_real_points_is_flagged_and_rejected(tmp_path):
    ids, src, dst = load("gk_utm.txt")
    ids, src, dst = ids[:9], src[:9], dst[:9].copy()
    dst[4, 0] += 1000.0
    blundered = write(tmp_path, "b.txt", ids, src, dst)
    assert report("--model", "similarity", blundered)["suspected_blunders"] == [ids[4]]
    clean = report("--model", "similarity", "--reject", blundered)
    assert clean["rejected"] == [ids[4]] and clean["suspected_blunders"] == []


def test_gdal_refinement_outliers_are_rejected_to_gdals_transform(tmp_path):
    ids, src, dst = load("gdal_refine_gcps.txt")
    flagged = report("--model", "affine", path("gdal_refine_gcps.txt"))["suspected_blunders"]
    assert {"g05", "g08"} <= set(flagged)
    saved = str(tmp_path / "refined.json")
    refined = report("--model", "affine", "--reject", "--save", saved, path("gdal_refine_gcps.txt"))
    assert sorted(refined["rejected"]) == ["g05", "g08"]
    t = gdal_transformer(src, dst, 1, "REFINE_TOLERANCE=1", "REFINE_MINIMUM_GCPS=-1")
    points = np.array([[0, 0], [10, 10], [20, 40], [3.5, 17.25]])
    peer = [t.TransformPoint(0, float(x), float(y))[1][:2] for x, y in points]
    near(apply(saved, points), peer, 20.0, "refined transform")


def rotation(omega, phi, kappa):
    o, p, k = np.radians([omega, phi, kappa])
    rx = np.array([[1, 0, 0], [0, np.cos(o), -np.sin(o)], [0, np.sin(o), np.cos(o)]])
    ry = np.array([[np.cos(p), 0, np.sin(p)], [0, 1, 0], [-np.sin(p), 0, np.cos(p)]])
    rz = np.array([[np.cos(k), -np.sin(k), 0], [np.sin(k), np.cos(k), 0], [0, 0, 1]])
    return rz @ ry @ rx


def terrestrial(angles, count=30, noise=0.001, seed=4):
    """A terrestrial scan's targets: tens of metres, tilts of tens of degrees, 1 mm noise."""
    rng = np.random.default_rng(seed)
    src = rng.uniform([-40, -40, -5], [40, 40, 25], (count, 3)) + [1000, 2000, 300]
    dst = 0.99987 * src @ rotation(*angles).T + [512.3, -77.1, 45.6] + rng.normal(0, noise, (count, 3))
    return ["t%02d" % k for k in range(count)], src, dst


@pytest.mark.parametrize("angles", [(10, -5, 30), (50, 25, -140), (175, -60, 95)])
def test_similarity3d_is_umeyamas_least_squares(tmp_path, angles):
    ids, src, dst = terrestrial(angles)
    peer = SimilarityTransform(dimensionality=3)
    peer.estimate(src, dst)
    scale = np.cbrt(np.linalg.det(peer.params[:3, :3]))  # its `scale` reads a 2 x 2 block in 3D
    r = report("--model", "similarity3d", write(tmp_path, "t.txt", ids, src, dst))
    assert r["rotation_solution"]["converged"]
    near(r["parameters"]["scale"], scale, 1.0, "scale")
    near(r["parameters"]["rotation_matrix"], (peer.params[:3, :3] / scale).ravel(), 1.0, "rotation")
    near(r["parameters"]["translation"], peer.params[:3, 3], np.abs(peer.params[:3, 3]).max(), "translation")


def test_similarity3d_reproduces_a_published_helmert(tmp_path):
    # DHDN to ETRS89 (2), position vector, applied exactly by PROJ: vq recovers it.
    helmert = ("+proj=helmert +x=598.1 +y=73.7 +z=418.2 +rx=0.202 +ry=0.045 +rz=-2.455 +s=6.7 "
               "+convention=position_vector +exact")
    rng = np.random.default_rng(1)
    src = np.array([4157222.5, 664789.3, 4774952.1]) + rng.uniform(-30000, 30000, (12, 3))
    run = subprocess.run(["cct", "-d", "9"] + helmert.split(), input="".join("%r %r %r\n" % tuple(p) for p in src),
                         capture_output=True, text=True, check=True)
    dst = np.array([[float(v) for v in line.split()[:3]] for line in run.stdout.splitlines()])
    saved = str(tmp_path / "h.json")
    r = report("--model", "similarity3d", "--save", saved, write(tmp_path, "h.txt", ["h%d" % k for k in range(12)], src, dst))
    near(r["parameters"]["scale_ppm"], 6.7, 1e6, "ppm")  # the scale to 1e-9
    near(r["parameters"]["translation"], [598.1, 73.7, 418.2], 6.4e6, "translation")
    near(apply(saved, src), dst, 6.4e6, "mapped points")


def gauss_markov(A, l):
    """The textbook adjustment: x = (A^T A)^-1 A^T l, through QR for accuracy."""
    q, r = np.linalg.qr(A)
    x = np.linalg.solve(r, q.T @ l)
    v = l - A @ x
    redundancy = A.shape[0] - A.shape[1]
    sigma0 = np.sqrt(v @ v / redundancy)
    rinv = np.linalg.inv(r)
    qxx = rinv @ rinv.T
    qvv = 1.0 - np.einsum("ij,jk,ik->i", A, qxx, A)
    return x, sigma0, qxx, qvv


def check_quality(rep, sigma0, qxx, qvv, derived, largest):
    """derived: {key: (rows of d key / d x)} for the parameters vq reports with deviations.
    Each residual carries the rounding of a coordinate of magnitude `largest` (1e-15 of it, a
    few units in the last place), which bounds how closely any two computations of sigma0 can
    agree when the residuals are small against the coordinates (0.3 mm on 5.5e6 m)."""
    assert rep["quality"]["redundancy"] == len(qvv) - qxx.shape[0]
    relative = RELATIVE + 1e-15 * largest / sigma0
    near(rep["quality"]["sigma0"], sigma0, relative / RELATIVE * sigma0, "sigma0")
    for key, jacobian in derived.items():
        sd = sigma0 * np.sqrt(np.einsum("ij,jk,ik->i", jacobian, qxx, jacobian))
        near(np.ravel(rep["standard_deviations"][key]), sd, relative / RELATIVE * sd.max(), key)
    got = np.array([row["redundancy"] for row in rep["residuals"]]).ravel()
    near(got, qvv, 1.0, "redundancy numbers")


@pytest.mark.parametrize("name", ["map_scan.txt", "gk_utm.txt"])
def test_quality_is_gauss_markov_2d(name):
    _, src, dst = load(name)
    n = len(src)
    x, y = src[:, 0], src[:, 1]
    # Similarity X = a x - b y + tx, Y = b x + a y + ty; observations X1 Y1 X2 Y2 ...
    A = np.zeros((2 * n, 4))
    A[0::2] = np.column_stack([x, -y, np.ones(n), np.zeros(n)])
    A[1::2] = np.column_stack([y, x, np.zeros(n), np.ones(n)])
    p, sigma0, qxx, qvv = gauss_markov(A, dst.ravel())
    a, b = p[0], p[1]
    s2 = a * a + b * b
    check_quality(report("--model", "similarity", path(name)), sigma0, qxx, qvv, {
        "scale": np.array([[a, b, 0, 0]]) / np.sqrt(s2),
        "rotation_deg": np.degrees(np.array([[-b, a, 0, 0]]) / s2),
        "translation": np.array([[0, 0, 1, 0], [0, 0, 0, 1]])}, np.abs(dst).max())
    # Affine X = a x + b y + tx, Y = c x + d y + ty.
    A = np.zeros((2 * n, 6))
    A[0::2, :3] = np.column_stack([x, y, np.ones(n)])
    A[1::2, 3:] = np.column_stack([x, y, np.ones(n)])
    _, sigma0, qxx, qvv = gauss_markov(A, dst.ravel())
    check_quality(report("--model", "affine", path(name)), sigma0, qxx, qvv, {
        "matrix": np.eye(6)[[0, 1, 3, 4]], "translation": np.eye(6)[[2, 5]]}, np.abs(dst).max())


def test_quality_is_gauss_markov_3d(tmp_path):
    ids, src, dst = terrestrial((40, -20, 70))
    rep = report("--model", "similarity3d", write(tmp_path, "t.txt", ids, src, dst))
    R = np.array(rep["parameters"]["rotation_matrix"]).reshape(3, 3)
    s = rep["parameters"]["scale"]
    # Linearised at the solution: X = T + s (I + [t]x) R x, unknowns T, s, t.
    rows = []
    for p in src:
        r = R @ p
        cross = np.array([[0, -r[2], r[1]], [r[2], 0, -r[0]], [-r[1], r[0], 0]])
        rows.append(np.hstack([np.eye(3), r[:, None], -s * cross]))
    A = np.vstack(rows)
    fitted = np.array(rep["parameters"]["translation"]) + s * src @ R.T
    _, sigma0, qxx, qvv = gauss_markov(A, (dst - fitted).ravel())
    # omega, phi, kappa of R = Rz Ry Rx move with t as d(omega, phi, kappa) = M^-1 dt.
    o, ph, k = np.radians(rep["parameters"]["omega_phi_kappa_deg"])
    rz = rotation(0, 0, np.degrees(k))
    ry = rotation(0, np.degrees(ph), 0)
    M = np.column_stack([rz @ ry @ [1, 0, 0], rz @ [0, 1, 0], [0, 0, 1]])
    angles = np.zeros((3, 7))
    angles[:, 4:] = np.degrees(np.linalg.inv(M))
    check_quality(rep, sigma0, qxx, qvv, {
        "scale": np.eye(7)[[3]], "translation": np.eye(7)[:3], "omega_phi_kappa_deg": angles}, np.abs(dst).max())
