#!/usr/bin/python3
"""Follower pressure against what it must reach, on meshes finer than the tests run:

1. The balloon of examples/balloon (a sphere octant, melvar neo-Hookean) at two mesh sizes and
   two pressures: the mean radius against the closed-form stretch of
   p R / (mu t0) = 2 (1/s - 1/s^7), and the same pressure as a dead load against its own
   closed form 2 (s - 1/s^5).
2. The disc of examples/inflated-disc (radius 10, thickness 0.5, melvar neo-Hookean of shear 1):
   the follower solution against dead loads taken again and again from the deformed triangles
   until they stop moving; at the pole, p against 2 N / R (N the membrane force of the elements
   round the pole, R the radius of the sphere fitted to the nodes near it); and the dead
   pressure's peak stress and pole height beside the follower's.

usage: bench/follower_validation.py BUILD_DIR   (needs BUILD_DIR/sheetprep and BUILD_DIR/melvar)
Prints one line per figure; the figures are in bench/RESULTS.md."""
import pathlib
import re
import subprocess
import sys
import tempfile

import meshio
import numpy as np

BUILD = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build").resolve()
EXAMPLES = pathlib.Path(__file__).resolve().parent.parent / "examples"


def run(*command, cwd):
    done = subprocess.run([str(c) for c in command], cwd=cwd, capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"{command[0]} failed: {done.stdout}{done.stderr}")
    return done.stdout


def prepare(work, example, geo, edits):
    """input.txt of the example's problem, its lines edited (key = value in place, or added)."""
    text = (EXAMPLES / example / "problem.toml").read_text()
    for pattern, line in edits:
        text = re.sub(pattern, line, text, flags=re.M) if pattern else text + line + "\n"
    (work / geo).write_text((EXAMPLES / example / geo).read_text())
    (work / "problem.toml").write_text(text)
    run(BUILD / "sheetprep", "-o", "input.txt", "problem.toml", cwd=work)


def solve(work, steps=1):
    """Runs melvar in work; returns points, displacements, cells and cell data of the result."""
    run(BUILD / "melvar", "--steps", steps, "--vtu", "r.vtu", cwd=work)
    mesh = meshio.read(work / "r.vtu")
    return (mesh.points, mesh.point_data["displacement"], mesh.cells[0].data,
            {k: v[0] for k, v in mesh.cell_data.items()})


def root(f, low, high):
    for _ in range(200):
        middle = 0.5 * (low + high)
        low, high = (middle, high) if f(low) * f(middle) > 0 else (low, middle)
    return low


def balloon(work):
    t0 = 0.01
    for load in (0.8, 1.1):
        follower = root(lambda s: 2 * (1 / s - s ** -7) - load, 1.0, 7 ** (1 / 6))
        dead = root(lambda s: 2 * (s - s ** -5) - load, 1.0, 2.0)
        for size in (0.1, 0.05):
            for kind, expected in (("follower", follower), ("dead", dead)):
                edits = [(r"^pressure = .*$", f"pressure = {load * t0!r}"),
                         (r"^tolerance_factor = .*$", "tolerance_factor = 1e-11"),
                         (r"^mesh = .*$", f'mesh = "octant.geo"\nmesh_size = {size}')]
                if kind == "dead":
                    edits.append((r"^follower = true$", ""))
                prepare(work, "balloon", "octant.geo", edits)
                points, u, cells, _ = solve(work, 5)
                radius = np.linalg.norm(points + u, axis=1).mean()
                print(f"balloon p R/(mu t0) = {load}, size {size}, {len(cells)} triangles, {kind}: "
                      f"mean radius {radius:.6f}, closed form {expected:.6f}, "
                      f"error {radius / expected - 1:+.2e}"
                      + (f" (against the follower's {follower:.6f}: {radius / follower - 1:+.2e})"
                         if kind == "dead" else ""))


