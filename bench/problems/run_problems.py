#!/usr/bin/python3
"""The test problems of bench/problems, each solved by both methods of one build, with its
figures against an independent reference:

disc    the clamped disc of radius 100, thickness 1, melvar neo-Hookean mu = 1, under a follower
        pressure, at mesh sizes 10, 5 and 2.5: 0.02 in 10 load steps (past the limit pressure
        0.01879: the last step has no equilibrium) and 0.018 in one; the pole stretch and pole
        height against axisymmetric.py's shooting solution.
airbag  the square airbag, a quarter of one sheet (dorvan, N mm MPa), 5 kPa, at about 2 000
        and 4 300 triangles: the centre deflection (the literature: about 217 mm with
        tension-field models), inverted triangles, the smallest sigma2. L-BFGS takes minutes
        here: it runs only with --airbag-lbfgs.
tube    the tube of radius 10, length 60, thickness 0.2, melvar neo-Hookean mu = 1, its ends
        held, under a follower pressure of 0.015, in one step and in 5: the middle's hoop and
        axial stretch against the axisymmetric solution and the closed form of the uniform
        state, p R / (mu t0) = (1 - la^-2 l^-4) / la (la the axial stretch; la = 1: plane strain).

usage: bench/problems/run_problems.py BUILD_DIR [--problems disc airbag tube] [--methods ...]
           [--sizes ...] [--tube-sizes ...] [--work DIR] [--threads N] [--timeout S] [--airbag-lbfgs]
Needs BUILD_DIR/sheetprep, dorvan and melvar; numpy, scipy and meshio (Debian's python3-*).
Prints one table row per run: iterations per load step, wall and CPU seconds, the outcome
(Optimal, NOT Optimal, the failure) and the figures; the machine load before and after."""
import argparse
import os
import pathlib
import re
import resource
import shutil
import subprocess
import sys
import tempfile
import time

import meshio
import numpy as np

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import axisymmetric  # noqa: E402


def load():
    return " ".join(pathlib.Path("/proc/loadavg").read_text().split()[:3])


def prepare(build, work, problem, geo, edits):
    """work/input.txt from bench/problems/PROBLEM, its problem file's lines edited (each
    (pattern, line) replaces the matching line); returns sheetprep's summary."""
    work.mkdir(parents=True, exist_ok=True)
    shutil.copy(HERE / problem / geo, work / geo)
    text = (HERE / problem / "problem.toml").read_text()
    for pattern, line in edits:
        text, count = re.subn(pattern, line, text, flags=re.M)
        if count != 1:
            sys.exit(f"run_problems: no line {pattern} in {problem}/problem.toml")
    (work / "problem.toml").write_text(text)
    done = subprocess.run([str(build / "sheetprep"), "problem.toml"], cwd=work,
                          capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"sheetprep failed in {work}: {done.stderr}")
    return done.stdout


def triangles(summary):
    return int(re.search(r"elements\s+(\d+)", summary).group(1))


class Run:
    """One run of a program on work/input.txt in work/TAG: iterations per step, times,
    outcome, and the .vtu of each step that ended."""

    def __init__(self, build, program, work, tag, method, steps, threads, timeout, extra=()):
        self.dir = work / tag
        if self.dir.exists():
            shutil.rmtree(self.dir)
        self.dir.mkdir(parents=True)
        shutil.copy(work / "input.txt", self.dir / "input.txt")
        self.method, self.steps = method, steps
        command = [str(build / program), "--quiet", "--method", method, "--history", "h.csv",
                   "--vtu", "r.vtu"]
        if steps > 1:
            command += ["--steps", str(steps)]
        if threads:
            command += ["--threads", str(threads)]
        command += list(extra)
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        try:
            done = subprocess.run(command, cwd=self.dir, capture_output=True, text=True,
                                  timeout=timeout)
            status, out, err = done.returncode, done.stdout, done.stderr
        except subprocess.TimeoutExpired as e:
            status, out, err = None, e.stdout or "", e.stderr or ""
            out = out.decode() if isinstance(out, bytes) else out
            err = err.decode() if isinstance(err, bytes) else err
        self.wall = time.perf_counter() - start
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        self.cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
        self.per_step = self.iterations()
        summaries = re.findall(r"Minor = +\d+ +(NOT Optimal|Optimal)", out)
        if status is None:
            self.outcome = f"timeout {timeout:g} s"
        elif status != 0:
            reason = (err.strip().splitlines() or ["exit %d" % status])[-1]
            self.outcome = "failed at step %d: %s" % (len(summaries) + 1, reason) \
                if steps > 1 else "failed: " + reason
        else:
            self.outcome = summaries[-1] if summaries else "?"
        self.ended = len(summaries)

    def iterations(self):
        """Newton or L-BFGS iterations of each load step, from the history (the last step's
        count is that of its last row, also when it failed)."""
        path = self.dir / "h.csv"
        if not path.exists():
            return []
        rows = [line.split(",") for line in path.read_text().splitlines()[1:] if line]
        if not rows:
            return []
        if len(rows[0]) < 7:
            return [int(rows[-1][0])]
        last = {}
        for row in rows:
            last[int(row[5])] = int(row[0])
        return [last[k] for k in sorted(last)]

    def result(self, step=None):
        """vtu(step), or when the run failed in that step, the .vtu of the point it stopped at
        (with a flag saying so)."""
        mesh = self.vtu(step)
        if mesh is None and (step is None or step == self.ended + 1) and \
                (self.dir / "r.vtu").exists() and not self.outcome.endswith("Optimal"):
            return meshio.read(self.dir / "r.vtu"), True
        return mesh, False

    def vtu(self, step=None):
        """The result of load step STEP (default: the last that ended), or None."""
        step = step or self.ended
        if self.steps > 1:
            path = self.dir / ("r-%04d.vtu" % step)
        else:
            path = self.dir / "r.vtu"
        if step < 1 or step > self.ended or not path.exists():
            return None
        return meshio.read(path)

    def row(self, problem, case, figures):
        steps = self.per_step
        shown = " ".join(str(n) for n in steps) if len(steps) <= 12 else \
            f"{' '.join(str(n) for n in steps[:10])} ... ({len(steps)} steps)"
        print(f"| {problem} | {case} | {self.method} | {self.steps} | {shown} | {sum(steps)} | "
              f"{self.wall:.2f} | {self.cpu:.2f} | {self.outcome} | {figures} |", flush=True)


