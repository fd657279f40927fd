#!/usr/bin/env python3
"""Turns the JSON output of the benchmark programs into bench/RESULTS.md.

Benchmark names follow "<workload>/<implementation>[/<size>]". Within one
workload and size, implementations named lapack_*, eigen_* or read_twice* are
peers; every other implementation is ours and is set beside each peer of its
workload and size. The ratio is ours / peer, so
below 1 ours is faster. The targets section is computed from the same table.
Times are CPU time of the (single-threaded) process per call by default, which
a busy machine disturbs less than wall-clock time; --time real uses the latter.

Usage: make_table.py RESULT.json... [-o RESULTS.md] [--command TEXT] [--missing TEXT]...
Standard library only.
"""

import argparse
import datetime
import json
import re
import statistics
import sys

PEER_PREFIXES = ("lapack_", "eigen_", "read_twice", "add_chain", "libm_")

NARROWER_PATH = re.compile(r"_avx2$")  # workload suffix of the AVX2 kernels timed on AVX-512

UNIT_SECONDS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}

# Section title and size wording per workload family (first match wins).
FAMILIES = [
    (r"^inv_dbl$", "Inversion of symmetric positive definite matrices, double", "order"),
    (r"^inv_fl$", "Inversion of symmetric positive definite matrices, float", "order"),
    (r"^inv_(dbl|fl)_avx2$", "Inversion by the AVX2 kernels, on a machine that takes the AVX-512 "
     "ones (half the vector width: at most half the machine's peak)", "order"),
    (r"^solve1_", "Packed solve, one right-hand side", "order"),
    (r"^solve2_", "Packed solve, two right-hand sides", "order"),
    (r"^fit2d_", "2D similarity fit", "pairs"),
    (r"^fit3d_", "3D similarity fit (seven parameters)", "pairs"),
    (r"^poly3_", "Degree-3 polynomial fit (ten terms)", "pairs"),
    (r"^rot_", "Rotation builders and extractors", "call"),
    (r"^point_", "Point-file reader of vq", "points"),
]

PEER_DESCRIPTIONS = {
    "lapack_dpotrf_dpotri": "OpenBLAS dpotrf+dpotri",
    "lapack_spotrf_spotri": "OpenBLAS spotrf+spotri",
    "lapack_dppsv": "OpenBLAS dppsv",
    "lapack_sppsv": "OpenBLAS sppsv",
    "eigen_llt_inverse": "Eigen LLT inverse",
    "eigen_umeyama": "Eigen::umeyama",
    "read_twice": "two-pass read",
    "add_chain": "chain of 2n additions",
    "libm_calls": "its six C-library calls",
    "eigen_normal_equations": "Eigen normal equations + LLT",
    "eigen_householder_qr": "Eigen Householder QR",
    "eigen_angleaxis_product": "Eigen AngleAxisd product",
    "eigen_axis_matrices": "Eigen product of 3 axis matrices",
    "eigen_angleaxis": "Eigen AngleAxisd",
    "eigen_quaternion": "Eigen Quaterniond",
    "eigen_euler_angles": "Eigen eulerAngles(2,1,0)",
    "eigen_quaternion_from_matrix": "Eigen Quaterniond(matrix)",
}

ROTATION_WORKLOADS = {
    "rot_from_angles": "angles → matrix",
    "rot_from_sincos": "sines, cosines → matrix",
    "rot_from_vector20": "rotation vector → matrix",
    "rot_from_vector24": "2 sin(θ/2) n → matrix",
    "rot_from_vector26": "2 tan(θ/2) n → matrix",
    "rot_from_angles28": "per-axis angles → matrix",
    "rot_to_angles": "matrix → ω φ κ",
    "rot_to_vector24": "matrix → 2 sin(θ/2) n",
    "rot_offset": "quarter turns out, then ω φ κ",
}


