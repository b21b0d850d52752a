#!/usr/bin/python3
"""Axisymmetric references for the inflated sheets of bench/problems, from the equations of a
membrane of revolution (incompressible neo-Hookean, W = mu/2 (l1^2 + l2^2 + l1^-2 l2^-2 - 3)),
independent of the triangle programs:

disc   A flat disc of radius A, thickness t0, clamped at its rim, under a follower pressure p.
       Shooting from the pole: for a pole stretch l0, the pressure P = p A / (mu t0) for which
       the circumferential stretch is 1 at the rim. Gives P(l0), its maximum (the limit
       pressure), the pole stretch and pole height at a given pressure, and the small-deflection
       limit against Hencky's membrane (Foppl's equations: small rotations, linear material,
       nu = 1/2, E = 3 mu), solved by shooting as well.
tube   A tube of radius R and length L, thickness t0, its end circles held in place, under an
       internal follower pressure: P = p R / (mu t0). Far from the ends of a long tube the
       stretch is uniform, axial 1 and hoop l with P = 1 - l^-4 (plane strain); the finite tube
       is solved by shooting from one end to its middle (two unknowns: the meridional stretch
       and the angle at the end, two conditions: the slope 0 and the axial position L/2 at the
       middle).

Equations (S the reference arc length along the meridian, l1 meridional, l2 circumferential,
W1 = dW/dl1 / mu, W2 = dW/dl2 / mu; tensions per current length T1 = mu t0 W1 / l2,
T2 = mu t0 W2 / l1):
  meridional balance  d(r T1)/ds = T2 dr/ds, with r T1 = mu t0 rho W1 (disc: rho = S, r = l2 rho)
  normal balance      k1 T1 + k2 T2 = p  (k1 meridional, k2 = circumferential curvature)
  geometry            dr/dS = l1 cos(angle), l2 = r / (reference radius)

usage: axisymmetric.py disc [--pressure P] [--hencky]
       axisymmetric.py tube --pressure P --length L_OVER_R
Prints the figures on standard output (nondimensional: lengths by A or R, pressures as above)."""
import argparse
import sys

import numpy as np
from scipy.integrate import solve_bvp, solve_ivp
from scipy.optimize import brentq, minimize_scalar

RTOL, ATOL = 1e-11, 1e-13


def w1(l1, l2):
    """dW/dl1 / mu"""
    return l1 - l1**-3 * l2**-2


def w2(l1, l2):
    """dW/dl2 / mu"""
    return l2 - l1**-2 * l2**-3


def w11(l1, l2):
    return 1.0 + 3.0 * l1**-4 * l2**-2


def w12(l1, l2):
    return 2.0 * l1**-3 * l2**-3


# ---------------------------------------------------------------------------------------------
# The clamped disc, reference radius 1, rho in (0, 1].
# State y = (l1, l2, psi, h): psi the angle of the meridian below the horizontal (positive
# where the sheet falls away from the pole), h the height drop from the pole.
def disc_rates(rho, y, pressure):
    l1, l2, psi, _ = y
    a, b = w1(l1, l2), w2(l1, l2)
    dl2 = (l1 * np.cos(psi) - l2) / rho
    dw1 = (b * np.cos(psi) - a) / rho
    dl1 = (dw1 - w12(l1, l2) * dl2) / w11(l1, l2)
    dpsi = (l1 * l2 * pressure - b * np.sin(psi) / rho) / a
    return [dl1, dl2, dpsi, l1 * np.sin(psi)]


def disc_shoot(pole_stretch, pressure, rho0=1e-7):
    """Integrates from the pole to the rim; returns (l1, l2, psi, h) at the rim, or None when
    the solution leaves the physical range (a stretch below 0.2 or an angle past pi)."""
    curvature = pole_stretch**2 * pressure / (2.0 * w1(pole_stretch, pole_stretch))
    y0 = [pole_stretch, pole_stretch, curvature * rho0, 0.5 * pole_stretch * curvature * rho0**2]

    def away(rho, y, pressure):
        return min(y[0], y[1]) - 0.2

    def over(rho, y, pressure):
        return np.pi - abs(y[2])

    away.terminal = over.terminal = True
    s = solve_ivp(disc_rates, (rho0, 1.0), y0, args=(pressure,), method="DOP853", rtol=RTOL,
                  atol=ATOL, events=(away, over))
    if s.status != 0:
        return None
    return s.y[:, -1]


