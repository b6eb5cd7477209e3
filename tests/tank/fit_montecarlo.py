#!/usr/bin/python3
"""Reference standard uncertainties of a fitted tank's table by Monte Carlo (JCGM 101), run once.

The horizontal cylinder fitted to tests/fit/data/horizontal_cylinder.csv with L, D and the gauge zero free: the
three are drawn together from the normal distribution of the fit's estimates and covariance, 10^5 draws, and pushed
through the cylinder's exact volume written here from the geometry. Rows by the tank's level take V(h; L, D); rows
by the gauge's reading r take V(r + zero; L, D). The standard deviation at each row is the reference u(V).
Run: /usr/bin/python3 tests/tank/fit_montecarlo.py > tests/tank/fit_montecarlo_reference.csv
"""
import numpy as np

DRAWS = 100_000
rng = np.random.default_rng(20261209)

# the tank keeps the fitted dimensions to a tenth of a millimetre; the zero as fitted
MEAN = np.array([6014.8, 1991.1, 4.287139543821087])
SE = np.array([5.063741965470577, 1.3131724553858901, 0.276882611488259])
CORRELATION = np.array([[1.0, -0.9817231164624785, -0.891007766994517],
                        [-0.9817231164624785, 1.0, 0.8094365898537909],
                        [-0.891007766994517, 0.8094365898537909, 1.0]])


def horizontal_cylinder(L, D, h):
    R = D / 2
    h = np.clip(h, 0, D)
    c = R - h
    return L * (R**2 * np.arccos(np.clip(c / R, -1, 1)) - c * np.sqrt(np.maximum(R**2 - c**2, 0))) * 1e-6


covariance = CORRELATION * np.outer(SE, SE)
L, D, zero = rng.multivariate_normal(MEAN, covariance, DRAWS).T
print("rows;level_mm;volume_l;u_l")
for rows in ("level", "gauge"):
    for level in range(100, 2000, 100):
        h = level + (zero if rows == "gauge" else 0)
        nominal = horizontal_cylinder(MEAN[0], MEAN[1], level + (MEAN[2] if rows == "gauge" else 0))
        v = horizontal_cylinder(L, D, h)
        print(f"{rows};{level};{nominal:.9g};{np.std(v, ddof=1):.9g}")