class Run:
    """One benchmark: its name parts and its time per call in seconds."""

    def __init__(self, name, seconds, bytes_per_second, counters=None):
        parts = name.split("/")
        self.name = name
        self.workload = parts[0]
        self.impl = parts[1] if len(parts) > 1 else ""
        self.size = int(parts[2]) if len(parts) > 2 and parts[2].isdigit() else None
        self.seconds = seconds
        self.bytes_per_second = bytes_per_second
        self.counters = counters or {}

    @property
    def is_peer(self):
        return self.impl.startswith(PEER_PREFIXES)


def load(paths, field):
    """Runs in file order, the median over repetitions; and the merged context."""
    samples, order, context = {}, [], {}
    for file_index, path in enumerate(paths):
        with open(path, encoding="utf-8") as f:
            text = f.read()
        if not text.strip():
            continue  # a program whose benchmarks were all filtered out
        data = json.loads(text)
        context.update(data.get("context", {}))
        for b in data.get("benchmarks", []):
            if b.get("run_type", "iteration") != "iteration" or b.get("error_occurred"):
                continue
            name = b.get("run_name", b["name"])
            seconds = b[field] * UNIT_SECONDS[b.get("time_unit", "ns")]
            if name not in samples:
                samples[name] = []
                # Repetitions may come interleaved; keep the order of registration.
                order.append(((file_index, b.get("family_index", len(order)),
                               b.get("per_family_instance_index", 0)), name))
            counters = {k: b[k] for k in ("walks", "flops") if k in b}
            samples[name].append((seconds, b.get("bytes_per_second"), counters))
    runs = []
    for _, name in sorted(order):
        times = [s for s, _, _ in samples[name]]
        rates = [r for _, r, _ in samples[name] if r]
        counters = {}
        for key in {k for _, _, c in samples[name] for k in c}:
            # A peak is the best the machine did; other counters the median.
            pick = max if key == "flops" else statistics.median
            counters[key] = pick(c[key] for _, _, c in samples[name] if key in c)
        runs.append(Run(name, statistics.median(times),
                        statistics.median(rates) if rates else None, counters))
    return runs, context


def cpu_model():
    """The processor's name with its family and model, which tell its
    generation where a virtual machine's name does not ("AMD EPYC")."""
    fields = {}
    try:
        with open("/proc/cpuinfo", encoding="utf-8") as f:
            for line in f:
                key, _, value = line.partition(":")
                key = key.strip()
                if key in ("model name", "cpu family", "model") and key not in fields:
                    fields[key] = value.strip()
                if not line.strip() and fields:
                    break
    except OSError:
        pass
    name = fields.get("model name", "unknown")
    if "cpu family" in fields and "model" in fields:
        name += f" (family {fields['cpu family']}, model {fields['model']})"
    return name


def vector_features():
    """The instruction sets that choose our kernel paths on this machine."""
    try:
        with open("/proc/cpuinfo", encoding="utf-8") as f:
            for line in f:
                if line.startswith("flags"):
                    flags = set(line.split(":", 1)[1].split())
                    return [name for name in ("avx2", "avx512f", "fma") if name in flags]
    except OSError:
        pass
    return []


def format_time(seconds):
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("µs", 1e-6)):
        if seconds >= scale:
            return f"{seconds / scale:.3g} {unit}"
    return f"{seconds / 1e-9:.3g} ns"


def format_size(run, wording):
    if run.size is None:
        return "per call"
    text = str(run.size)
    if wording == "order":
        return f"n = {text}"
    if run.size >= 1000 and re.fullmatch(r"10+", text):
        text = f"10^{len(text) - 1}"
    return f"{text} {wording}"


def family_of(workload):
    for pattern, title, wording in FAMILIES:
        if re.search(pattern, workload):
            return pattern, title, wording
    return workload, workload, "size"


