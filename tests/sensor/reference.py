#!/usr/bin/python3
"""Independent reference figures for the sensor tables, run once; writes sensor_reference.inc beside it.

The per-millimetre volumes come from `tarvol-table --json --every-mm`; everything after that is computed here
on its own: the sensor's rows from the geometry with exact fractions, the printed volumes by decimal rounding (a
code's volume the printed volumes of its millimetre interpolated exactly and rounded),
and the fewest breakpoints by a breadth-first search over a matrix of every chord's largest row error
(brute force, no slope window), the least error with N points by a minimax dynamic programme over that matrix.

    /usr/bin/python3 tests/sensor/reference.py build/cli/tarvol-table
"""
import json
import subprocess
import sys
from decimal import ROUND_HALF_UP, Decimal
from fractions import Fraction
from math import floor
from pathlib import Path

import numpy as np

DECIMALS = 3

# name, shape key, dims, geometry: ("bottom", Z) | ("top", REF); code (EMPTY, FULL, P) or None; decimals.
# Whole litres of a vertical cylinder are a straight line rounded: the least errors lie at the rounding, where
# the chords allowed are scattered rather than runs.
CASES = [
    ("HorizontalCylinder", "horizontal-cylinder", [3000, 600], ("bottom", 0), None, 3),
    ("SphereZero15", "sphere", [800], ("bottom", 15), None, 3),
    ("InclinedHeadsFromTop", "inclined-elliptic-heads", [2000, 700, 0, 200, 100, 1000], ("top", 760), None, 3),
    ("DTankCode1023", "d-tank", [1200, 600, 250, 1000, 1500, 50, 3], ("bottom", 0), (0, 1023, 500), 3),
    ("DTankCodeFalling", "d-tank", [1200, 600, 250, 1000, 1500, 50, 3], ("top", 560), (1023, 0, 500), 3),
    ("VerticalCylinderWholeLitres", "vertical-cylinder", [900, 1000], ("bottom", 0), None, 0),
    ("VerticalCylinderCodeWholeLitres", "vertical-cylinder", [500, 1000], ("bottom", 0), (0, 1499, 500), 0),
]
LEAST_WITH = (4, 12)
LIMITS = [("Litres5", 5, False), ("Percent01", Fraction(1, 10), True)]
CLOSING = ("horizontal-cylinder", [6000, 2000])


def per_mm(tool, key, dims, decimals=DECIMALS):
    out = subprocess.run([tool, "--json", "--every-mm", "--decimals", str(decimals), key, *map(str, dims)],
                         check=True, capture_output=True, text=True).stdout
    rows = json.loads(out)["rows"]
    assert [r["level"] for r in rows] == list(range(len(rows)))
    return [float(r["volume"]) for r in rows]


def units(v, decimals=DECIMALS):
    return int(Decimal(v).quantize(Decimal(1).scaleb(-decimals), rounding=ROUND_HALF_UP).scaleb(decimals))


def half_away(q):
    """The nearest integer to a Fraction, halves away from zero."""
    n = floor(abs(q) + Fraction(1, 2))
    return n if q >= 0 else -n


def sensor_rows(t, geometry, code, decimals=DECIMALS):
    top = len(t) - 1
    mounting, value = geometry
    lo, hi = (value - min(value, top), value) if mounting == "top" else (0, top - value)
    level = (lambda r: value - r) if mounting == "top" else (lambda r: r + value)
    if code is None:
        return [(r, units(t[level(r)], decimals)) for r in range(lo, hi + 1)]
    empty, full, span = code
    rows = []
    for c in range(min(empty, full), max(empty, full) + 1):
        r = Fraction(c - empty) * span / (full - empty)
        if not (max(lo, 0) <= r <= min(hi, span)):
            continue
        lev = level(r)
        f = floor(lev)
        rest = lev - f
        # the printed volumes interpolated exactly, then rounded half away from zero as volumes are printed
        low = units(t[f], decimals)
        exact = low if rest == 0 else low + (units(t[f + 1], decimals) - low) * rest
        rows.append((c, half_away(exact)))
    return rows


def chord_errors(rows):
    """worst[i, j] = max over rows k between i and j of |N_k|, the row error times (x_j - x_i)."""
    x = np.array([r[0] for r in rows], dtype=np.int64)
    v = np.array([r[1] for r in rows], dtype=np.int64)
    n = len(rows)
    worst = np.zeros((n, n), dtype=np.int64)
    for i in range(n - 1):
        dx = x[i + 1:] - x[i]
        dv = v[i + 1:] - v[i]
        # rows j (chord ends) by rows k (checked), k strictly before j
        big = np.abs(np.outer(dv, dx) - np.outer(dx, dv))
        big[np.triu_indices(n - i - 1)] = 0
        worst[i, i + 1:] = big.max(axis=1)
    return x, worst