def cells_of(mesh):
    return mesh.cells[0].data


def cell(mesh, name):
    return mesh.cell_data[name][0]


# ---------------------------------------------------------------------------------------------
def disc(a):
    radius = 100.0
    limit, limit_stretch = axisymmetric.disc_limit()
    reference = axisymmetric.disc_stretch_at(1.8, limit_stretch)
    height = axisymmetric.disc_pole_height(reference) * radius
    angle, edge = axisymmetric.disc_overhang(reference, 1.8)
    yield (f"disc reference (axisymmetric shooting): limit pressure {limit / 100:.6f} at pole "
          f"stretch {limit_stretch:.4f}; at p = 0.018 pole stretch {reference:.5f}, pole height "
          f"{height:.3f}, the meridian leaning past the vertical (at most {angle:.1f} degrees) over "
           f"the outer {1 - edge**2:.1%} of the area: those triangles count as inverted; "
           f"Hencky K(nu = 1/2) {axisymmetric.hencky_coefficient(0.5):.5f}")

    def figures(mesh, stopped=False):
        if mesh is None:
            return "no result"
        if stopped:
            return "where it stopped: " + figures(mesh)
        points = mesh.points
        pole = int(np.argmin(np.linalg.norm(points[:, :2], axis=1)))
        around = np.any(cells_of(mesh) == pole, axis=1)
        stretch = cell(mesh, "stretch")
        pole_stretch = np.mean(np.sqrt(stretch[around, 0] * stretch[around, 1]))
        rise = mesh.point_data["displacement"][pole, 2]
        inverted = int(np.sum(cell(mesh, "area_ratio") <= 0.0))
        return (f"pole stretch {pole_stretch:.4f} ({pole_stretch / reference - 1:+.2e}), pole "
                f"height {abs(rise):.3f} ({abs(rise) / height - 1:+.2e}), {inverted} inverted, "
                f"energy {mesh.field_data['energy'].ravel()[0]:.6e}")

    for size in a.sizes:
        work = a.work / f"disc-{size:g}"
        count = triangles(prepare(a.build, work, "disc", "disc.geo",
                                  [(r"^mesh_size = .*$", f"mesh_size = {size!r}")]))
        for method in a.methods:
            r = Run(a.build, "melvar", work, f"{method}-0.02-steps10", method, 10, a.threads,
                    a.timeout)
            r.row("disc", f"h {size:g}, {count} tri, p 0.02 in 10 steps (step 9: 0.018)",
                  figures(*r.result(9)))
        prepare(a.build, work, "disc", "disc.geo",
                [(r"^mesh_size = .*$", f"mesh_size = {size!r}"),
                 (r"^pressure = .*$", "pressure = 0.018")])
        for method in a.methods:
            r = Run(a.build, "melvar", work, f"{method}-0.018", method, 1, a.threads, a.timeout)
            r.row("disc", f"h {size:g}, {count} tri, p 0.018", figures(*r.result()))


# ---------------------------------------------------------------------------------------------
def airbag(a):
    yield ("airbag reference: centre deflection about 217 mm (tension-field models, the "
           "literature); 0.2.0 L-BFGS on the exact energy: 201 mm at 1 899 and 206 mm at 4 227 "
           "triangles")

    def figures(mesh, stopped=False):
        if mesh is None:
            return "no result"
        if stopped:
            return "where it stopped: " + figures(mesh)
        centre = int(np.argmin(np.linalg.norm(mesh.points, axis=1)))
        inverted = int(np.sum(cell(mesh, "area_ratio") <= 0.0))
        energy = mesh.field_data["energy"].ravel()[0] if "energy" in mesh.field_data else np.nan
        return (f"centre deflection {mesh.point_data['displacement'][centre, 2]:.2f} mm, "
                f"{inverted} inverted, smallest sigma2 {cell(mesh, 'sigma2').min():.3f}, "
                f"energy {energy:.6e}")

    for size in a.airbag_sizes:
        work = a.work / f"airbag-{size:g}"
        count = triangles(prepare(a.build, work, "airbag", "quarter.geo",
                                  [(r"^mesh_size = .*$", f"mesh_size = {size!r}")]))
        for method in a.methods:
            if method == "lbfgs" and not a.airbag_lbfgs:
                continue
            for steps in (1, 5) if method == "newton" else (1,):
                r = Run(a.build, "dorvan", work, f"{method}-steps{steps}", method, steps,
                        a.threads, a.timeout)
                r.row("airbag", f"h {size:g}, {count} tri, 5 kPa", figures(*r.result()))


