#!/usr/bin/python3
"""Reference standard uncertainties of tank tables by Monte Carlo (JCGM 101), run once.

Every dimension and the level reading are drawn from normal distributions of the given standard
uncertainties, 10^5 draws, and pushed through the exact volume written here from the geometry; the
standard deviation of the volumes at each nominal level is the reference u(V). Writes
montecarlo_reference.csv: case;shape;level_mm;volume_l;u_l.
Run: /usr/bin/python3 tests/uncertainty/montecarlo.py > tests/uncertainty/montecarlo_reference.csv
"""
import numpy as np

DRAWS = 100_000
rng = np.random.default_rng(20261208)


def sphere(d, h):
    (D,) = d
    h = np.clip(h, 0, D)
    return np.pi * h**2 * (1.5 * D - h) / 3


def vertical_cylinder(d, h):
    H, D = d
    return np.pi * D**2 / 4 * np.clip(h, 0, H)


def horizontal_cylinder(d, h):
    L, D = d
    R = D / 2
    h = np.clip(h, 0, D)
    c = R - h
    return L * (R**2 * np.arccos(np.clip(c / R, -1, 1)) - c * np.sqrt(np.maximum(R**2 - c**2, 0)))


def box(d, h):
    L, H, W = d
    return L * W * np.clip(h, 0, H)


# name, shape key, volume, dimensions (mm), their standard uncertainties (mm), level reading's (mm), height (mm)
CASES = [
    ("Sphere", "sphere", sphere, [1000], [1.0], 2.0, 1000),
    ("VerticalCylinder", "vertical-cylinder", vertical_cylinder, [1500, 2000], [0.5, 1.5], 1.0, 1500),
    ("HorizontalCylinder", "horizontal-cylinder", horizontal_cylinder, [2000, 1000], [1.0, 0.5], 2.0, 1000),
    ("Box", "box", box, [2000, 1000, 1500], [1.0, 1.0, 1.0], 0.0, 1000),
]

print("case;shape;dims;u_dims;u_level;level_mm;volume_l;u_l")
for name, key, volume, dims, udims, ulevel, height in CASES:
    draws = [x + u * rng.standard_normal(DRAWS) for x, u in zip(dims, udims)]
    noise = ulevel * rng.standard_normal(DRAWS)
    for percent in range(5, 100, 5):
        level = height * percent // 100
        v = volume(draws, level + noise) * 1e-6
        nominal = volume(dims, np.float64(level)) * 1e-6
        print(f"{name};{key};{' '.join(map(str, dims))};{' '.join(map(str, udims))};{ulevel};"
              f"{level};{nominal:.9g};{np.std(v, ddof=1):.9g}")