def fewest(x, worst, tol):
    n = len(x)
    depth = [-1] * n
    depth[0] = 0
    frontier = [0]
    while depth[n - 1] < 0:
        nxt = []
        for i in frontier:
            for j in range(i + 1, n):
                if depth[j] < 0 and worst[i, j] <= tol * int(x[j] - x[i]):
                    depth[j] = depth[i] + 1
                    nxt.append(j)
        frontier = nxt
    return depth[n - 1] + 1


def least_error(x, worst, points, decimals=DECIMALS):
    """Minimax over paths of at most `points` rows; litres."""
    n = len(x)
    err = np.full((n, n), np.inf)
    for i in range(n - 1):
        err[i, i + 1:] = worst[i, i + 1:] / (x[i + 1:] - x[i])
    best = np.full(n, np.inf)
    best[0] = 0
    for _ in range(points - 1):
        best = np.minimum(best, np.min(np.maximum(best[:, None], err), axis=0))
    return best[n - 1] / 10**decimals


def even_error(rows, count):
    x = [r[0] for r in rows]
    chosen = [round(k * (len(rows) - 1) / (count - 1)) for k in range(count)]
    e = Fraction(0)
    for a, b in zip(chosen, chosen[1:]):
        for k in range(a, b + 1):
            d = x[b] - x[a]
            n = (rows[b][1] - rows[a][1]) * (x[k] - x[a]) - (rows[k][1] - rows[a][1]) * d
            e = max(e, Fraction(abs(n), d))
    return float(e) / 10**DECIMALS


def main():
    tool = sys.argv[1]
    lines = ["// Written by tests/sensor/reference.py; do not edit.", ""]
    lines.append("// name, shape key, dims, top mounting, Z or REF, code (has, empty, full, span), rows, first x, last x,")
    lines.append("// sum of printed units, fewest points at 5 l, fewest points at 0.1 %, decimals, least error (l) with")
    lines.append("// 4 and with 12 points")
    for name, key, dims, geometry, code, decimals in CASES:
        t = per_mm(tool, key, dims, decimals)
        rows = sensor_rows(t, geometry, code, decimals)
        x, worst = chord_errors(rows)
        full = units(t[-1], decimals)
        counts = []
        for _, value, percent in LIMITS:
            tol = Fraction(value) * full / 100 if percent else Fraction(value) * 10**decimals
            counts.append(fewest(x, worst, tol))
        least = [least_error(x, worst, p, decimals) for p in LEAST_WITH]
        c = code or (0, 0, 0)
        lines.append(f'SensorCase{{"{name}", "{key}", {{{", ".join(map(str, dims))}}}, '
                     f'{"true" if geometry[0] == "top" else "false"}, {geometry[1]}, '
                     f'{"true" if code else "false"}, {c[0]}, {c[1]}, {c[2]}, {len(rows)}, {rows[0][0]}, '
                     f'{rows[-1][0]}, {sum(r[1] for r in rows)}LL, {counts[0]}, {counts[1]}, {decimals}, '
                     f'{least[0]!r}, {least[1]!r}}},')
        print(name, len(rows), counts, least, file=sys.stderr)

    key, dims = CLOSING
    t = per_mm(tool, key, dims)
    rows = sensor_rows(t, ("bottom", 0), None)
    x, worst = chord_errors(rows)
    full = units(t[-1])
    at = {p: fewest(x, worst, Fraction(p) * full / 100) for p in (Fraction(1, 4), Fraction(1, 10))}
    best11 = least_error(x, worst, 11)
    best10 = least_error(x, worst, 10)
    even11 = even_error(rows, 11)
    fullL = full / 10**DECIMALS
    lines.append("")
    lines.append("// horizontal cylinder L 6000, D 2000: points at 0.25 % and 0.1 %, least error (l) with 10 and 11 "
                 "points, error (l) of 11 evenly spaced")
    lines.append(f"#define CLOSING_FIGURES {at[Fraction(1, 4)]}, {at[Fraction(1, 10)]}, {best10!r}, {best11!r}, {even11!r}")
    print(f"closing: full {fullL} l; points at 0.25 % {at[Fraction(1, 4)]}, at 0.1 % {at[Fraction(1, 10)]}; "
          f"least error 10 points {best10} l ({100 * best10 / fullL:.4f} %), 11 points {best11} l "
          f"({100 * best11 / fullL:.4f} %); 11 even {even11} l ({100 * even11 / fullL:.4f} %)", file=sys.stderr)
    (Path(__file__).parent / "sensor_reference.inc").write_text("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