def describe_workload(workload):
    """Short words for the workload column: twin, layout, rotation kind."""
    twin = {"dbl": "double", "fl": "float"}
    m = re.fullmatch(r"fit2d_(\w+?)_(dbl|fl)", workload)
    if m:
        return f"{m.group(1)} layout, {twin[m.group(2)]}"
    m = re.fullmatch(r"fit3d_(vertical|terrestrial)_(dbl|fl)", workload)
    if m:
        frames = {"vertical": "near-vertical", "terrestrial": "terrestrial"}[m.group(1)]
        return f"{frames}, {twin[m.group(2)]}"
    m = re.fullmatch(r"\w+?_(dbl|fl)_avx2", workload)
    if m:
        return f"{twin[m.group(1)]}, AVX2 kernels"
    m = re.fullmatch(r"\w+?_(dbl|fl)", workload)
    if m:
        return twin[m.group(1)]
    if workload in ROTATION_WORKLOADS:
        return ROTATION_WORKLOADS[workload]
    return workload.replace("_", " ")


def pairs(runs):
    """(ours, peer or None) for every run of ours, in run order."""
    by_key = {}
    for r in runs:
        by_key.setdefault((r.workload, r.size), []).append(r)
    rows = []
    for r in runs:
        if r.is_peer:
            continue
        # A narrower kernel path's workload shares the peers of its own.
        own = by_key[(r.workload, r.size)]
        base = NARROWER_PATH.sub("", r.workload)
        if base != r.workload:
            own = own + by_key.get((base, r.size), [])
        peers = [p for p in own if p.is_peer]
        if not peers:
            rows.append((r, None))
        rows.extend((r, p) for p in peers)
    return rows


def peak_of(runs):
    """The machine's peak without fused multiply-add, by twin, in flop/s."""
    return {r.impl.rsplit("_", 1)[1]: r.counters["flops"] for r in runs
            if r.workload == "machine" and "flops" in r.counters}


def inversion_flops(run):
    """n^3: the multiplications and additions of every inversion method here
    and of potrf+potri alike."""
    return float(run.size) ** 3


def time_cell(run, peak):
    text = format_time(run.seconds)
    twin = NARROWER_PATH.sub("", run.workload).rsplit("_", 1)[-1]
    if run.workload.startswith("inv_") and run.size and twin in peak:
        share = inversion_flops(run) / run.seconds / peak[twin]
        text += f" ({share:.0%} of peak)"
    if run.workload.startswith("fit3d_") and run.size and "walks" in run.counters:
        walks = run.counters["walks"]
        text += f" ({run.seconds / (run.size * walks) * 1e9:.2f} ns/pair/walk, {walks:.0f} walks)"
    if run.bytes_per_second:
        text += f" ({run.bytes_per_second / 1e6:.0f} MB/s)"
    return text


# What each family of rows is measured on (bench/support/*.hpp).
DATA = {
    r"^inv_": "Data: one symmetric positive definite matrix per order, off-diagonal values "
              "uniform in [-1, 1] and n + 1 on the diagonal (bench/support/spd_matrices.hpp), "
              "restored before every call. The share of peak counts n^3 multiplications and "
              "additions, the work of every method here and of potrf+potri alike.",
    r"^solve": "Data: the matrices of the inversion rows in packed form, right-hand sides "
                "uniform in [-10, 10].",
    r"^fit2d_": "Data: source points uniform in a 1000 x 1000 square, destination a similarity "
                "of them (scale 1.5, turn 0.3 rad) plus uniform noise of 0.01, in each layout "
                "(bench/support/point_pairs.hpp). The bound is the slower of the two peers "
                "beside each fit: the two-pass read and the chain of 2n dependent additions "
                "that the fixed order of the sums sets.",
    r"^fit3d_": "Data: near-vertical frames, a datum shift with tilts of a few arc seconds and "
                "a turn of 0.7 rad about z, points in a 1000 m cube; terrestrial frames, tilts "
                "of 20 and 26 degrees and a turn of 120 degrees, points in 200 x 200 x 60 m; "
                "both with uniform noise of 1 mm (bench/support/point_pairs.hpp). A walk is one "
                "pass over the pairs: centroids, reduction and one per refinement pass.",
    r"^poly3_": "Data: control points of a degree-3 polynomial distortion of a similarity.",
    r"^rot_": "Data: 1024 rotations with angles and axes drawn uniformly, taken in turn.",
    r"^point_": "Data: generated point files of 10^6 points with ids.",
}