def disc_pressure(pole_stretch, guess=None):
    """The smallest P > 0 for which the disc of pole stretch l0 meets the rim (l2 = 1 there);
    guess: a pressure near the answer (the search then starts about it)."""

    def miss(pressure):
        end = disc_shoot(pole_stretch, pressure)
        return -1.0 if end is None else end[1] - 1.0

    # At P = 0 the disc stays flat and uniformly stretched: l2 = l0 > 1 at the rim. Below the
    # answer the rim is overshot (miss > 0), above it undershot.
    if guess is not None:
        low, high = 0.98 * guess, 1.02 * guess
        if miss(low) > 0.0 > miss(high):
            return brentq(miss, low, high, xtol=1e-14, rtol=1e-14)
    low, step = 0.0, 0.01
    while step < 100.0:
        high = low + step
        if miss(high) < 0.0:
            return brentq(miss, low, high, xtol=1e-14, rtol=1e-14)
        low, step = high, step * 1.5
    raise RuntimeError(f"no pressure meets the rim at pole stretch {pole_stretch}")


def disc_pole_height(pole_stretch):
    return disc_shoot(pole_stretch, disc_pressure(pole_stretch))[3]


def disc_overhang(pole_stretch, pressure):
    """(largest meridian angle in degrees, the reference radius past which the meridian leans
    beyond the vertical, 1 if nowhere): there the sheet faces more than 90 degrees away from
    its initial normal."""
    rho0 = 1e-7
    curvature = pole_stretch**2 * pressure / (2.0 * w1(pole_stretch, pole_stretch))
    s = solve_ivp(disc_rates, (rho0, 1.0), [pole_stretch, pole_stretch, curvature * rho0, 0.0],
                  args=(pressure,), method="DOP853", rtol=RTOL, atol=ATOL, dense_output=True)
    rho = np.linspace(rho0, 1.0, 100001)
    psi = s.sol(rho)[2]
    past = psi > 0.5 * np.pi
    return np.degrees(psi.max()), (rho[np.argmax(past)] if past.any() else 1.0)


def disc_limit():
    """(limit pressure, its pole stretch)"""
    near = [1.879]
    def minus(stretch):
        near[0] = disc_pressure(stretch, near[0])
        return -near[0]

    r = minimize_scalar(minus, bracket=(2.0, 2.2, 2.4), tol=1e-8)
    return -r.fun, r.x


def disc_stretch_at(pressure, limit_stretch):
    """The pole stretch of the rising branch at pressure P (below the limit): the l0 whose
    shot at P meets the rim."""

    def miss(stretch):
        end = disc_shoot(stretch, pressure)
        return -1.0 if end is None else end[1] - 1.0

    return brentq(miss, 1.0 + 1e-6, limit_stretch, xtol=1e-13, rtol=1e-14)


# ---------------------------------------------------------------------------------------------
# Hencky's membrane: Foppl's equations of a clamped circular membrane under uniform pressure,
# radius 1, E t = 1, Poisson's ratio nu. N radial membrane force, u radial displacement.
def hencky_rates(r, y, pressure, nu):
    n, u, _ = y
    slope = -pressure * r / (2.0 * n)
    hoop = u / r + nu * n
    return [(hoop - n) / r, (1.0 - nu * nu) * n - nu * u / r - 0.5 * slope * slope, -slope]


def hencky_coefficient(nu, pressure=1e-3):
    """K of the pole deflection w0 = K a (p a / (E t))^(1/3)."""

    def end(n0):
        r0 = 1e-8
        s = solve_ivp(hencky_rates, (r0, 1.0), [n0, (1.0 - nu) * n0 * r0, 0.0],
                      args=(pressure, nu), method="DOP853", rtol=RTOL, atol=1e-16)
        return s.y[:, -1]

    # The membrane force scales as p^(2/3); bracket the root of u(1) = 0 about that scale.
    scale = pressure ** (2.0 / 3.0)
    n0 = brentq(lambda n: end(n)[1], 0.05 * scale, 5.0 * scale, xtol=1e-16 * scale, rtol=1e-14)
    return end(n0)[2] / pressure ** (1.0 / 3.0)