def lumped(x, cells, p):
    """The dead nodal loads of pressure p on the triangles at positions x."""
    n = np.cross(x[cells[:, 1]] - x[cells[:, 0]], x[cells[:, 2]] - x[cells[:, 0]])
    forces = np.zeros_like(x)
    for corner in range(3):
        np.add.at(forces, cells[:, corner], p * n / 6.0)
    return forces


def with_loads(text, forces):
    """input.txt with its loads section (the last section) replaced by forces."""
    lines = [f"{i + 1} {j + 1} {forces[i, j]!r}" for i in range(len(forces)) for j in range(3)
             if forces[i, j] != 0.0]
    return text[:text.index(": loads")] + f": loads\n{len(lines)}\n  node dir force\n" + \
        "".join(line + "\n" for line in lines)


def disc(work):
    a, t0, shear = 10.0, 0.5, 1.0
    base = [(r"^program = .*$", 'program = "melvar"'), (r"^bulk = .*$", ""),
            (r"^title = .*$", 'title = "Inflated disc"\nmesh_size = 0.7'),
            (r"^max_iterations = .*$", "max_iterations = 20000\nreference_force = 1.0\n"
                                       "tolerance_factor = 1e-8")]
    for p in (0.05, 0.085):
        pressure = [(r"^pressure = .*$", f"pressure = {p!r}")]
        prepare(work, "inflated-disc", "disc.geo", base + pressure + [(None, "follower = true")])
        points, u, cells, data = solve(work, 10)
        x = points + u
        # The curvature at the pole: the sphere through the nodes within a / 5 of the axis,
        # |x|^2 = 2 c . x + d fitted; the membrane force: the mean of (sigma1 + sigma2) / 2
        # times the current thickness over the elements within a / 10.
        near = np.linalg.norm(points[:, :2], axis=1) <= 0.2 * a
        fit = np.linalg.lstsq(np.c_[2 * x[near], np.ones(near.sum())],
                              np.sum(x[near] ** 2, axis=1), rcond=None)[0]
        radius = np.sqrt(fit[3] + np.sum(fit[:3] ** 2))
        round_pole = np.linalg.norm(points[cells].mean(axis=1)[:, :2], axis=1) <= 0.1 * a
        force = np.mean(0.5 * (data["sigma1"] + data["sigma2"])[round_pole] *
                        data["thickness"][round_pole])
        pole = np.argmin(np.linalg.norm(points[:, :2], axis=1))
        print(f"disc p = {p}, {len(cells)} triangles, follower: pole height {x[pole, 2]:.4f}, "
              f"peak sigma1 {data['sigma1'].max():.4f}; at the pole N = {force:.5f}, "
              f"R = {radius:.4f}, 2 N / R = {2 * force / radius:.6f} against p: "
              f"{2 * force / radius / p - 1:+.2e}")

        # The dead pressure on the flat disc, then taken again from each solution's triangles.
        prepare(work, "inflated-disc", "disc.geo", base + pressure)
        text = (work / "input.txt").read_text()
        dead_points, dead_u, _, dead_data = solve(work)
        y = dead_points + dead_u
        for rounds in range(1, 200):
            (work / "input.txt").write_text(with_loads(text, lumped(y, cells, p)))
            _, v, _, _ = solve(work)
            moved = np.abs(points + v - y).max()
            y = points + v
            if moved < 1e-6 * a:
                break
        print(f"disc p = {p}, dead loads from the deformed triangles, {rounds} solves: largest "
              f"distance to the follower solution {np.abs(y - x).max():.2e} (of {a})")
        print(f"disc p = {p}, dead pressure: pole height {(dead_points + dead_u)[pole, 2]:.4f} "
              f"against {x[pole, 2]:.4f}, peak sigma1 {dead_data['sigma1'].max():.4f} against "
              f"{data['sigma1'].max():.4f}")


with tempfile.TemporaryDirectory() as scratch:
    balloon(pathlib.Path(scratch))
    disc(pathlib.Path(scratch))