# The chain phases of each inversion method (bench/chain_reads.cpp), and the
# multiplications and additions of its other phases, which blocking can bring
# to the peak: the elimination's factor n^3/6 of each; the Cholesky method's
# inverse of the factor and Gram product n^3/6 each.
ORDER_BOUNDS = [
    ("VQinvsim", "elimination", 1 / 3),
    ("VQinvsim_pos", "elimination", 1 / 3),
    ("VQinvsim_cho", "cholesky", 2 / 3),
]


def order_bound_section(runs):
    """Each inversion beside the bound its fixed order sets; empty without the
    chain_reads rows."""
    peak = peak_of(runs)
    reads = {(r.workload.rsplit("_", 1)[1], r.impl, r.size): r for r in runs
             if r.workload.startswith("chain_reads_")}
    rows = []
    for r in runs:
        if not r.workload.startswith("inv_") or r.is_peer:
            continue
        twin = r.workload.rsplit("_", 1)[1]
        for prefix, method, share in ORDER_BOUNDS:
            chain = reads.get((twin, method, r.size))
            if r.impl != f"{prefix}_{twin}" or chain is None or twin not in peak:
                continue
            other = share * float(r.size) ** 3 / peak[twin]
            bound = chain.seconds + other
            peer = [p for p in runs if p.workload == r.workload and p.size == r.size
                    and p.impl.startswith("lapack_")]
            peer_cell = f"{peer[0].seconds / bound:.2f}" if peer else "—"
            rows.append(f"| `{r.impl}` | {r.size} | {format_time(r.seconds)} | "
                        f"{format_time(chain.seconds)} | {format_time(other)} | "
                        f"{format_time(bound)} | {r.seconds / bound:.2f} | {peer_cell} |")
    if not rows:
        return []
    return [
        "## Inversions against the bound of their fixed order", "",
        "In the chain phases (the elimination's inverse of the factor, the Cholesky factor) each "
        "sum's first term waits for the step before, so every step reads the whole trailing "
        "strip again: one vector read for every vector multiplication and addition, whatever "
        "the blocking. The `chain_reads` rows do only those reads, in strips four vectors wide "
        "(the elimination's; the Cholesky factor's passes of eight read the same bytes) and the "
        "same sequence of sizes (bench/chain_reads.cpp); the other phases are "
        "counted at the peak (the elimination's factor n^3/3 operations, the Cholesky method's "
        "inverse of the factor and Gram product 2n^3/3). Their sum is a time that a kernel with this "
        "order of operations, reading strips this wide, cannot beat on this machine (narrower "
        "strips would fit a faster cache but leave too few independent sums to cover the "
        "additions' latency); potrf+potri/bound below 1 means the peer is faster than that.", "",
        "| Inversion | Order | Ours | Chain reads | Other phases at peak | Bound | Ours/bound "
        "| potrf+potri/bound |",
        "|---|---:|---:|---:|---:|---:|---:|---:|",
    ] + rows + [""]


def results_tables(runs, machine):
    lines = []
    sections = {}
    peak = peak_of(runs)
    for ours, peer in pairs(runs):
        if ours.workload == "machine" or ours.workload.startswith("chain_reads_"):
            continue
        pattern, title, wording = family_of(ours.workload)
        sections.setdefault((pattern, title, wording), []).append((ours, peer))
    patterns = [f[0] for f in FAMILIES]
    ordered = sorted(sections.items(),
                     key=lambda kv: patterns.index(kv[0][0]) if kv[0][0] in patterns else 99)
    for (pattern, title, wording), rows in ordered:
        lines += [f"### {title}", "", f"Measured on {machine}."]
        for data_pattern, text in DATA.items():
            if re.search(data_pattern, rows[0][0].workload):
                lines[-1] += " " + text
        lines += ["", "| Workload | Size | Ours | Time | Peer | Peer time | Ours/peer |",
                  "|---|---|---|---:|---|---:|---:|"]
        for ours, peer in rows:
            cells = [describe_workload(ours.workload), format_size(ours, wording),
                     f"`{ours.impl}`", time_cell(ours, peak)]
            if peer is None:
                cells += ["—", "—", "—"]
            else:
                cells += [PEER_DESCRIPTIONS.get(peer.impl, peer.impl), time_cell(peer, peak),
                          f"{ours.seconds / peer.seconds:.2f}"]
            lines.append("| " + " | ".join(cells) + " |")
        lines.append("")
    return lines