# ---------------------------------------------------------------------------------------------
# The tube, reference radius 1, Z in [0, L/2] from a held end to the middle.
# State y = (l1, l2, theta, z): theta the angle of the meridian from the axis (positive while
# the radius grows), z the current axial position.
def tube_rates(_, y, pressure):
    l1, l2, theta, _ = y
    a, b = w1(l1, l2), w2(l1, l2)
    dl2 = l1 * np.sin(theta)
    dw1 = b * np.sin(theta)
    dl1 = (dw1 - w12(l1, l2) * dl2) / w11(l1, l2)
    dtheta = (b * np.cos(theta) - l1 * l2 * pressure) / a
    return [dl1, dl2, dtheta, l1 * np.cos(theta)]


def tube_plane_strain(pressure):
    """The hoop stretch of P = 1 - l^-4 (axial stretch 1), P below 1."""
    return (1.0 - pressure) ** -0.25


def tube_finite(pressure, length):
    """The middle of the tube of length L (by R): (hoop stretch, axial stretch, meridional
    stretch at the end). A boundary-value problem on [0, L/2] (a shot over many radii would
    amplify its errors), reached from P = 0 by continuation in the pressure: l2 = 1 and z = 0
    at the held end, the slope 0 and z = L/2 at the middle."""
    half = 0.5 * length

    def rates(z, y, p):
        return np.array(tube_rates(z, y, p))

    def ends(ya, yb, p):
        return np.array([ya[1] - 1.0, ya[3], yb[2], yb[3] - half])

    # The guess: the plane-strain stretch reached within about one radius of the held end.
    mesh = np.linspace(0.0, half, 400)
    hoop = tube_plane_strain(pressure)
    l2 = 1.0 + (hoop - 1.0) * np.tanh(mesh)
    slope = (hoop - 1.0) / np.cosh(mesh) ** 2
    l1 = np.sqrt(1.0 + slope**2)
    y = np.vstack([l1, l2, np.arctan(slope), mesh])
    s = solve_bvp(lambda z, y: rates(z, y, pressure), lambda ya, yb: ends(ya, yb, pressure),
                  mesh, y, tol=1e-10, max_nodes=200000)
    if not s.success:
        raise RuntimeError(f"the tube of length {length} found no shape: {s.message}")
    mesh, y = s.x, s.y
    return y[1, -1], y[0, -1], y[0, 0]


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("problem", choices=("disc", "tube"))
    ap.add_argument("--pressure", type=float, action="append",
                    help="P (repeatable); disc: p A / (mu t0), tube: p R / (mu t0)")
    ap.add_argument("--length", type=float, action="append", help="tube: L / R (repeatable)")
    ap.add_argument("--hencky", action="store_true", help="disc: the small-deflection check")
    a = ap.parse_args(argv[1:])
    if a.problem == "disc":
        limit, limit_stretch = disc_limit()
        print(f"disc limit pressure P = {limit:.6f} at pole stretch {limit_stretch:.5f}")
        for pressure in a.pressure or []:
            stretch = disc_stretch_at(pressure, limit_stretch)
            angle, edge = disc_overhang(stretch, pressure)
            print(f"disc P = {pressure!r}: pole stretch {stretch:.6f}, pole height "
                  f"{disc_pole_height(stretch):.6f} (by the radius); largest meridian angle "
                  f"{angle:.2f} degrees, past 90 beyond rho = {edge:.4f}")
        if a.hencky:
            k_half, k_03 = hencky_coefficient(0.5), hencky_coefficient(0.3)
            print(f"Hencky K (w0 = K a (p a / E t)^(1/3)): nu = 0.5 {k_half:.5f}, "
                  f"nu = 0.3 {k_03:.5f}")
            for stretch in (1.00001, 1.0001, 1.001, 1.01, 1.1):
                pressure = disc_pressure(stretch)
                height = disc_pole_height(stretch)
                hencky = k_half * (pressure / 3.0) ** (1.0 / 3.0)
                print(f"  pole stretch {stretch}: P = {pressure:.6e}, pole height "
                      f"{height:.6e}, Hencky {hencky:.6e}, ratio {height / hencky:.6f}")
    else:
        for pressure in a.pressure or [0.75]:
            print(f"tube P = {pressure!r}: plane strain hoop stretch "
                  f"{tube_plane_strain(pressure):.6f}")
            for length in a.length or []:
                hoop, axial, end = tube_finite(pressure, length)
                print(f"  L / R = {length!r}: middle hoop stretch {hoop:.6f}, axial stretch "
                      f"{axial:.6f}; meridional stretch at the ends {end:.6f}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
