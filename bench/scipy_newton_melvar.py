#!/usr/bin/python3
"""Benchmark peer: Newton's method as a user would write it for melvar with numpy and scipy.

The incompressible neo-Hookean membrane of melvar (law 1), its element forces vectorised over
the elements with numpy (the formulas of the L-BFGS-B peer, peer/scipy_melvar.py); each element's
9 x 9 Hessian by central differences of those forces (18 vectorised evaluations); the sparse
matrix assembled from coordinates (coo to csc, duplicates summed); scipy.sparse.linalg.splu
(in SuperLU's symmetric mode, with the minimum-degree ordering of A + A^T);
a Levenberg-Marquardt shift (K + lambda I) raised tenfold when the factorisation fails, when the
step is not a descent direction, or when the full step does not lower the energy, and lowered
tenfold after each accepted step. It stops as the programs do: when the largest gradient entry
is below the tolerance (tolerance_factor x reference_force, or x the largest initial gradient
entry). It starts from the prescribed displacements and zero elsewhere, like the L-BFGS-B peer.

Reads input.txt (well formed, law 1, no pressures section: the perfgen sheets of
peer/perfgen.py) from the current directory.

    scipy_newton_melvar.py [--compare output.txt] [--ordering MMD_AT_PLUS_A|COLAMD|...]
                           [--tolerance-factor F] [--pivoting] [--verbose]

Prints: iterations, factorisations (and failed ones), energy, max|g|, wall seconds (minimiser
and total); with --compare, the largest difference of its displacements from the report's
(melvar's output.txt), against the largest displacement.
"""
import argparse
import sys
import time

import numpy as np
import scipy.sparse as sp
from scipy.sparse.linalg import splu


def read_input(path="input.txt"):
    lines = open(path).read().replace("\r\n", "\n").split("\n")
    i = 0

    def scan():
        nonlocal i
        while not lines[i].startswith(":"):
            i += 1
        i += 1

    def nums(line):
        return [float(t) for t in line.split()]

    scan()
    _, _, tf, rf, mi, _ = nums(lines[i])[:6]
    i += 1
    scan()
    mat = nums(lines[i])
    i += 1
    t0, law, mu = mat[0], int(mat[1]), mat[2]
    if law != 1:
        sys.exit("scipy_newton_melvar: the peer implements the neo-Hookean law (1) only")
    scan()
    nn = int(nums(lines[i])[0])
    i += 2
    P = np.zeros((nn, 3))
    for _ in range(nn):
        v = nums(lines[i])
        i += 1
        P[int(v[0]) - 1] = v[1:4]
    scan()
    ne = int(nums(lines[i])[0])
    i += 2
    T = np.zeros((ne, 3), dtype=np.int64)
    for _ in range(ne):
        v = lines[i].split()
        i += 1
        T[int(v[0]) - 1] = [int(v[1]) - 1, int(v[2]) - 1, int(v[3]) - 1]
    scan()
    nd = int(nums(lines[i])[0])
    i += 1
    fixed = np.zeros((nn, 3), dtype=bool)
    presc = np.zeros((nn, 3))
    if nd > 0:
        i += 1
        for _ in range(nd):
            v = nums(lines[i])
            i += 1
            fixed[int(v[0]) - 1, int(v[1]) - 1] = True
            presc[int(v[0]) - 1, int(v[1]) - 1] = v[2]
    scan()
    nl = int(nums(lines[i])[0])
    i += 1
    loads = np.zeros((nn, 3))
    if nl > 0:
        i += 1
        for _ in range(nl):
            v = nums(lines[i])
            i += 1
            loads[int(v[0]) - 1, int(v[1]) - 1] = v[2]
    tf = tf if tf > 0 else 0.001
    return dict(P=P, T=T, fixed=fixed, presc=presc, loads=loads, t0=t0, mu=mu,
                tol=tf * rf if rf > 0 else None, factor=tf, maxit=int(mi))