# Targets: (description, size or None for any, peer regex, limit on ours/peer,
# which qualifying peer to use, the runs of ours judged). "fastest" takes the
# hardest comparison among several peers; "slowest" takes a bound made of
# several limits (the 2D fits: the slower of reading and the addition chain).
ROTATIONS_BY_EIGEN = (["rot_from_angles/MatrizRot_κωφ"] +
                      [f"rot_from_sincos/{f}" for f in ("MatrizRotGT_ωφκ", "MatrizRotGT_κωφ",
                                                       "MatrizRotGT_κwκ")] +
                      [f"rot_from_vector{k}/MatrizRot_{k}" for k in (20, 24, 26)])
TARGETS = [
    ("Inversion at order 1000 no slower than potrf+potri", 1000, r"lapack_", 1.0, "fastest",
     [f"inv_{t}/{f}_{t}" for t in ("dbl", "fl") for f in ("VQinvsim", "VQinvsim_pos", "VQinvsim_cho")]),
    ("Packed solve at order 1000 faster than ppsv", 1000, r"lapack_", 0.999, "fastest",
     [f"solve{k}_{t}/resuelve_sistema_sim_t{'_2' if k == 2 else ''}_{t}"
      for t in ("dbl", "fl") for k in (1, 2)]),
    ("2D fit of 10^7 pairs ≤ 1.1× its bound, every layout", 10**7, r"read_twice|add_chain", 1.1,
     "slowest",
     [f"fit2d_{l}_{t}/Hel2Dg___{l}_{t}" for t in ("dbl", "fl")
      for l in ("pp", "p", "g", "gg", "mixed", "ptr")]),
    ("3D fit of 10^6 pairs, affine start, no slower than Eigen::umeyama", 10**6, r"eigen_umeyama",
     1.0, "fastest",
     [f"fit3d_{d}_{t}/Hel3Dg___ptr_{t}_affine_start" for d in ("vertical", "terrestrial")
      for t in ("dbl", "fl")]),
    ("3D fit of 10^6 pairs, planimetric start, no slower than Eigen::umeyama on near-vertical data",
     10**6, r"eigen_umeyama", 1.0, "fastest",
     [f"fit3d_vertical_{t}/Hel3Dg___ptr_{t}_planimetric_start" for t in ("dbl", "fl")]),
    ("3D fit of 10^6 pairs, planimetric start, ≤ 1.5× Eigen::umeyama on terrestrial data", 10**6,
     r"eigen_umeyama", 1.5, "fastest",
     [f"fit3d_terrestrial_{t}/Hel3Dg___ptr_{t}_planimetric_start" for t in ("dbl", "fl")]),
    ("Polynomial fit faster than the Eigen fit (the faster of the two)", None, r"eigen_", 0.999,
     "fastest", [f"poly3_{t}/Trans_Polinomica2D___puntosxy_{t}" for t in ("dbl", "fl")]),
    ("Rotation builders no slower than Eigen", None, r"eigen_", 1.0, "fastest", ROTATIONS_BY_EIGEN),
    ("MatrizRot_28 ≤ 1.1× its C-library calls (it cannot beat them)", None, r"libm_", 1.1,
     "fastest", ["rot_from_angles28/MatrizRot_28"]),
]

