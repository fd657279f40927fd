#!/usr/bin/env python3
"""Generate the sample control-point files of vq with a fixed seed.

    python3 examples/generate.py            # rewrites the files next to this script

map_scan.txt      2D: 20 control points of a scanned 1:25 000 map sheet (300 dpi).
                  Source: pixel coordinates of the scan, x = column to the right,
                  y = row counted UP from the bottom edge (a right-handed image
                  system, so that a similarity can map it). Destination: projected
                  map coordinates (easting, northing) in metres. The true mapping
                  is a similarity (pixel size times a little paper shrinkage, a
                  small scan skew); the measured pixel positions carry 0.5 px of
                  noise, and point G13 has a blunder in its map coordinates.
map_scan_new.txt  2D points (id x y) of the same scan to map with `vq apply`.
datum_shift.txt   3D: 15 stations of a local geodetic network, geocentric
                  coordinates in the local datum (source) and in the global datum
                  (destination), related by a seven-parameter shift
                  X = T + (1 + ppm 1e-6) R x, R = Rz(kappa) Ry(phi) Rx(omega),
                  rotations of about an arc second; 5 mm noise per coordinate.

The generating parameters are saved beside each file as <name>.params.json, and
the tests check that `vq fit` recovers them. Pure Python, random.Random(seed).
"""
import json
import math
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
SEED = 20240611


def write(name, text):
    with open(os.path.join(HERE, name), "w", newline="\n") as f:
        f.write(text)


def dump_params(name, params):
    write(name, json.dumps(params, indent=2, sort_keys=True) + "\n")


def map_scan(rng):
    pixel = 25000 * 0.0254 / 300          # metres of ground per pixel at 300 dpi
    shrink_ppm = -1200.0                   # paper shrinkage
    scale = pixel * (1 + shrink_ppm * 1e-6)
    skew_deg = 0.35                        # the sheet lay turned on the scanner
    theta = math.radians(skew_deg)
    east0, north0 = 438215.40, 4471320.75  # map coordinates of pixel (0, 0)
    noise_px = 0.5
    blunder_id, blunder = "G13", (38.0, -27.0)
    c, s = math.cos(theta), math.sin(theta)

    def to_map(x, y):
        return east0 + scale * (c * x - s * y), north0 + scale * (s * x + c * y)

    lines = ["# scanned map sheet 1:25000 at 300 dpi -> projected coordinates (m)",
             "# x = pixel column, y = pixel row counted up from the bottom edge",
             "id x y E N"]
    for k in range(20):
        # Grid crossings spread over the sheet (about 6000 x 5000 px).
        x_true = 300 + (k % 5) * 1350 + rng.uniform(-200, 200)
        y_true = 250 + (k // 5) * 1450 + rng.uniform(-200, 200)
        east, north = to_map(x_true, y_true)
        pid = "G%02d" % (k + 1)
        if pid == blunder_id:
            east += blunder[0]
            north += blunder[1]
        x = x_true + rng.gauss(0, noise_px)
        y = y_true + rng.gauss(0, noise_px)
        lines.append("%s %.1f %.1f %.2f %.2f" % (pid, x, y, east, north))
    write("map_scan.txt", "\n".join(lines) + "\n")

    new = ["# pixel positions of features to map (id x y)"]
    for k in range(5):
        new.append("F%d %.1f %.1f" % (k + 1, rng.uniform(0, 6000), rng.uniform(0, 5000)))
    write("map_scan_new.txt", "\n".join(new) + "\n")

    dump_params("map_scan.params.json", {
        "model": "similarity",
        "seed": SEED,
        "scale": scale,
        "scale_ppm": (scale - 1) * 1e6,
        "rotation_deg": skew_deg,
        "translation": [east0, north0],
        "noise_px": noise_px,
        "blunder": {"id": blunder_id, "offset_m": list(blunder)},
        "note": "translation is the map position of pixel (0, 0); rotation counterclockwise",
    })


def geocentric(lat_deg, lon_deg, h, a, f):
    e2 = f * (2 - f)
    lat, lon = math.radians(lat_deg), math.radians(lon_deg)
    n = a / math.sqrt(1 - e2 * math.sin(lat) ** 2)
    return ((n + h) * math.cos(lat) * math.cos(lon),
            (n + h) * math.cos(lat) * math.sin(lon),
            (n * (1 - e2) + h) * math.sin(lat))


def rotation(omega, phi, kappa):
    """Rz(kappa) Ry(phi) Rx(omega), row by row."""
    co, so = math.cos(omega), math.sin(omega)
    cp, sp = math.cos(phi), math.sin(phi)
    ck, sk = math.cos(kappa), math.sin(kappa)
    return [[ck * cp, ck * sp * so - sk * co, ck * sp * co + sk * so],
            [sk * cp, sk * sp * so + ck * co, sk * sp * co - ck * so],
            [-sp, cp * so, cp * co]]


def datum_shift(rng):
    arcsec = math.pi / (180 * 3600)
    omega_s, phi_s, kappa_s = -1.244, 0.620, -1.144   # arc seconds
    ppm = 4.2
    t = (-131.032, -100.251, -163.354)                 # metres
    noise_m = 0.005
    r = rotation(omega_s * arcsec, phi_s * arcsec, kappa_s * arcsec)
    s = 1 + ppm * 1e-6

    lines = ["# local network: geocentric X Y Z in the local datum -> geocentric X Y Z in the global datum (m)",
             "station,x,y,z,X,Y,Z"]
    for k in range(15):
        lat = 40.35 + rng.uniform(0, 0.18)
        lon = -3.80 + rng.uniform(0, 0.22)
        h = rng.uniform(580, 920)
        src = geocentric(lat, lon, h, 6378388.0, 1 / 297.0)
        dst = [t[i] + s * sum(r[i][j] * src[j] for j in range(3)) + rng.gauss(0, noise_m) for i in range(3)]
        lines.append("P%03d,%.4f,%.4f,%.4f,%.4f,%.4f,%.4f" % ((k + 1) * 10, *src, *dst))
    write("datum_shift.txt", "\n".join(lines) + "\n")

    dump_params("datum_shift.params.json", {
        "model": "similarity3d",
        "seed": SEED,
        "scale": s,
        "scale_ppm": ppm,
        "omega_phi_kappa_arcsec": [omega_s, phi_s, kappa_s],
        "translation": list(t),
        "noise_m": noise_m,
        "rotation": "R = Rz(kappa) Ry(phi) Rx(omega), X = T + scale R x",
    })


def main():
    rng = random.Random(SEED)
    map_scan(rng)
    datum_shift(rng)


if __name__ == "__main__":
    main()