class Sheet:
    """The element energies, forces and Hessians of the whole sheet, vectorised over elements."""

    def __init__(self, d):
        P, T = d["P"], d["T"]
        self.T, self.t0, self.w1 = T, d["t0"], 0.5 * d["mu"]
        self.ea = P[T[:, 2]] - P[T[:, 1]]
        self.eb = P[T[:, 0]] - P[T[:, 2]]
        self.aa = (self.ea * self.ea).sum(1)
        self.bb = (self.eb * self.eb).sum(1)
        self.ab = (self.ea * self.eb).sum(1)
        self.A2 = np.linalg.norm(np.cross(self.ea, self.eb), axis=1)
        self.nn = P.shape[0]
        self.free = ~d["fixed"].ravel()
        self.U = d["presc"].ravel().copy()
        self.lf = d["loads"].ravel()[self.free]
        # The unknown of each element's 9 entries (corner-major), -1 where prescribed.
        number = np.full(3 * self.nn, -1, dtype=np.int64)
        number[self.free] = np.arange(int(self.free.sum()))
        self.dofs = number[(3 * T[:, :, None] + np.arange(3)).reshape(-1, 9)]

    def element(self, u0, u1, u2, energy=True):
        """Energies and the forces (ne x 9) of every element at corner displacements u0, u1,
        u2 (each ne x 3)."""
        a = self.ea + u2 - u1
        b = self.eb + u0 - u2
        m = np.cross(a, b)
        mn = np.sqrt((m * m).sum(1))
        nh = m / mn[:, None]
        l3 = self.A2 / mn
        A2 = self.A2[:, None]
        p = self.aa[:, None] * b - self.ab[:, None] * a
        q = self.ab[:, None] * b - self.bb[:, None] * a
        l33 = (l3**3)[:, None]
        r1 = self.t0 * self.w1 * (p / A2 - l33 * np.cross(nh, a))
        r2 = self.t0 * self.w1 * (q / A2 - l33 * np.cross(nh, b))
        forces = np.hstack([r1, r2, -(r1 + r2)])
        if not energy:
            return None, forces
        a2 = (a * a).sum(1)
        b2 = (b * b).sum(1)
        adb = (a * b).sum(1)
        i1 = (self.bb * a2 - 2 * self.ab * adb + self.aa * b2) / self.A2**2 + l3 * l3
        return (self.w1 * i1) * self.A2 * self.t0 * 0.5, forces

    def corners(self, x):
        self.U[self.free] = x
        u = self.U.reshape(self.nn, 3)
        return u[self.T[:, 0]], u[self.T[:, 1]], u[self.T[:, 2]]

    def energy(self, x):
        e, _ = self.element(*self.corners(x))
        return e.sum() - (x * self.lf).sum()

    def gradient(self, x):
        e, forces = self.element(*self.corners(x))
        g = np.zeros(3 * self.nn)
        for k in range(9):
            g[k % 3::3] += np.bincount(self.T[:, k // 3], forces[:, k], self.nn)
        return e.sum() - (x * self.lf).sum(), g[self.free] - self.lf

    def hessian(self, x):
        """The assembled stiffness (csc), element Hessians by central differences of the
        element forces, symmetrised."""
        u = [c.copy() for c in self.corners(x)]
        scale = np.sqrt(self.A2.mean())
        h = 1e-6 * scale
        H = np.empty((self.T.shape[0], 9, 9))
        for k in range(9):
            corner, j = divmod(k, 3)
            u[corner][:, j] += h
            _, plus = self.element(*u, energy=False)
            u[corner][:, j] -= 2 * h
            _, minus = self.element(*u, energy=False)
            u[corner][:, j] += h
            H[:, :, k] = (plus - minus) / (2 * h)
        H = 0.5 * (H + H.transpose(0, 2, 1))
        rows = np.broadcast_to(self.dofs[:, :, None], H.shape)
        cols = np.broadcast_to(self.dofs[:, None, :], H.shape)
        keep = (rows >= 0) & (cols >= 0)
        n = int(self.free.sum())
        return sp.coo_matrix((H[keep], (rows[keep], cols[keep])), shape=(n, n)).tocsc()


def factorise(A, ordering, pivoting):
    """splu of the symmetric A: by default in SuperLU's symmetric mode (diagonal pivots, the
    fill-reducing ordering of A + A^T), as its documentation suggests for a symmetric matrix;
    with pivoting, SuperLU's default partial pivoting (which, on the indefinite matrices of the
    early iterations, multiplies the fill up to ninefold)."""
    if pivoting:
        return splu(A, permc_spec=ordering)
    return splu(A, permc_spec=ordering, diag_pivot_thresh=0.0, options=dict(SymmetricMode=True))


def newton(sheet, x, tol, maxit, ordering, verbose=False, pivoting=False):
    f, g = sheet.gradient(x)
    shift, iterations, factorisations, failed = 0.0, 0, 0, 0
    n = x.size
    eye = sp.identity(n, format="csc")
    while np.abs(g).max() > tol and iterations < maxit:
        K = sheet.hessian(x)
        floor = 1e-8 * np.abs(K.diagonal()).mean()
        while True:
            try:
                lu = factorise((K + shift * eye).tocsc() if shift > 0 else K, ordering, pivoting)
                factorisations += 1
                d = -lu.solve(g)
                if np.all(np.isfinite(d)) and g @ d < 0:
                    trial = x + d
                    ft = sheet.energy(trial)
                    if np.isfinite(ft) and ft < f:
                        break
            except RuntimeError:
                # splu: the matrix is exactly singular
                failed += 1
            shift = max(10.0 * shift, floor)
            if shift > 1e20:
                raise RuntimeError("no shift gives a step that lowers the energy")
        x = trial
        f, g = sheet.gradient(x)
        iterations += 1
        if verbose:
            print(f"  iteration {iterations}: energy {f:.10e} max|g| {np.abs(g).max():.3e} "
                  f"shift {shift:.3e} factorisations {factorisations} (failed {failed})")
        shift = 0.0 if shift < 10.0 * floor else 0.1 * shift
    return x, f, g, iterations, factorisations, failed


def report_displacements(path, nn):
    """The node displacement table of a melvar output.txt."""
    lines = open(path, encoding="ascii").read().splitlines()
    u = np.full((nn, 3), np.nan)
    for at, line in enumerate(lines):
        if line.strip().startswith("Node"):
            for row in lines[at + 2:]:
                if row.startswith("-") or not row.strip():
                    break
                v = row.split()
                u[int(v[0]) - 1] = [float(t) for t in v[1:4]]
            break
    return u


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--compare", help="melvar's output.txt of the same input")
    ap.add_argument("--tolerance-factor", type=float,
                    help="in place of input.txt's tolerance factor, as the programs take it")
    ap.add_argument("--pivoting", action="store_true",
                    help="splu with its default partial pivoting instead of its symmetric mode")
    ap.add_argument("--verbose", action="store_true", help="a line per iteration")
    ap.add_argument("--ordering", default="MMD_AT_PLUS_A",
                    help="splu's permc_spec (the matrix is symmetric: MMD_AT_PLUS_A)")
    a = ap.parse_args(argv[1:])
    t_start = time.perf_counter()
    d = read_input()
    if a.tolerance_factor is not None:
        d["tol"] = d["tol"] / d["factor"] * a.tolerance_factor if d["tol"] is not None else None
        d["factor"] = a.tolerance_factor
    sheet = Sheet(d)
    x = np.zeros(int(sheet.free.sum()))
    if d["tol"] is None:
        _, g0 = sheet.gradient(x)
        tol = np.abs(g0).max() * d["factor"]
    else:
        tol = d["tol"]
    t1 = time.perf_counter()
    x, f, g, iterations, factorisations, failed = newton(sheet, x, tol, d["maxit"], a.ordering,
                                                                a.verbose, a.pivoting)
    t2 = time.perf_counter()
    print(f"peer scipy Newton: nit {iterations} factorisations {factorisations} failed {failed} "
          f"energy {f:.10e} maxg {np.abs(g).max():.3e} tol {tol:.3e} success "
          f"{bool(np.abs(g).max() <= tol)} minimiser_s {t2 - t1:.3f} total_s {t2 - t_start:.3f}")
    if a.compare:
        sheet.U[sheet.free] = x
        ours = sheet.U.reshape(sheet.nn, 3)
        theirs = report_displacements(a.compare, sheet.nn)
        print(f"largest displacement difference from {a.compare}: "
              f"{np.nanmax(np.abs(ours - theirs)):.3e} (largest displacement "
              f"{np.nanmax(np.abs(theirs)):.3e})")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
