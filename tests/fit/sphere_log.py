#!/usr/bin/python3
"""A fill log of a sphere, for the fit that must fail when the log is fitted as a horizontal cylinder.

The volumes are written here from the geometry, independently of the program: the spherical cap
pi h^2 (3R - h) / 3. Doses of 50 l into a sphere of D 2000 mm, readings with seeded noise sigma = 0.8 mm.
Run once; it rewrites tests/fit/data/sphere.csv.
"""
import math
import pathlib
import random

OUT = pathlib.Path(__file__).resolve().parent / "data" / "sphere.csv"
RADIUS = 1000.0  # mm
DOSE = 50.0  # l
SIGMA = 0.8  # mm


def volume(h):
    return math.pi * h * h * (3 * RADIUS - h) / 3 * 1e-6


def level(v):
    low, high = 0.0, 2 * RADIUS
    for _ in range(100):
        mid = (low + high) / 2
        low, high = (mid, high) if volume(mid) < v else (low, mid)
    return (low + high) / 2


def main():
    rng = random.Random(5)
    rows = []
    v = DOSE
    while v < volume(2 * RADIUS) - DOSE:
        rows.append((round(level(v) + rng.gauss(0, SIGMA), 2), v))
        v += DOSE
    with open(OUT, "w", encoding="utf-8") as f:
        f.write("# sphere.csv: made by tests/fit/sphere_log.py\nУровень (мм);Объём (л)\n")
        for h, v in rows:
            f.write(f"{h:.2f};{v:.0f}\n")


if __name__ == "__main__":
    main()
