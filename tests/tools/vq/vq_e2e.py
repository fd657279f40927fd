#!/usr/bin/env python3
"""End-to-end tests of the vq tool: run the built executable on the shipped
samples and on bad input, and check what it prints, writes and returns.

    vq_e2e.py --vq build/default/tools/vq/vq --examples examples --case sample2d
"""
import argparse
import json
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

EXIT_USAGE, EXIT_INPUT, EXIT_MODEL = 2, 3, 4
DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
ARCSEC = math.pi / (180 * 3600)


class Vq:
    def __init__(self, exe, examples, tmp):
        self.exe, self.examples, self.tmp = exe, examples, tmp

    def run(self, *args, stdin=None):
        p = subprocess.run([self.exe, *args], input=stdin, capture_output=True, text=True, timeout=120)
        return p.returncode, p.stdout, p.stderr

    def ok(self, *args, stdin=None):
        code, out, err = self.run(*args, stdin=stdin)
        check(code == 0, "vq %s failed (%d): %s" % (" ".join(args), code, err))
        return out

    def json(self, *args):
        return json.loads(self.ok(*args, "--json"))

    def sample(self, name):
        return os.path.join(self.examples, name)

    def params(self, name):
        with open(self.sample(name)) as f:
            return json.load(f)

    def write(self, name, text):
        path = os.path.join(self.tmp, name)
        with open(path, "w") as f:
            f.write(text)
        return path


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def near(actual, expected, tolerance, what):
    check(abs(actual - expected) <= tolerance,
          "%s: %r differs from %r by more than %g" % (what, actual, expected, tolerance))


def case_sample2d(vq):
    """The map sample recovers its similarity; its one blunder is flagged."""
    truth = vq.params("map_scan.params.json")
    report = vq.json("fit", "--model", "similarity", vq.sample("map_scan.txt"))
    p = report["parameters"]
    check(report["suspected_blunders"] == [truth["blunder"]["id"]], "blunders: %r" % report["suspected_blunders"])
    check(report["largest_residual"]["id"] == truth["blunder"]["id"], "largest residual not at the blunder")
    # With the blunder in, the fit is pulled by it; without it, it is tight.
    near(p["scale"], truth["scale"], 5e-4 * truth["scale"], "scale")
    near(p["rotation_deg"], truth["rotation_deg"], 0.02, "rotation")
    with open(vq.sample("map_scan.txt")) as f:
        clean = [l for l in f if not l.startswith(truth["blunder"]["id"] + " ")]
    report = vq.json("fit", "--model", "similarity", vq.write("clean.txt", "".join(clean)))
    p = report["parameters"]
    check(report["suspected_blunders"] == [], "clean set has blunders: %r" % report["suspected_blunders"])
    near(p["scale"], truth["scale"], 1.5e-4 * truth["scale"], "scale without blunder")
    near(p["rotation_deg"], truth["rotation_deg"], 0.002, "rotation without blunder")
    near(p["rotation_gon"], truth["rotation_deg"] / 0.9, 0.002, "rotation in gon")
    near(p["scale_ppm"], (p["scale"] - 1) * 1e6, 1e-6, "ppm")
    for k in range(2):
        near(p["translation"][k], truth["translation"][k], 1.0, "translation")
    check(report["rms"] < 3 * truth["noise_px"] * truth["scale"], "rms %g too large" % report["rms"])
    # A pixel-to-metre scale reads as a factor; ppm only for scales near 1.
    check("ppm" not in vq.ok("fit", vq.sample("map_scan.txt")), "ppm of a scale of 2")
    check("scale - 1 (ppm)" in vq.ok("fit", vq.sample("datum_shift.txt")), "no ppm for a datum shift")


def case_sample3d(vq):
    """The datum-shift sample recovers its seven parameters, either start."""
    truth = vq.params("datum_shift.params.json")
    for extra in ([], ["--general-start"]):
        report = vq.json("fit", "--model", "similarity3d", *extra, vq.sample("datum_shift.txt"))
        p = report["parameters"]
        near(p["scale_ppm"], truth["scale_ppm"], 0.5, "ppm")
        for k in range(3):
            near(p["omega_phi_kappa_arcsec"][k], truth["omega_phi_kappa_arcsec"][k], 0.3, "angle %d" % k)
            near(p["omega_phi_kappa_deg"][k] * 3600, p["omega_phi_kappa_arcsec"][k], 1e-9, "deg vs arcsec")
            # The shift at the geocentre is only as good as the rotation times the earth's radius.
            near(p["translation"][k], truth["translation"][k], 5.0, "translation %d" % k)
        R = p["rotation_matrix"]
        for i in range(3):
            for j in range(3):
                dot = sum(R[3 * i + k] * R[3 * j + k] for k in range(3))
                near(dot, 1.0 if i == j else 0.0, 1e-12, "R R^T")
        check(report["suspected_blunders"] == [], "3D blunders: %r" % report["suspected_blunders"])
        check(report["rms"] < 3 * truth["noise_m"], "rms %g" % report["rms"])


def read_apply(text):
    rows = {}
    for line in text.splitlines():
        fields = line.split()
        rows[fields[0]] = [float(v) for v in fields[1:]]
    return rows