# The other kinds of machine, and what differs between them.
OTHER_MACHINES = [
    "## Other machines", "",
    "The targets are set for every kind of machine. Each kind measured has a table of its own, made "
    "by `bench/run` on it: bench/RESULTS.md (AMD EPYC of the Zen 5 class: the AVX-512 paths, "
    "separate 512-bit multiplication and addition units), bench/RESULTS-avx512-256bit.md (AMD "
    "EPYC of the Zen 4 class: the same AVX-512 paths on 256-bit units, which take a 512-bit "
    "operation in two halves, so half the peak of the Zen 5 class) and bench/RESULTS-avx2.md "
    "(AMD EPYC of the Zen 3 class: the AVX2 paths, 256-bit units). The Intel Xeon with AVX-512 of the report "
    "that set the targets could not be reached; its only figures are that report's (inversion at "
    "order 1000 about 2.1 to 2.3 times potrf+potri, the 2D fit of 10^7 pairs 1.36 and 1.74 times "
    "the two-pass read, the 3D fit on terrestrial data 2.8 and 1.5 times Eigen::umeyama, "
    "MatrizRot_20 1.16 times Eigen), from before the kernels measured here. What differs "
    "between the kinds:", "",
    "- Without fused multiply-add our peak equals OpenBLAS's where multiplications and additions "
    "have units of their own (both EPYCs); on the Xeon they share the two ports that fused "
    "multiply-adds use, so there our peak is half of OpenBLAS's and the inversions stand further "
    "from potrf+potri.",
    "- The chain passes of the inversions (each sum's first term waits for the step before) read "
    "one vector from the second-level cache for every multiplication and addition, whatever the "
    "blocking, so that cache's bandwidth sets their speed, and it differs between the kinds; "
    "the `chain_reads` rows measure it on each machine.",
    "- The 2D target's bound (the `add_chain` and two-pass read rows) is measured on each "
    "machine, so it follows each machine's addition latency and memory.",
    "",
]

POINT_FILE_RATE = 100e6  # bytes per second the vq tool's reader must exceed


