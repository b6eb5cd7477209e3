#!/usr/bin/python3
"""Synthetic fill logs of known tanks and scipy's least-squares fit of them, for tests/fit.

The tanks' volumes are written here from the geometry, independently of the program: the horizontal cylinder
as length times the circular segment, the inclined cylinder as the integral of the segment along its axis.
Run once; it rewrites tests/fit/data/. Needs python3-numpy and python3-scipy.
"""
import json
import math
import pathlib

import numpy as np
from scipy import integrate, optimize

OUT = pathlib.Path(__file__).resolve().parent.parent / "tests" / "fit" / "data"
SIGMA = 0.8  # mm, the level reading's noise


def segment(p, d):
    """Area (mm²) of a circle of diameter d below a chord p above its lowest point."""
    r = d / 2
    p = min(max(p, 0.0), d)
    return r * r * math.acos((r - p) / r) - (r - p) * math.sqrt(max(2 * r * p - p * p, 0.0))


def horizontal(level, length, d):
    return length * segment(level, d) * 1e-6


def inclined(level, length, d, a, b):
    """Litres below the plane `level` mm above the gauge's foot, B along the bottom line from its lower end."""
    sin = a / length
    cos = math.sqrt((length - a) * (length + a)) / length
    z = b * sin + level
    # the depth of liquid over the bottom line in the slice at s along the axis
    depth = lambda s: (z - s * sin) / cos
    points = [s for s in ((z - d * cos) / sin, z / sin) if 0 < s < length]
    value, _ = integrate.quad(lambda s: segment(depth(s), d), 0, length, points=points or None,
                              epsabs=1e-6, epsrel=1e-13, limit=200)
    return value * 1e-6


def level_of(volume, model, top):
    return optimize.brentq(lambda h: model(h) - volume, -50, top + 50, xtol=1e-12)


def make_log(rng, model, top, zero, dose, full):
    rows = []
    volume = dose
    while volume < full - dose:
        reading = level_of(volume, model, top) - zero + rng.normal(0, SIGMA)
        rows.append((round(reading, 2), volume))
        volume += dose
    return rows


def write_log(name, rows, header="Уровень (мм);Объём (л)"):
    with open(OUT / name, "w", encoding="utf-8") as f:
        f.write(f"# {name}: made by scripts/fill-reference.py\n{header}\n")
        for level, volume in rows:
            f.write(f"{level:.2f};{volume:g}\n".replace(".", ","))


def fit(rows, residual, start, names, truth):
    levels = np.array([r[0] for r in rows])
    volumes = np.array([r[1] for r in rows])
    res = optimize.least_squares(lambda x: residual(x, levels, volumes), start, method="lm", jac="3-point",
                                 xtol=1e-15, ftol=1e-15, gtol=1e-15, x_scale="jac")
    n, p = len(rows), len(start)
    s2 = float(res.fun @ res.fun) / (n - p)
    cov = s2 * np.linalg.inv(res.jac.T @ res.jac)
    return {
        "points": n,
        "residual_rms_l": math.sqrt(s2),
        "parameters": [{"name": nm, "start": float(s), "true": float(t), "value": float(v),
                        "standard_error": float(math.sqrt(cov[i, i]))}
                       for i, (nm, s, t, v) in enumerate(zip(names, start, truth, res.x))],
    }


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    reference = {}

    # horizontal cylinder: drawing L 6000, D 2000; the tank L 6020, D 1990, gauge zero 4 mm
    rng = np.random.default_rng(20261208)
    length, d, zero = 6020.0, 1990.0, 4.0
    model = lambda h: horizontal(h, length, d)
    full = horizontal(d, length, d)
    rows = make_log(rng, model, d, zero, 250.0, full)
    write_log("horizontal_cylinder.csv", rows)

    def hres(x, lv, vol):
        return np.array([horizontal(h + x[2], x[0], x[1]) for h in lv]) - vol

    reference["horizontal_cylinder"] = {"shape": "horizontal-cylinder", "dimensions": [6000, 2000],
                                        "free": ["L", "D", "zero"], "log": "horizontal_cylinder.csv",
                                        **fit(rows, hres, [6000.0, 2000.0, 0.0], ["L", "D", "zero"],
                                              [length, d, zero])}

    # inclined cylinder: drawing L 8000, D 2400, A 150, gauge in the middle B 4000; the tank rises A 180, gauge zero −3 mm
    rng = np.random.default_rng(20261209)
    length, d, a, b, zero = 8000.0, 2400.0, 180.0, 4000.0, -3.0
    top = d * math.sqrt((length - a) * (length + a)) / length + (length - b) * a / length
    model = lambda h: inclined(h, length, d, a, b)
    full = math.pi * d * d / 4 * length * 1e-6
    rows = [r for r in make_log(rng, model, top, zero, 400.0, full)]
    write_log("inclined_cylinder.csv", rows)

    def ires(x, lv, vol):
        return np.array([inclined(h + x[1], length, d, x[0], b) for h in lv]) - vol

    reference["inclined_cylinder"] = {"shape": "inclined-cylinder", "dimensions": [8000, 2400, 150, 4000],
                                      "free": ["A", "zero"], "log": "inclined_cylinder.csv",
                                      **fit(rows, ires, [150.0, 0.0], ["A", "zero"], [a, zero])}

    # one reading 20 mm high in a log of large doses of the horizontal cylinder (no reference fit needed)
    rng = np.random.default_rng(20261210)
    length, d, zero = 6000.0, 2000.0, 0.0
    rows = make_log(rng, lambda h: horizontal(h, length, d), d, zero, 600.0, horizontal(d, length, d))
    rows[12] = (round(rows[12][0] + 20, 2), rows[12][1])
    write_log("outlier.csv", rows)
    reference["outlier"] = {"line": 12 + 3}

    with open(OUT / "reference.json", "w", encoding="utf-8") as f:
        json.dump(reference, f, indent=1, ensure_ascii=False)
        f.write("\n")


if __name__ == "__main__":
    main()