def case_save_apply(vq):
    """fit --save then apply gives the fitted points bit for bit; --inverse goes back (poly2 and
    poly3 by Newton's method)."""
    runs = [(m, "map_scan.txt") for m in ("translation", "rigid", "similarity", "affine", "poly2", "poly3")]
    runs.append(("similarity3d", "datum_shift.txt"))
    for model, sample in runs:
        saved = os.path.join(vq.tmp, model + ".json")
        report = vq.json("fit", "--model", model, "--save", saved, vq.sample(sample))
        with open(saved) as f:
            check(json.load(f)["model"] == model, "saved model name")
        mapped = read_apply(vq.ok("apply", saved, vq.sample(sample)))
        check(len(mapped) == report["points"], "apply count")
        for row in report["residuals"]:
            check(mapped[row["id"]] == row["transformed"],
                  "%s: apply %r != fit %r for %s" % (model, mapped[row["id"]], row["transformed"], row["id"]))
        # Map the transformed points back; they land on the source points.
        dim = 3 if model == "similarity3d" else 2
        lines = "".join("%s %s\n" % (k, " ".join(repr(v) for v in vals)) for k, vals in mapped.items())
        back = read_apply(vq.ok("apply", "--inverse", saved, vq.write("mapped.txt", lines)))
        with open(vq.sample(sample)) as f:
            source = {}
            for line in f:
                if line.startswith("#") or not line.strip():
                    continue
                fields = line.replace(",", " ").split()
                try:
                    source[fields[0]] = [float(v) for v in fields[1:1 + dim]]
                except ValueError:
                    pass  # header
        for key, vals in back.items():
            for a, b in zip(vals, source[key]):
                near(a, b, 1e-6 * max(1.0, abs(b)), "%s inverse of %s" % (model, key))
        # Of whole pair lines --inverse maps the destination columns, the observed points.
        observed = "".join("%s %s\n" % (row["id"], " ".join(repr(t + v) for t, v in zip(row["transformed"], row["residual"])))
                           for row in report["residuals"])
        pairs_back = read_apply(vq.ok("apply", "--inverse", saved, vq.sample(sample)))
        observed_back = read_apply(vq.ok("apply", "--inverse", saved, vq.write("observed.txt", observed)))
        for key, vals in pairs_back.items():
            for a, b in zip(vals, observed_back[key]):
                near(a, b, 1e-9 * max(1.0, abs(b)), "%s inverse of the pair line %s" % (model, key))


def case_json(vq):
    """The JSON report parses and carries the same numbers as the text report."""
    report = vq.json("fit", "--model", "affine", vq.sample("map_scan.txt"))
    for key in ("model", "dimension", "points", "parameters", "record", "residuals", "rms",
                "largest_residual", "suspected_blunders"):
        check(key in report, "missing " + key)
    check(report["record"]["Trans_Polinomica2D"]["tipo"] == 3, "affine model code")
    text = vq.ok("fit", "--model", "affine", "--decimals", "3", vq.sample("map_scan.txt"))
    check(("RMS residual: %.3f" % report["rms"]) in text, "text RMS differs from JSON")
    for row in report["residuals"]:
        near(math.hypot(*row["residual"]), row["length"], 1e-9, "residual length")
    apply_json = json.loads(vq.ok("rotation", "--from", "opk", "--json", "1", "2", "3"))
    check(len(apply_json["matrix"]) == 9 and apply_json["unit"] == "deg", "rotation json")


SVG = "{http://www.w3.org/2000/svg}"


def plot(vq, name, *args):
    svg = os.path.join(vq.tmp, name + ".svg")
    vq.ok("fit", "--plot", svg, *args)
    root = ET.parse(svg).getroot()
    check(root.tag == SVG + "svg", "root is not svg")
    return root, " ".join(t.text or "" for t in root.iter(SVG + "text"))