def targets_section(runs, subset=False):
    """The targets table; a subset run leaves out the targets it did not measure."""
    lines = ["| Target | Ours | Against | Ours/peer | Limit | Status |",
             "|---|---|---|---:|---|---|"]
    met = total = 0
    for title, size, peer_re, limit, pick, expected in TARGETS:
        bound = f"≤ {limit:g}" if limit != 0.999 else "< 1"
        for key in expected:
            workload, impl = key.split("/", 1)
            candidates = [(o, p) for o, p in pairs(runs)
                          if o.workload == workload and o.impl == impl and p is not None
                          and re.match(peer_re, p.impl) and (size is None or o.size == size)]
            if not candidates and subset:
                continue
            total += 1
            if not candidates:
                lines.append(f"| {title} | `{impl}` ({workload}) | — | — | {bound} | not measured |")
                continue
            choose = min if pick == "fastest" else max
            ours, peer = choose(candidates, key=lambda c: c[1].seconds)
            ratio = ours.seconds / peer.seconds
            ok = ratio <= limit
            met += ok
            lines.append(f"| {title} | `{impl}` ({describe_workload(workload)}) | "
                         f"{PEER_DESCRIPTIONS.get(peer.impl, peer.impl)} | {ratio:.2f} | {bound} | "
                         f"{'met' if ok else 'not met'} |")
    readers = [r for r in runs if r.impl == "read_point_file"]
    for r in readers or ([] if subset else [None]):
        total += 1
        if r is None or not r.bytes_per_second:
            lines.append("| Point-file reader of vq above 100 MB/s | `read_point_file` | — | — | "
                         "> 100 MB/s | not measured |")
            continue
        ok = r.bytes_per_second > POINT_FILE_RATE
        met += ok
        lines.append(f"| Point-file reader of vq above 100 MB/s | `read_point_file` "
                     f"({r.workload.replace('point_file_', '')} file) | — | "
                     f"{r.bytes_per_second / 1e6:.0f} MB/s | > 100 MB/s | "
                     f"{'met' if ok else 'not met'} |")
    return [f"{met} of {total} met.", ""] + lines + [""]


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("results", nargs="+", help="JSON files written by --benchmark_out")
    parser.add_argument("-o", "--output", help="Markdown file to write (default: stdout)")
    parser.add_argument("--command", default="bench/run", help="how the results were produced")
    parser.add_argument("--time", choices=("cpu", "real"), default="cpu",
                        help="CPU time of the process (default) or wall-clock time")
    parser.add_argument("--note", action="append", default=[],
                        help="a line added to the description of the setup (repeatable)")
    parser.add_argument("--missing", action="append", default=[],
                        help="a note on a program that was not run (repeatable)")
    parser.add_argument("--section", action="append", default=[], metavar="TITLE=FILE",
                        help="a Markdown table written by another script, added under its title")
    parser.add_argument("--subset", action="store_true",
                        help="a filtered run: list only the targets it measured")
    args = parser.parse_args(argv)

    runs, context = load(args.results, f"{args.time}_time")
    date = context.get("date", datetime.datetime.now().isoformat(timespec="seconds"))
    quick = context.get("quick_mode") == "yes"

    lines = ["# Benchmark results", ""]
    if quick:
        lines += ["**Quick mode: small sizes and short timings only; a smoke test, not a "
                  "measurement.**", ""]
    lines += [
        f"- Machine: {cpu_model()}, {context.get('num_cpus', '?')} CPUs visible at "
        f"{context.get('mhz_per_cpu', '?')} MHz; everything single-threaded "
        f"(OpenBLAS pinned to {context.get('openblas_threads', '?')} thread, Eigen without OpenMP).",
        f"- Date: {date}; produced by `{args.command}`.",
        f"- Peers: {context.get('openblas_config', 'OpenBLAS')}; "
        f"Eigen {context.get('eigen_version', '?')}. "
        f"Benchmark programs compiled with {context.get('compiler', '?')}, "
        f"`{context.get('benchmark_flags', '?')}`; our libraries are the Release build "
        "(generic x86-64, no fused multiply-add).",
        f"- Time is {'CPU time of the process' if args.time == 'cpu' else 'wall-clock time'} "
        "per call from one run (the median if repeated). "
        "Ours/peer below 1 means ours is faster. Matrix workloads restore their input before "
        "every call, in ours and in the peer alike; Eigen's work matrices are allocated once, "
        "outside the timing.",
        "- The polynomial fit is compared with two Eigen least-squares fits of the same ten-term "
        "model: normal equations solved by Cholesky (LLT) and Householder QR; the target uses the "
        "faster. The two-pass read reads the same pairs in the same layout twice, summing their "
        "four coordinates as raw bits into independent integer sums (so that only reading limits it, "
        "in float as in double), and "
        "does nothing else.",
    ]
    peak = peak_of(runs)
    if peak:
        lines.append(
            "- Peak without fused multiply-add, measured by the `machine` workloads of "
            "bench_matrices (independent multiplications and additions in the widest vectors): "
            + ", ".join(f"{peak[t] / 1e9:.0f} GFLOP/s in {w}" for t, w in
                        (("dbl", "double"), ("fl", "float")) if t in peak)
            + ". The inversion rows give their share of it.")
    features = vector_features()
    paths = "AVX-512" if "avx512f" in features else "AVX2" if "avx2" in features else "generic"
    lines.append(f"- Our kernels choose their paths at run time; on this machine "
                 f"({', '.join(features) or 'no AVX'}) the {paths} paths ran.")
    lines += [f"- {note}" for note in args.note]
    lines.append("")
    for note in args.missing:
        lines += [f"**Not measured:** {note}", ""]
    machine = cpu_model()
    lines += ["## Targets", "", f"Every row was measured on this machine, {machine}, in this run.",
              ""] + targets_section(runs, args.subset)
    lines += order_bound_section(runs)
    lines += OTHER_MACHINES
    lines += ["## All workloads", ""] + results_tables(runs, machine)
    for section in args.section:
        title, path = section.split("=", 1)
        with open(path) as f:
            lines += [f"### {title}", "", f.read().rstrip("\n"), ""]

    text = "\n".join(lines)
    if args.output:
        with open(args.output, "w", encoding="utf-8") as f:
            f.write(text)
    else:
        sys.stdout.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