# ---------------------------------------------------------------------------------------------
def tube(a):
    radius, length, pressure = 10.0, 200.0, 0.75
    hoop, axial, _ = axisymmetric.tube_finite(pressure, length / radius)
    plane = axisymmetric.tube_plane_strain(pressure)
    yield (f"tube reference: p R / (mu t0) = {pressure}; plane strain hoop stretch {plane:.5f}; "
          f"axisymmetric solution at L / R = {length / radius:g}: middle hoop stretch "
          f"{hoop:.5f}, axial stretch {axial:.5f}")

    def figures(mesh, stopped=False):
        if mesh is None:
            return "no result"
        if stopped:
            return "where it stopped: " + figures(mesh)
        z = mesh.points[:, 2]
        ring = np.abs(z - 0.5 * length) <= 0.05 * length
        x = mesh.points + mesh.point_data["displacement"]
        r = np.linalg.norm(x[ring, :2], axis=1) / radius
        middle = np.abs(mesh.points[cells_of(mesh)].mean(axis=1)[:, 2] - 0.5 * length) <= 0.05 * length
        stretch = cell(mesh, "stretch")[middle]
        la = stretch[:, 1].mean()
        # The uniform state at the axial stretch found: (1 - la^-2 l^-4) / la = P.
        closed = (1.0 - la * pressure) ** -0.25 / la**0.5
        return (f"middle hoop stretch {r.mean():.5f} ({r.mean() / hoop - 1:+.2e}; plane strain "
                f"{r.mean() / plane - 1:+.2e}; {r.size} nodes), axial stretch {la:.5f} "
                f"({la / axial - 1:+.2e}), closed form at that axial stretch {closed:.5f}")

    for size in a.tube_sizes:
        work = a.work / f"tube-{size:g}"
        count = triangles(prepare(a.build, work, "tube", "tube.geo",
                                  [(r"^mesh_size = .*$", f"mesh_size = {size!r}")]))
        for method in a.methods:
            for steps in (1, 5):
                r = Run(a.build, "melvar", work, f"{method}-steps{steps}", method, steps,
                        a.threads, a.timeout)
                r.row("tube", f"h {size:g}, {count} tri, p 0.015", figures(*r.result()))


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("build", type=pathlib.Path)
    ap.add_argument("--problems", nargs="+", default=["disc", "airbag", "tube"],
                    choices=("disc", "airbag", "tube"))
    ap.add_argument("--methods", nargs="+", default=["lbfgs", "newton"],
                    choices=("lbfgs", "newton"))
    ap.add_argument("--sizes", nargs="+", type=float, default=[10.0, 5.0, 2.5],
                    help="disc mesh sizes")
    ap.add_argument("--airbag-sizes", nargs="+", type=float, default=[15.0, 10.0],
                    help="airbag mesh sizes (15: 1 998 triangles, 10: 4 334)")
    ap.add_argument("--airbag-lbfgs", action="store_true",
                    help="also run L-BFGS on the airbag (minutes per mesh)")
    ap.add_argument("--tube-sizes", nargs="+", type=float, default=[2.0],
                    help="tube mesh sizes (2: 7 266 triangles)")
    ap.add_argument("--work", type=pathlib.Path, help="keep the runs here (default: removed)")
    ap.add_argument("--threads", type=int, default=1, help="--threads of every run (0: none)")
    ap.add_argument("--timeout", type=float, default=3600.0, help="seconds per run")
    a = ap.parse_args(argv[1:])
    a.build = a.build.resolve()
    for program in ("sheetprep", "dorvan", "melvar"):
        if not os.access(a.build / program, os.X_OK):
            sys.exit(f"run_problems: {a.build / program} not built")
    scratch = None
    if a.work is None:
        scratch = tempfile.TemporaryDirectory(prefix="problems.")
        a.work = pathlib.Path(scratch.name)
    a.work = a.work.resolve()
    problems = [{"disc": disc, "airbag": airbag, "tube": tube}[p](a) for p in a.problems]
    for reference in [next(p) for p in problems]:
        print(reference)
    print(f"build {a.build}; load before: {load()}; threads {a.threads or 'all'}")
    print("| problem | case | method | steps | iterations per step | total | wall s | CPU s | "
          "outcome | figures |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    for problem in problems:
        for _ in problem:
            pass
    print(f"load after: {load()}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
