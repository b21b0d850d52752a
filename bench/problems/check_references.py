#!/usr/bin/python3
"""Checks of the references and of the scipy Newton peer against what is known of them:
Hencky's coefficient for nu = 0.3 (0.6534, his series), the large-deformation disc tending to
Hencky's membrane as the pressure vanishes, the disc's limit pressure a maximum, the long
tube's middle at the closed form of uniform inflation with its axial stretch tending to 1 as
R / L, and the peer's forces and Hessian against central differences of its energy.

    /usr/bin/python3 bench/problems/check_references.py      (a few seconds)"""
import pathlib
import sys
import unittest

import numpy as np

HERE = pathlib.Path(__file__).resolve().parent
sys.path[:0] = [str(HERE), str(HERE.parent)]
import axisymmetric as axi  # noqa: E402
import scipy_newton_melvar as peer  # noqa: E402


class Disc(unittest.TestCase):
    def test_hencky_coefficient_of_nu_0_3_is_hencky_s(self):
        self.assertAlmostEqual(axi.hencky_coefficient(0.3), 0.6534, delta=2e-4)

    def test_small_pressures_tend_to_hencky(self):
        k = axi.hencky_coefficient(0.5)
        gaps = []
        for stretch in (1.0001, 1.001):
            pressure = axi.disc_pressure(stretch)
            gaps.append(axi.disc_pole_height(stretch) / (k * (pressure / 3.0) ** (1 / 3)) - 1)
        # The gap shrinks with the stretch: tenfold for a tenth of l0 - 1.
        self.assertLess(abs(gaps[0]), 3e-4)
        self.assertAlmostEqual(gaps[1] / gaps[0], 10.0, delta=0.5)

    def test_limit_is_the_largest_pressure(self):
        limit, stretch = axi.disc_limit()
        for other in (stretch - 0.05, stretch + 0.05):
            self.assertLess(axi.disc_pressure(other), limit)
        # On the rising branch the stretch at a pressure gives that pressure back.
        self.assertAlmostEqual(axi.disc_pressure(axi.disc_stretch_at(1.8, stretch)), 1.8,
                               places=9)


class Tube(unittest.TestCase):
    def test_long_tube_middle_is_the_uniform_state(self):
        pressure = 0.75
        hoop, axial, _ = axi.tube_finite(pressure, 40.0)
        self.assertAlmostEqual(hoop, (1 - axial * pressure) ** -0.25 / axial**0.5, places=6)
        _, shorter, _ = axi.tube_finite(pressure, 20.0)
        # The axial stretch above 1 falls as R / L: about half for twice the length.
        self.assertAlmostEqual((axial - 1) / (shorter - 1), 0.5, delta=0.03)
        self.assertAlmostEqual(axi.tube_plane_strain(pressure), 2**0.5, places=12)


class NewtonPeer(unittest.TestCase):
    def sheet(self):
        """A 3 x 2 sheet of 12 triangles, every node free but node 0, bent out of its plane."""
        rng = np.random.default_rng(7)
        nodes = [(i, j, 0.0) for j in range(3) for i in range(4)]
        tris = []
        for j in range(2):
            for i in range(3):
                a = 4 * j + i
                tris += [(a, a + 1, a + 5), (a, a + 5, a + 4)]
        fixed = np.zeros((12, 3), dtype=bool)
        fixed[0] = True
        d = dict(P=np.array(nodes, dtype=float), T=np.array(tris), fixed=fixed,
                 presc=np.zeros((12, 3)), loads=rng.normal(size=(12, 3)), t0=0.3, mu=1.7)
        return peer.Sheet(d), 0.2 * rng.normal(size=33)

    def test_forces_are_the_energy_s_slope(self):
        s, x = self.sheet()
        _, g = s.gradient(x)
        h = 1e-6
        for k in range(x.size):
            e = np.zeros_like(x)
            e[k] = h
            self.assertAlmostEqual(g[k], (s.energy(x + e) - s.energy(x - e)) / (2 * h), places=6)

    def test_hessian_is_the_forces_slope(self):
        s, x = self.sheet()
        K = s.hessian(x).toarray()
        self.assertLess(np.abs(K - K.T).max(), 1e-12)
        h = 1e-6
        for k in range(x.size):
            e = np.zeros_like(x)
            e[k] = h
            column = (s.gradient(x + e)[1] - s.gradient(x - e)[1]) / (2 * h)
            np.testing.assert_allclose(K[:, k], column, atol=1e-5)

    def test_reaches_equilibrium(self):
        """A square of 4 x 4 cells, its border stretched 10 % and held, its 9 inner nodes
        loaded out of the plane: from the flat start (no out-of-plane stiffness) to the
        equilibrium."""
        nodes = np.array([(i, j, 0.0) for j in range(5) for i in range(5)], dtype=float)
        tris = [(5 * j + i, 5 * j + i + 1, 5 * j + i + 6) for j in range(4) for i in range(4)]
        tris += [(5 * j + i, 5 * j + i + 6, 5 * j + i + 5) for j in range(4) for i in range(4)]
        border = (nodes[:, 0] % 4 == 0) | (nodes[:, 1] % 4 == 0)
        fixed = np.repeat(border[:, None], 3, axis=1)
        presc = np.where(fixed, 0.1 * (nodes - [2.0, 2.0, 0.0]), 0.0)
        loads = np.zeros((25, 3))
        loads[~border, 2] = 0.02
        s = peer.Sheet(dict(P=nodes, T=np.array(tris), fixed=fixed, presc=presc, loads=loads,
                            t0=0.1, mu=1.0))
        x, _, g, iterations, _, _ = peer.newton(s, np.zeros(27), 1e-12, 50, "MMD_AT_PLUS_A")
        self.assertLess(np.abs(g).max(), 1e-12)
        self.assertLess(iterations, 50)
        # The load pushes the middle out of the plane, symmetrically.
        middle = x.reshape(9, 3)[4]
        self.assertGreater(middle[2], 0.0)
        self.assertLess(np.abs(middle[:2]).max(), 1e-9)


if __name__ == "__main__":
    unittest.main()