def case_plot(vq):
    """--plot: every point; vectors magnified after the median residual inside a clipped plot
    area; the blunder clipped with its length; scale bars outside the blunder colour; height
    residuals of 3D fits; no magnified noise for exact fits; a sample of very large sets."""
    for model, sample, n in (("similarity", "map_scan.txt", 20), ("similarity3d", "datum_shift.txt", 15)):
        root, texts = plot(vq, model, "--model", model, vq.sample(sample))
        check(len(root.findall(".//" + SVG + "circle")) == n, "one circle per point")
        check("magnified" in texts and "residual scale" in texts and "map scale" in texts, "labels: " + texts)
        lines = root.findall(".//" + SVG + "line")
        bars = [l for l in lines if l.get("marker-end") is None and l.get("stroke-width") == "2"]
        check(len(bars) == 2 and all(b.get("stroke") != "#d62728" for b in bars), "scale bars")
        check(root.find(".//" + SVG + "clipPath") is not None, "plot area not clipped")
        if model == "similarity":
            check("(clipped)" in texts and "G13" in texts, "the blunder is drawn clipped with its length")
        else:
            check(any(l.get("stroke") == "#2ca02c" for l in lines), "no height residuals")
    exact = "".join("p%d %d %d %d %d\n" % (k, k, k * k % 11, 3 * k + 7, 3 * (k * k % 11)) for k in range(12))
    root, texts = plot(vq, "exact", "--model", "similarity", vq.write("exact.txt", exact))
    check("not drawn" in texts and not root.findall(".//*[@marker-end]"), "noise of an exact fit drawn")
    many = "".join("p%d %d %d %r %r\n" % (k, k % 300, k // 300, 2.0 * (k % 300) + 0.01 * (k % 7),
                                           2.0 * (k // 300) - 0.01 * (k % 5)) for k in range(12000))
    root, texts = plot(vq, "many", "--model", "similarity", vq.write("many.txt", many))
    check("showing 10000 of 12000 points" in texts, "no sample note: " + texts)
    check(len(root.findall(".//" + SVG + "circle")) <= 10000 + 50, "sample too large")
    # Ids that are markup or not UTF-8 still give well-formed XML.
    weird = vq.write("weird.txt", "a&<b> 0 0 0 0\n\"q'\x01 1 0 1 0\n\xc3( 0 1 0 1\n")
    svg = os.path.join(vq.tmp, "weird.svg")
    vq.ok("fit", "--model", "similarity", "--plot", svg, "--magnification", "1000", weird)
    ET.parse(svg)


def case_bad_input(vq):
    """Each bad input: its message with file:line:column, its exit code, no output, no files."""
    pairs = "a 0 0 10 10\nb 1 0 11 10\nc 0 1 10 11\nd 1 1 11 11\n"
    cases = [
        ("malformed", pairs + "e 1 2 3 x4\n", "similarity", EXIT_INPUT, ":5:9: malformed number 'x4'"),
        ("columns", pairs + "e 1 2 3\n", "similarity", EXIT_INPUT, ":5:8: expected 5 columns"),
        ("columns3d", "a 1 2 3 4\n", "similarity3d", EXIT_INPUT, ":1:10: expected id x y z X Y Z, found 5"),
        ("nonfinite", pairs + "e 1 inf 3 4\n", "similarity", EXIT_INPUT, ":5:5: non-finite value 'inf'"),
        ("not_a_number", "a nan 0 0 0\n", "similarity", EXIT_INPUT, ":1:3: non-finite value 'nan'"),
        ("range", "a 1e999 0 0 0\n", "similarity", EXIT_INPUT, ":1:3: number out of the range"),
        ("duplicate", pairs + "b 5 5 5 5\n", "similarity", EXIT_INPUT, ":5:1: duplicate id 'b' (first on line 2)"),
        # The first fault in the file is the one named, a duplicate id before a bad number too.
        ("duplicate_first", pairs + "b 5 5 5 5\ne 1 2 3 x4\n", "similarity", EXIT_INPUT, ":5:1: duplicate id 'b'"),
        ("csv_duplicate_first", "id,x,y,X,Y\na,0,0,1,1\na,1,1,2,2\nb,1,x,2,2\n", "similarity", EXIT_INPUT,
         ":3:1: duplicate id 'a' (first on line 2)"),
        ("xml_duplicate_first", "<GCPList>\n" + "".join('<GCP Id="%s" Pixel="%s" Line="0" X="0" Y="0"/>\n' % g
                                                         for g in (("a", "0"), ("a", "1"), ("b", "x"))) + "</GCPList>\n",
         "similarity", EXIT_INPUT, ":3:1: duplicate id 'a' (first on line 2)"),
        ("empty", "# nothing\n", "similarity", EXIT_INPUT, "no points in file"),
        ("few_similarity", "a 0 0 1 1\n", "similarity", EXIT_MODEL, "1 control point; model similarity needs at least 2"),
        ("few_affine", "a 0 0 1 1\nb 1 0 2 1\n", "affine", EXIT_MODEL, "needs at least 3 points"),
        ("few_poly2", pairs, "poly2", EXIT_MODEL, "4 control points; model poly2 needs at least 6"),
        ("few_poly3", pairs * 1 + "e 2 0 1 1\nf 0 2 1 1\ng 3 1 1 1\n", "poly3", EXIT_MODEL, "needs at least 10"),
        ("few_3d", "a 0 0 0 1 1 1\nb 1 0 0 2 1 1\n", "similarity3d", EXIT_MODEL, "needs at least 3 non-collinear"),
        ("coincident", "a 1 1 0 0\nb 1 1 5 5\nc 1 1 7 7\n", "similarity", EXIT_MODEL, "all source points coincide"),
        ("collinear", "a 0 0 0 0\nb 1 1 1 2\nc 2 2 3 1\nd 3 3 4 4\n", "affine", EXIT_MODEL, "source points are collinear"),
        ("collinear3d", "a 0 0 0 0 0 0\nb 1 1 1 1 0 0\nc 2 2 2 0 1 0\n", "similarity3d", EXIT_MODEL, "collinear"),
        ("mirrored", "a 0 0 0 0\nb 1 0 1 0\nc 0 1 0 -1\nd 1 1 1 -1\n", "similarity", EXIT_MODEL, "--y-down"),
        ("empty_field", "a 1,,2 3 4\n", "similarity", EXIT_INPUT, ":1:5: empty field"),
        # Text that reads two ways is refused where it is, never guessed.
        ("decimal_comma", pairs + "e 1,5 2 3 4\n", "similarity", EXIT_INPUT, ":5:4: ambiguous ','"),
        ("csv_decimal_comma", "id;x;y;X;Y\nA;1,5;2;3;4\n", "similarity", EXIT_INPUT, ":2:4: decimal comma in '1,5'"),
        ("csv_unknown_header", "foo,bar,baz,qux,quux\n1,2,3,4,5\n", "similarity", EXIT_INPUT, ":1:1: the header names no column"),
        ("csv_two_names", "id,x,pixel,y,X,Y\na,1,2,3,4,5\n", "similarity", EXIT_INPUT, ":1:6: ambiguous header: 'pixel' and 'x'"),
        ("csv_quote", "id,x,y,X,Y\n\"a,1,2,3,4\n", "similarity", EXIT_INPUT, ":2:1: quote not closed"),
        ("qgis_without_header", "4316373.37,3385976.07,3899,-1161,1\n", "similarity", EXIT_INPUT,
         ":1:1: the first field '4316373.37' reads as a coordinate"),
        ("qgis_enable", "mapX,mapY,pixelX,pixelY,enable\n1,2,3,4,yes\n", "similarity", EXIT_INPUT, ":2:9: enable is 'yes'"),
        ("gcp_decimal_comma", "-gcp 0 0 440720,5 3751320\n", "similarity", EXIT_INPUT, ":1:10: decimal comma in '440720,5'"),
        ("gcp_short", "-gcp 0 0 1 2\n-gcp 1 2 3\n", "similarity", EXIT_INPUT, ":2:1: -gcp takes pixel line X Y [Z], found 3"),
        ("xml_two_lists", "<VRTDataset>\n<GCPList/>\n<GCPList/>\n</VRTDataset>\n", "similarity", EXIT_INPUT,
         ":3:1: ambiguous: 2 <GCPList> elements"),
        ("xml_broken", "<GCPList>\n<GCP Pixel=\"1\"\n", "similarity", EXIT_INPUT, "not well-formed XML"),
        ("xml_comma", "<GCPList>\n <GCP Pixel=\"1,5\" Line=\"0\" X=\"0\" Y=\"0\"/>\n</GCPList>\n", "similarity",
         EXIT_INPUT, ":2:2: Pixel: decimal comma in '1,5'"),
    ]
    for name, text, model, code, message in cases:
        path = vq.write(name + ".txt", text)
        saved = os.path.join(vq.tmp, name + ".model.json")
        got, out, err = vq.run("fit", "--model", model, "--save", saved, path)
        check(got == code, "%s: exit %d, expected %d (%s)" % (name, got, code, err))
        check(message in err and path in err, "%s: message %r lacks %r" % (name, err, message))
        check(out == "", "%s: printed a result: %r" % (name, out))
        check(not os.path.exists(saved), "%s: wrote a model file" % name)
        check("nan" not in err.lower().replace("'nan'", ""), "%s: NaN in message" % name)
    missing = os.path.join(vq.tmp, "no_such_file.txt")
    got, out, err = vq.run("fit", missing)
    check(got == EXIT_INPUT and missing + ": cannot open file" in err and out == "", "missing file: " + err)
    got, out, err = vq.run("fit", vq.tmp)
    check(got == EXIT_INPUT and vq.tmp in err and out == "", "directory: " + err)
    got, out, err = vq.run("apply", vq.write("bad_model.json", "{\"format\": \"vq-model\""), vq.sample("map_scan.txt"))
    check(got == EXIT_INPUT and "bad_model.json:1:22: not a valid model file" in err, "bad model: " + err)
    got, out, err = vq.run("fit", "--model", "cubic", vq.sample("map_scan.txt"))
    check(got == EXIT_USAGE and out == "", "unknown model: " + err)
    got, out, err = vq.run("rotation", "--from", "matrix", "1", "2", "3", "4", "5", "6", "7", "8", "9")
    check(got == EXIT_USAGE and "not a rotation" in err and out == "", "bad matrix: " + err)


def grid(rows, cols, dim=2):
    """Pairs on a rows x cols grid, mildly curved: enough points, too few rows for a polynomial."""
    return "".join("p%d_%d %d %d %r %r\n" % (r, c, 100 * c, 300 * r, 100 * c + 1e-4 * c ** 3, 300 * r + 0.1 * c * c)
                   for r in range(rows) for c in range(cols))


def turned(points, f):
    return "".join("t%d %s %s\n" % (k, " ".join(map(repr, p)), " ".join(map(repr, f(p))))
                   for k, p in enumerate(points))


CLOUD = [(1, 2, 3), (-4, 5, 1), (7, -2, -6), (0, 0, 9), (-3, -8, 2), (6, 6, -1)]
OUTPUT_EXIT = 5


def case_refusals(vq):
    """One row per refusal: the command, its input, the exit code and where the message points.
    A refused fit prints nothing and writes no file."""
    cases = [
        # name, arguments ({in} is the input file), input text, exit code, message
        ("poly3_two_rows", ["fit", "--model", "poly3", "{in}"], grid(2, 5), EXIT_MODEL, "do not determine model poly3"),
        ("poly2_two_rows", ["fit", "--model", "poly2", "{in}"], grid(2, 3), EXIT_MODEL, "try --model affine"),
        ("mirrored_3d", ["fit", "--model", "similarity3d", "{in}"],
         turned(CLOUD, lambda p: (p[0], p[1], -p[2])), EXIT_MODEL, "mirror image"),
        ("collinear_destination", ["fit", "--model", "similarity3d", "{in}"],
         turned(CLOUD, lambda p: (p[0], 2 * p[0], 3 * p[0])), EXIT_MODEL, "destination points are collinear"),
        ("huge", ["fit", "{in}"], "a 0 0 1e200 0\nb 1 0 0 1e200\nc 0 1 1 1\n", EXIT_MODEL, "beyond 1e140"),
        ("tiny", ["fit", "{in}"], "a 0 0 1e-200 0\nb 1 0 0 1e-200\nc 0 1 2e-200 1e-200\n", EXIT_MODEL,
         "less than 1e-140"),
        ("rotation_count", ["rotation", "--from", "opk", "1", "2"], None, EXIT_USAGE, "opk takes 3 values"),
        ("rotation_nan", ["rotation", "--from", "opk", "nan", "0", "0"], None, EXIT_USAGE, "'nan' is not finite"),
        ("rotation_overflow", ["rotation", "--from", "opk", "1e999", "0", "0"], None, EXIT_USAGE, "out of the range"),
        ("magnification_nan", ["fit", "--magnification", "nan", "{in}"], "a 0 0 0 0\nb 1 0 1 0\n", EXIT_USAGE,
         "not a finite positive number"),
        ("reject_count", ["fit", "--reject=x", "{in}"], "a 0 0 0 0\nb 1 0 1 0\n", EXIT_USAGE, "--reject: 'x'"),
        ("plot_directory", ["fit", "--save", "{out}", "--plot", "/no/such/dir/r.svg", "{in}"],
         "a 0 0 0 0\nb 1 0 1 0\nc 0 1 0 1\n", OUTPUT_EXIT, "/no/such/dir/r.svg: cannot write file"),
    ]
    for name, args, text, code, message in cases:
        source = vq.write(name + ".txt", text) if text is not None else None
        saved = os.path.join(vq.tmp, name + ".model.json")
        argv = [a.replace("{in}", source or "").replace("{out}", saved) for a in args]
        got, out, err = vq.run(*argv)
        check(got == code, "%s: exit %d, expected %d (%s)" % (name, got, code, err))
        check(message in err, "%s: message %r lacks %r" % (name, err, message))
        check(source is None or source in err or code != EXIT_MODEL, "%s: %r does not name the file" % (name, err))
        check(out == "" and not os.path.exists(saved), "%s: printed or wrote a result" % name)
    # Accepted as they are: a near-identity rotation, a number below the range of double,
    # a half turn (the start of the 3D estimator is far from it; the fit still finds it).
    vq.ok("rotation", "--from", "v20", "--unit", "rad", "1e-200", "0", "0")
    vq.ok("rotation", "--from", "opk", "1e-400", "0", "4e-320")
    half = vq.json("fit", "--model", "similarity3d", vq.write("half.txt", turned(CLOUD, lambda p: (p[0] + 5, -p[1], -p[2]))))
    check(half["rms"] < 1e-9 and half["rotation_solution"]["converged"], "half turn: %r" % half["rms"])


def case_large_ids(vq):
    """A 60,000-byte id pads only its own line: the report stays the size of its input."""
    text = "".join("p%d %d %d %d %d\n" % (k, k, k * k % 7, 2 * k, 2 * (k * k % 7)) for k in range(200))
    text += "x" * 60000 + " 3 1 6 2\n"
    out = vq.ok("fit", "--model", "affine", vq.write("ids.txt", text))
    check(len(out) < len(text) + 40000, "report of %d bytes for %d bytes of input" % (len(out), len(text)))


def case_out_of_memory(vq):
    """Out of memory is the documented exit 4 with a message, never an abort (needs an address-space
    limit, which the sanitizers' shadow memory cannot live with: skipped there)."""
    if os.environ.get("VQ_SANITIZED"):
        return
    import resource
    text = "".join("p%d %d %d %d %d\n" % (k, k % 1000, k // 1000, 2 * (k % 1000), 2 * (k // 1000)) for k in range(300000))
    path = vq.write("large.txt", text)
    limit = lambda: resource.setrlimit(resource.RLIMIT_AS, (12 << 20, 12 << 20))
    for args in (["fit", path], ["fit", "--json", path]):
        p = subprocess.run([vq.exe, *args], capture_output=True, text=True, preexec_fn=limit, timeout=120)
        check(p.returncode == EXIT_MODEL and "out of memory" in p.stderr and p.stdout == "",
              "%r: exit %d, %r" % (args, p.returncode, p.stderr))


def case_apply_input(vq):
    """vq apply on ambiguous points and damaged models: exit code, message with its place, no output."""
    model2d = os.path.join(vq.tmp, "m2.json")
    vq.ok("fit", "--model", "similarity", "--save", model2d, vq.sample("map_scan.txt"))
    with open(model2d) as f:
        good = f.read()
    rot = ('{"format": "vq-model", "version": 2, "model": "similarity3d", "dimension": 3, "record": {"Hel3Dg": '
           '{"xm_origen": 0, "ym_origen": 0, "zm_origen": 0, "xm_destino": 0, "ym_destino": 0, "zm_destino": 0, '
           '"escala": 1, "R": [1, 0, 0, 0, 1, 0, 0, 0.5, 1]}}}')
    cases = [  # points on standard input, model text (None: the fitted one), extra arguments, exit, message
        ("P1\t1,5\t2,5\n", None, [], EXIT_INPUT, "<stdin>:1:5: ambiguous ','"),
        ("1 2 3\n", None, [], EXIT_INPUT, "<stdin>:1:1: ambiguous line: 3 numbers read as 'id x y' or as 'x y z'"),
        ("a 1 2\nb 1 2 3\n", None, [], EXIT_INPUT, "<stdin>:2:7: expected 3 columns (id x y)"),
        ("a;1;2\n", None, ["--format", "plain"], EXIT_INPUT, "<stdin>:1:2: ';' is not a separator"),
        ("a 1 2\n", '{"format": 7}', [], EXIT_INPUT, "m.json: not a vq model file"),
        ("a 1 2\n", good.replace('"version": 2', '"version": 99'), [], EXIT_INPUT, "m.json: model file version 99 is not supported"),
        ("a 1 2\n", good.replace('"dimension": 2', '"dimension": 3'), [], EXIT_INPUT, "m.json: \"dimension\" is 3"),
        ("a 1 2\n", good.replace('"rms"', '"rms"').replace('"escala": ', '"escala": 1e400, "x": '), [], EXIT_INPUT,
         "not a valid model file (JSON): number overflow"),
        ("a 1 2 3\n", rot, ["--inverse"], EXIT_INPUT, "m.json: record.Hel3Dg.R is not a rotation"),
    ]
    for text, model, extra, code, message in cases:
        path = vq.write("m.json", good if model is None else model)
        got, out, err = vq.run("apply", *extra, path, "-", stdin=text)
        check(got == code and message in err, "%r: exit %d, %r lacks %r" % (text, got, err, message))
        check(out == "", "%r: printed %r" % (text, out))
    # Said plainly, the same lines read: no ids (z passed through) or the first column as id.
    path = vq.write("m.json", good)
    got, out, err = vq.run("apply", "--ids", "none", path, "-", stdin="1 2 3\n")
    check(got == 0 and len(out.split()) == 3 and out.split()[2] == "3", "--ids none: %r %r" % (out, err))
    got, out, err = vq.run("apply", "--ids", "first", path, "-", stdin="1 2 3\n")
    check(got == 0 and out.split()[0] == "1" and len(out.split()) == 3, "--ids first: %r %r" % (out, err))
    # A byte-order mark is no part of the first id, before a comment or not.
    for text in ("\ufeff# ids\nP1 1 2\n", "\ufeffP1 1 2\n"):
        got, out, err = vq.run("apply", path, "-", stdin=text)
        check(got == 0 and out.startswith("P1 "), "BOM: %r %r" % (out, err))


def case_rotation(vq):
    """Conversions agree: every form maps back to the same matrix."""
    base = json.loads(vq.ok("rotation", "--from", "opk", "--json", "--unit", "rad", "0.3", "-0.2", "2.5"))
    near(base["opk"][0], 0.3, 1e-12, "omega")
    near(base["opk"][2], 2.5, 1e-12, "kappa")
    for form in ("opk", "kop", "v20", "v24", "v26", "v28"):
        again = json.loads(vq.ok("rotation", "--from", form, "--to", "matrix", "--json", "--unit", "rad",
                                 "--", *[repr(v) for v in base[form]]))
        for a, b in zip(again["matrix"], base["matrix"]):
            near(a, b, 1e-12, "matrix from " + form)
    deg = json.loads(vq.ok("rotation", "--from", "matrix", "--to", "opk", "--json", "0", "-1", "0", "1", "0", "0", "0", "0", "1"))
    near(deg["opk"][2], 90.0, 1e-12, "quarter turn about z")
    gon = json.loads(vq.ok("rotation", "--from", "opk", "--unit", "gon", "--to", "opk", "--json", "0", "0", "100"))
    near(gon["opk"][2], 100.0, 1e-12, "gon")


def case_help(vq):
    """--help of vq and of each command explains the options with an example."""
    for args in ([], ["fit"], ["apply"], ["export"], ["rotation"]):
        out = vq.ok(*args, "--help")
        check("Example" in out, "no example in help of %r" % args)
    check("--general-start" in vq.ok("fit", "--help"), "fit help lacks --general-start")
    check("--inverse" in vq.ok("apply", "--help"), "apply help lacks --inverse")


def case_readers(vq):
    """Each reader on a real public sample: the points, their ids, the y-down source of GDAL's GCPs."""
    samples = [  # file, model, points, ids, rms bound, y_down
        ("qgis3_allmaps.points", "affine", 5, ["3", "4", "5", "6", "7"], None, False),
        ("gdal_transformer16.gcps", "similarity", 4, ["1", "2", "3", "4"], 1e-9, True),
        ("gdal_tiff_write_81.tif.aux.xml", "similarity", 4, ["1", "2", "3", "4"], 1e-9, True),
        ("gdal_nitf69.vrt", "affine", 4, ["1", "2", "3", "4"], 0.2, True),
    ]
    for name, model, n, ids, bound, y_down in samples:
        saved = os.path.join(vq.tmp, name + ".json")
        report = vq.json("fit", "--model", model, "--save", saved, os.path.join(DATA, name))
        check(report["points"] == n and [r["id"] for r in report["residuals"]] == ids, "%s: %r" % (name, report["residuals"]))
        if bound is not None:
            check(report["rms"] <= bound, "%s: rms %g" % (name, report["rms"]))
        with open(saved) as f:
            check(json.load(f)["y_down"] == y_down, "%s: y_down" % name)
    # A GCP list from standard input whose last line has no newline (its words
    # once pointed into a reused buffer).
    with open(os.path.join(DATA, "gdal_transformer16.gcps")) as f:
        text = f.read().rstrip("\n")
    report = json.loads(vq.ok("fit", "--model", "similarity", "--json", "-", stdin=text))
    check(report["points"] == 4 and report["rms"] < 1e-9, "GCPs without a final newline: %r" % report["rms"])
    # GDAL's pixel (20, 20) is the corner 20 pixels right of and below the origin.
    saved = os.path.join(vq.tmp, "gdal_transformer16.gcps.json")
    out = vq.ok("apply", saved, "-", stdin="20 20\n").split()
    near(float(out[0]), 441920.0, 1e-6, "GCP pixel 20")
    near(float(out[1]), 3750120.0, 1e-6, "GCP line 20")
    # CSV by names in any order and separator, from standard input; QGIS 2 with a check point.
    text = "Y;X;name;y;x\n10;10;a;0;0\n10;11;b;0;1\n11;10;c;1;0\n"
    report = json.loads(vq.ok("fit", "--model", "similarity", "--json", "-", stdin=text))
    check(report["rms"] < 1e-12 and [r["id"] for r in report["residuals"]] == ["a", "b", "c"], "csv: %r" % report)
    qgis2 = "mapX,mapY,pixelX,pixelY,enable\n10,10,0,0,1\n11,10,1,0,1\n10,11,0,1,0\n10,12,0,2,1\n"
    check(vq.json("fit", "--model", "similarity", vq.write("q2.points", qgis2))["points"] == 4, "qgis2")
    # Latin-1 ids reach the JSON report as the characters they are.
    with open(os.path.join(vq.tmp, "latin1.txt"), "wb") as f:
        f.write(b"Estaci\xf3n 0 0 10 10\nb 1 0 11 10\nc 0 1 10 11\n")
    got = subprocess.run([vq.exe, "fit", "--json", os.path.join(vq.tmp, "latin1.txt")], capture_output=True)
    check(got.returncode == 0 and json.loads(got.stdout)["residuals"][0]["id"] == "Estaci\u00f3n", "latin-1: %r" % got.stderr)


def case_stream(vq):
    """apply streams standard input in order, as ids or without; --output is all or nothing."""
    saved = os.path.join(vq.tmp, "m.json")
    vq.ok("fit", "--model", "affine", "--save", saved, vq.sample("map_scan.txt"))
    lines = ["p%d %r %r" % (i, 0.37 * i, 1000 - 0.11 * i) for i in range(30000)]
    streamed = vq.ok("apply", saved, "-", stdin="\n".join(lines) + "\n").splitlines()
    check([l.split()[0] for l in streamed] == ["p%d" % i for i in range(30000)], "order kept")
    whole = vq.ok("apply", "--format", "csv", "--columns", "id,x,y", saved,
                  vq.write("p.csv", "id,x,y\n" + "\n".join(l.replace(" ", ",") for l in lines) + "\n")).splitlines()
    check(streamed == whole, "streamed and whole-file mapping differ")
    bare = vq.ok("apply", saved, "-", stdin="".join("%r %r\n" % (0.37 * i, 1000 - 0.11 * i) for i in range(5))).splitlines()
    check([b.split() for b in bare] == [w.split()[1:] for w in whole[:5]], "without ids")
    target = os.path.join(vq.tmp, "out.txt")
    got, out, err = vq.run("apply", "-o", target, saved, "-", stdin="\n".join(lines[:100]) + "\nbad 1 x\n")
    check(got == EXIT_INPUT and "<stdin>:101:7:" in err and not os.listdir(vq.tmp).count("out.txt"), "partial -o: " + err)
    check(not any(n.startswith("out.txt") for n in os.listdir(vq.tmp)), "temporary file left")
    vq.ok("apply", "-o", target, saved, "-", stdin="\n".join(lines[:100]) + "\n")
    with open(target) as f:
        check(f.read().splitlines() == streamed[:100], "-o content")


def need(tool):
    path = shutil.which(tool)
    check(path is not None, "%s is not installed (Debian: proj-bin, gdal-bin)" % tool)
    return path


def cct(pipeline, points, *flags):
    """Runs cct on (x, y[, z]) tuples; returns the output coordinates."""
    text = "".join(" ".join(repr(v) for v in (list(p) + [0.0] * (3 - len(p)) + [0.0])) + "\n" for p in points)
    p = subprocess.run([need("cct"), "-d", "12", *flags, *pipeline.split()], input=text, capture_output=True, text=True)
    check(p.returncode == 0 and "ERROR" not in p.stdout, "cct failed: %s %s" % (p.stdout[:300], p.stderr))
    return [[float(v) for v in line.split()[:3]] for line in p.stdout.splitlines() if line.strip()]


def mapped(vq, model, points):
    text = "".join(" ".join(repr(v) for v in p) + "\n" for p in points)
    return [[float(v) for v in line.split()] for line in vq.ok("apply", "--ids", "none", model, "-", stdin=text).splitlines()]


def write_bmp(path, width, height):
    """A grey 24-bit BMP, enough for GDAL to open and georeference by a world file."""
    row = (width * 3 + 3) // 4 * 4
    pixels = b"".join(bytes([128] * (width * 3)) + b"\0" * (row - width * 3) for _ in range(height))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def gdaltransform(dataset, points, *flags):
    text = "".join("%r %r\n" % (p[0], p[1]) for p in points)
    p = subprocess.run([need("gdaltransform"), *flags, dataset], input=text, capture_output=True, text=True)
    check(p.returncode == 0, "gdaltransform failed: " + p.stderr)
    return [[float(v) for v in line.split()[:2]] for line in p.stdout.splitlines() if line.strip()]


def case_exports(vq):
    """Each export read by its peer tool maps as vq apply does."""
    pixels = [(0.0, 0.0), (13.25, 7.5), (250.5, 1999.0), (4000.0, 3000.0)]
    models = {}
    for model, sample in (("translation", "map_scan.txt"), ("rigid", "map_scan.txt"), ("similarity", "map_scan.txt"),
                          ("affine", "map_scan.txt"), ("poly2", "map_scan.txt"), ("poly3", "map_scan.txt"),
                          ("similarity3d", "datum_shift.txt")):
        models[model] = os.path.join(vq.tmp, model + ".json")
        vq.ok("fit", "--model", model, "--save", models[model], vq.sample(sample))
    for model in ("similarity", "affine", "poly2"):  # y-down models from GDAL's GCPs
        models[model + "_down"] = os.path.join(vq.tmp, model + "_down.json")
        vq.ok("fit", "--model", model, "--save", models[model + "_down"], vq.write(
            "g.gcps", "".join("-gcp %r %r %r %r\n" % (p, l, 4e5 + 2 * p + 0.1 * l + 1e-4 * p * l, 5e6 - 2 * l + 0.2 * p)
                              for p, l in ((0, 0), (100, 0), (0, 80), (100, 80), (50, 40), (20, 70), (80, 10)))))
    geocentric = [(4851485.27, -314709.78, 4116216.30), (4848953.5861, -318595.6715, 4118715.0190)]
    # proj: the pipeline maps as vq apply to 1e-9 m.
    for model, path in models.items():
        points = geocentric if model == "similarity3d" else pixels
        pipeline = vq.ok("export", path, "proj").strip()
        for got, want in zip(cct(pipeline, points), mapped(vq, path, points)):
            for a, b in zip(got, want):
                near(a, b, 1e-9, "%s: cct %s" % (model, pipeline[:60]))
    # matrix4x4 as an affine of PROJ (PDAL and CloudCompare read the same 16 numbers).
    for model in ("affine", "similarity_down", "similarity3d"):
        rows = [[float(v) for v in l.split()] for l in vq.ok("export", models[model], "matrix4x4").splitlines()]
        check(rows[3] == [0, 0, 0, 1], "last row")
        pipeline = "+proj=affine " + " ".join("+s%d%d=%r" % (i + 1, j + 1, rows[i][j]) for i in range(3) for j in range(3)) + \
            " +xoff=%r +yoff=%r +zoff=%r" % (rows[0][3], rows[1][3], rows[2][3])
        points = geocentric if model == "similarity3d" else pixels
        for got, want in zip(cct(pipeline, points), mapped(vq, models[model], points)):
            for a, b in zip(got, want):
                near(a, b, 1e-8, "%s: matrix4x4" % model)
    # worldfile: GDAL georeferences a raster by it; pixel/line through gdaltransform.
    for model in ("affine", "similarity_down"):
        bmp = os.path.join(vq.tmp, model + ".bmp")
        write_bmp(bmp, 8, 6)
        vq.ok("export", "-o", bmp[:-4] + ".wld", models[model], "worldfile")
        y_down = model.endswith("_down")
        sources = [(p, l if y_down else -l) for p, l in pixels]
        for got, want in zip(gdaltransform(bmp, pixels), mapped(vq, models[model], sources)):
            for a, b in zip(got, want):
                near(a, b, 1e-6, "%s: world file" % model)
    # gdal-gcps and gdal-gcplist: GDAL's first-order fit of the GCPs is the model again.
    for model in ("affine", "similarity_down"):
        bmp = os.path.join(vq.tmp, "gcp.bmp")
        write_bmp(bmp, 8, 6)
        args = vq.ok("export", models[model], "gdal-gcps", "--points", vq.sample("map_scan.txt")).replace("\\\n", " ").split()
        vrt = os.path.join(vq.tmp, model + ".vrt")
        p = subprocess.run([need("gdal_translate"), "-q", "-of", "VRT", *args, bmp, vrt], capture_output=True, text=True)
        check(p.returncode == 0, "gdal_translate: " + p.stderr)
        gcplist = vq.ok("export", models[model], "gdal-gcplist", "--points", vq.sample("map_scan.txt"))
        vrt2 = os.path.join(vq.tmp, model + "2.vrt")
        with open(vrt) as f:
            text = f.read()
        start, end = text.index("<GCPList"), text.index("</GCPList>") + len("</GCPList>")
        with open(vrt2, "w") as f:
            f.write(text[:start] + gcplist + text[end:])
        y_down = model.endswith("_down")
        sources = [(p, l if y_down else -l) for p, l in pixels]
        want = mapped(vq, models[model], sources)
        for dataset in (vrt, vrt2):
            for got, w in zip(gdaltransform(dataset, pixels, "-order", "1"), want):
                for a, b in zip(got, w):
                    near(a, b, 1e-6, "%s: GCPs in %s" % (model, os.path.basename(dataset)))
    got, out, err = vq.run("export", models["poly2"], "worldfile")
    check(got == EXIT_USAGE and "not one" in err and out == "", "world file of poly2: " + err)


def case_proj_rotation(vq):
    """PROJ's helmert angles from vq rotation rotate exactly as the matrix, both conventions, large turns too."""
    for angles in (("-1.2845", "0.6888", "-1.2470"), ("30", "-50", "120"), ("179", "89.9", "-100")):
        base = json.loads(vq.ok("rotation", "--from", "opk", "--to", "matrix", "--to", "proj-pv", "--to", "proj-cf",
                                "--json", "--", *angles))
        R = base["matrix"]
        for convention, values in (("position_vector", base["proj-pv"]), ("coordinate_frame", base["proj-cf"])):
            pipeline = "+proj=helmert +rx=%r +ry=%r +rz=%r +convention=%s +exact" % (*values, convention)
            for j, column in enumerate(cct(pipeline, [(1, 0, 0), (0, 1, 0), (0, 0, 1)])):
                for i in range(3):
                    near(column[i], R[3 * i + j], 1e-12, "%s R[%d][%d] for %r" % (convention, i, j, angles))
        # And back: the PROJ forms read in give the same matrix.
        for form in ("proj-pv", "proj-cf"):
            again = json.loads(vq.ok("rotation", "--from", form, "--to", "matrix", "--json", "--",
                                     *[repr(v) for v in base[form]]))
            for a, b in zip(again["matrix"], R):
                near(a, b, 1e-12, "matrix from " + form)


CASES = {name[5:]: fn for name, fn in globals().items() if name.startswith("case_")}


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--vq", required=True)
    parser.add_argument("--examples", required=True)
    parser.add_argument("--case", choices=sorted(CASES), action="append")
    args = parser.parse_args()
    failed = 0
    for name in args.case or sorted(CASES):
        with tempfile.TemporaryDirectory() as tmp:
            try:
                CASES[name](Vq(args.vq, args.examples, tmp))
                print("ok   " + name)
            except AssertionError as e:
                failed += 1
                print("FAIL %s: %s" % (name, e))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
