#!/usr/bin/python3
"""The Mooney-Rivlin balloon inflated by its volume, melvar against SfePy's shipped example
large_deformation/balloon.py, side by side:

ours     an octant of the sphere (radius 1, wall 0.01, c10 = 3e5, c01 = 3e4) from
         problem.toml, its skin one volume-controlled chamber whose volume grows to
         STRETCH^3 times the start's, `melvar --method newton --steps 20`;
package  `sfepy-run simple .../large_deformation/balloon.py`, as the package ships it (the
         whole ball, a soft tetrahedral core under a membrane skin, its volume prescribed up
         to a stretch of 6 with adaptive time steps, the pressure an unknown).

Each run's pressure at every step is checked against the closed form of a thin incompressible
Mooney-Rivlin sphere, p R / (c10 H) = 4 (1/l - 1/l^7) (1 + (c01/c10) l^2), the stretch l being
the cube root of the volume ratio that the run itself reports (ours: the chamber's volume on the
console against the enclosed volume sheetprep reports; the package's: the deformed tetrahedra of
its output file against the undeformed ones). The runs alternate, REPEAT rounds; the fastest
wall time of each counts.

usage: bench/balloon_volume/compare_sfepy.py [BUILD_DIR] [--repeat N] [--steps N]
           [--mesh-size H] [--stretch L] [--check-stretch L] [--threads N] [--scan H ...]
           [--work DIR]
BUILD_DIR (default: build) holds sheetprep and melvar. --check-stretch L (default 2, 0 for
none) adds an untimed run of ours up to the stretch L in as many steps, for the accuracy at low
stretches. --scan H ... solves ours once at each
mesh size (no timing) and prints its largest error, to choose the coarsest mesh that is at
least as close to the closed form at every step as the package is at its closest.

The package is Debian's python3-sfepy (`apt-get install python3-sfepy`; it conflicts with
python3-paraview). It is needed for this comparison only: without it the script says so and
runs ours alone. Needs numpy; the package's output is read with PyTables (python3-tables, which
python3-sfepy brings)."""
import argparse
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import time

import numpy as np

HERE = pathlib.Path(__file__).resolve().parent
RADIUS, THICKNESS, C10, C01 = 1.0, 0.01, 3.0e5, 3.0e4
# The package's run (Debian's 2021.4) prescribes the stretch 1 + t (its log's "relative stretch"
# lines); its adaptive time stepper oversteps the final time 5 of its output file and stops at
# t = 5.3376, the stretch 6.3376. Ours goes to the same last stretch, so that it covers the
# package's whole range, not only the stretch 6 it aims at.
PACKAGE_LAST_STRETCH = 6.3376
# Ours reaches its volume in equal steps of volume, so its first step already lands on the
# stretch 2.39; a second run of ours, untimed, reaches this stretch in as many steps, to check
# the rising branch and the pressure's maximum (l = 1.476), where the package's first steps lie.
CHECK_STRETCH = 2.0
# Where Debian's python3-sfepy puts the example.
EXAMPLE = pathlib.Path("/usr/lib/python3/dist-packages/sfepy/examples/large_deformation/"
                       "balloon.py")


def closed_form(stretch):
    """The thin Mooney-Rivlin sphere's pressure at the stretch l (Rivlin's membrane solution)."""
    l = np.asarray(stretch, dtype=float)
    return 4.0 * C10 * THICKNESS / RADIUS * (1.0 / l - 1.0 / l**7) * (1.0 + (C01 / C10) * l**2)


def load():
    return " ".join(pathlib.Path("/proc/loadavg").read_text().split()[:3])


def timed(command, cwd, env=None):
    """Runs command in cwd, its output into stdout.txt and stderr.txt there; returns the wall
    seconds and the CPU seconds (user + system) of the process and its children."""
    with open(cwd / "stdout.txt", "w") as out, open(cwd / "stderr.txt", "w") as err:
        start = time.perf_counter()
        child = subprocess.Popen(command, cwd=cwd, stdout=out, stderr=err, env=env)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0:
        tail = (cwd / "stderr.txt").read_text().strip().splitlines()[-1:]
        sys.exit(f"compare_sfepy: {' '.join(map(str, command))} failed in {cwd}: {tail}")
    return wall, usage.ru_utime + usage.ru_stime


# ---------------------------------------------------------------------------------------------
# Ours


def prepare_ours(build, work, mesh_size, stretch):
    """work/input.txt: sheetprep's octant at the mesh size, its follower pressure replaced by one
    chamber of the same triangles whose volume grows by (stretch^3 - 1) V0. Returns V0, the
    enclosed volume at the start, and the element count."""
    work.mkdir(parents=True, exist_ok=True)
    shutil.copy(HERE / "octant.geo", work / "octant.geo")
    text = (HERE / "problem.toml").read_text()
    text, count = re.subn(r"^mesh_size = .*$", f"mesh_size = {mesh_size!r}", text, flags=re.M)
    if count != 1:
        sys.exit("compare_sfepy: no mesh_size line in problem.toml")
    (work / "problem.toml").write_text(text)
    done = subprocess.run([str(build / "sheetprep"), "problem.toml"], cwd=work,
                          capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"compare_sfepy: sheetprep failed in {work}: {done.stderr.strip()}")
    found = re.search(r"follower pressure\s+(\d+) triangles, area \S+, enclosed volume (\S+)",
                      done.stdout)
    if not found:
        sys.exit(f"compare_sfepy: sheetprep gave no enclosed volume:\n{done.stdout}")
    initial_volume = float(found.group(2))

    # The pressures section becomes a chambers section: a count, a heading line, the chamber's
    # line "1 volume dV n", then its n element numbers.
    deck = (work / "input.txt").read_text()
    head, pressures = re.split(r"^: pressures.*\n", deck, maxsplit=1, flags=re.M)
    rows = pressures.splitlines()
    elements = [int(row.split()[0]) for row in rows[2:2 + int(rows[0])]]
    change = (stretch**3 - 1.0) * initial_volume
    lines = [": chambers", "1", " chamber control change_of_volume elements",
             f"1 volume {change!r} {len(elements)}"]
    lines += [" ".join(map(str, elements[k:k + 12])) for k in range(0, len(elements), 12)]
    (work / "input.txt").write_text(head + "\n".join(lines) + "\n")
    return initial_volume, len(elements)


def run_ours(build, work, steps, threads):
    command = [str(build / "melvar"), "--method", "newton", "--steps", str(steps)]
    if threads:
        command += ["--threads", str(threads)]
    return timed(command + ["."], work)


def read_ours(work, initial_volume):
    """Per step that held: (stretch, pressure); and the Newton iterations of every step tried."""
    text = (work / "stdout.txt").read_text()
    iterations = [int(k) for k in re.findall(r"^Minor =\s*(\d+)", text, flags=re.M)]
    held = re.findall(r"^Minor =\s*\d+\s+Optimal\s*\nChamber 1: volume (\S+), pressure (\S+)",
                      text, flags=re.M)
    if not held:
        sys.exit(f"compare_sfepy: no step of ours held ({work / 'stdout.txt'})")
    volume = np.array([float(v) for v, _ in held])
    pressure = np.array([float(p) for _, p in held])
    return (volume / initial_volume) ** (1.0 / 3.0), pressure, iterations


# ---------------------------------------------------------------------------------------------
# The package


def package_example():
    """The shipped example's path, or None when python3-sfepy is not installed."""
    if shutil.which("sfepy-run") is None or not EXAMPLE.is_file():
        return None
    return EXAMPLE


def run_package(example, work):
    work.mkdir(parents=True, exist_ok=True)
    for old in work.glob("*.h5"):
        old.unlink()
    # Without the OpenBLAS overrides a shell may carry, as bench/newton_peer_compare.sh runs
    # its numpy.
    env = {k: v for k, v in os.environ.items()
           if k not in ("OPENBLAS_CORETYPE", "OPENBLAS_L2_SIZE")}
    return timed(["sfepy-run", "simple", str(example)], work, env)


def tetrahedra_volume(points, cells):
    a, b, c, d = (points[cells[:, k]] for k in range(4))
    return np.abs(np.einsum("ij,ij->i", b - a, np.cross(c - a, d - a))).sum() / 6.0


def read_package(work):
    """From the package's output file: per step after the start, (stretch, pressure); from its
    log, the Newton iterations of every solve, the rejected ones included, its step count and the
    seconds it reports for the solve."""
    import tables  # python3-tables, a dependency of python3-sfepy

    files = sorted(work.glob("*.h5"))
    if len(files) != 1:
        sys.exit(f"compare_sfepy: expected one .h5 file of the package in {work}")
    with tables.open_file(str(files[0])) as f:
        points = f.get_node("/mesh/coors").read()
        cells = f.get_node("/mesh/group0/conn").read()
        start = tetrahedra_volume(points, cells)
        numbers = sorted(int(g._v_name[4:]) for g in f.root
                         if g._v_name.startswith("step") and g._v_name[4:].isdigit())
        stretch, pressure = [], []
        for k in numbers:
            u = f.get_node(f"/step{k}/__u/data").read()
            p = f.get_node(f"/step{k}/__p/data").read().ravel()
            if np.ptp(p) > 1e-9 * np.abs(p).max(initial=1.0):
                sys.exit(f"compare_sfepy: the package's pressure is not one value at step {k}")
            volume = tetrahedra_volume(points + u, cells)
            if abs(volume / start - 1.0) < 1e-12:
                continue  # the undeformed start
            stretch.append((volume / start) ** (1.0 / 3.0))
            pressure.append(p[0])
    log = (work / "stdout.txt").read_text() + (work / "stderr.txt").read_text()
    iterations, solves = 0, 0
    for k in re.findall(r"nls: iter: (\d+),", log):
        iterations += int(k) > 0
        solves += int(k) == 0
    solved = re.search(r"solved in (\d+) steps in ([0-9.]+) seconds", log)
    return (np.array(stretch), np.array(pressure), iterations, solves,
            int(solved.group(1)) if solved else None, float(solved.group(2)) if solved else None)


# ---------------------------------------------------------------------------------------------


def errors(stretch, pressure):
    return pressure / closed_form(stretch) - 1.0


def step_table(name, stretch, pressure):
    print(f"\n{name}: pressure against the closed form, step by step\n")
    print("| step | stretch | pressure | closed form | error |")
    print("|---|---|---|---|---|")
    for k, (l, p, e) in enumerate(zip(stretch, pressure, errors(stretch, pressure)), 1):
        print(f"| {k} | {l:.4f} | {p:.2f} | {closed_form(l):.2f} | {100 * e:+.3f} % |")


def scan(build, example, work, args):
    """Solves ours once per mesh size (untimed) and prints its errors beside the package's."""
    package_closest = None
    if example is not None:
        run_package(example, work / "package")
        stretch, pressure, *_ = read_package(work / "package")
        package_closest = np.abs(errors(stretch, pressure)).min()
        print(f"package: |error| from {100 * package_closest:.3f} % to "
              f"{100 * np.abs(errors(stretch, pressure)).max():.3f} %")
    print("\n| mesh size | triangles | iterations | largest \\|error\\| | smallest \\|error\\| |"
          " at least as close as the package at every step |")
    print("|---|---|---|---|---|---|")
    for size in args.scan:
        largest, smallest, iterations = [], [], 0
        for stretch in (args.stretch, args.check_stretch):
            if stretch <= 1.0:
                continue
            where = work / f"scan-{size}-{stretch}"
            volume, triangles = prepare_ours(build, where, size, stretch)
            run_ours(build, where, args.steps, args.threads)
            s, p, its = read_ours(where, volume)
            e = np.abs(errors(s, p))
            largest.append(e.max())
            smallest.append(e.min())
            iterations += sum(its)
        verdict = "" if package_closest is None else ("yes" if max(largest) <= package_closest
                                                      else "no")
        print(f"| {size} | {triangles} | {iterations} | {100 * max(largest):.3f} % | "
              f"{100 * min(smallest):.3f} % | {verdict} |")
    print(f"\nload average after: {load()}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--steps", type=int, default=20)
    parser.add_argument("--mesh-size", type=float, default=None,
                        help="default: problem.toml's mesh_size")
    parser.add_argument("--stretch", type=float, default=PACKAGE_LAST_STRETCH)
    parser.add_argument("--check-stretch", type=float, default=CHECK_STRETCH)
    parser.add_argument("--threads", type=int, default=None)
    parser.add_argument("--scan", type=float, nargs="+", default=None)
    parser.add_argument("--work", type=pathlib.Path, default=None)
    args = parser.parse_args()
    if args.repeat < 1 or args.steps < 1 or args.stretch <= 1.0:
        parser.error("--repeat and --steps must be at least 1, --stretch above 1")

    build = pathlib.Path(args.build).resolve()
    for program in ("sheetprep", "melvar"):
        if not (build / program).is_file():
            sys.exit(f"compare_sfepy: {build / program} not built")
    if args.mesh_size is None:
        args.mesh_size = float(re.search(r"^mesh_size = (\S+)", (HERE / "problem.toml").read_text(),
                                         flags=re.M).group(1))
    work = args.work or pathlib.Path(tempfile.mkdtemp(prefix="balloon-volume."))
    if args.work is None:
        import atexit
        atexit.register(shutil.rmtree, work, True)
    work = work.resolve()

    print(f"load average before: {load()}; CPUs: {os.cpu_count()}")
    example = package_example()
    if example is None:
        print("compare_sfepy: the package is not installed (Debian's python3-sfepy: "
              "apt-get install python3-sfepy); ours alone")
    if args.scan:
        scan(build, example, work, args)
        return

    # The timed runs alternate, so that both meet the same load on the machine.
    volume, triangles = prepare_ours(build, work / "ours", args.mesh_size, args.stretch)
    rounds = []
    for k in range(1, args.repeat + 1):
        ours = run_ours(build, work / "ours", args.steps, args.threads)
        ours_load = load()
        package = package_load = None
        if example is not None:
            package = run_package(example, work / "package")
            package_load = load()
        rounds.append((ours, ours_load, package, package_load))
        print(f"round {k}: ours {ours[0]:.3f} s wall ({ours_load})" +
              ("" if package is None else f", package {package[0]:.2f} s wall ({package_load})"))
    best_ours = min((r[0], r[1]) for r in rounds)
    best_package = None if example is None else min((r[2], r[3]) for r in rounds)
    print(f"load average after: {load()}")

    threads = f" --threads {args.threads}" if args.threads else ""
    stretch, pressure, iterations = read_ours(work / "ours", volume)
    if len(iterations) != args.steps or len(stretch) != args.steps:
        sys.exit(f"compare_sfepy: ours held {len(stretch)} of {args.steps} steps "
                 f"({work / 'ours' / 'stdout.txt'})")
    step_table(f"melvar --method newton --steps {args.steps}{threads}, octant, mesh size "
               f"{args.mesh_size} ({triangles} triangles), to the stretch {args.stretch}",
               stretch, pressure)
    e_ours = np.abs(errors(stretch, pressure))
    rows = [(f"melvar --method newton, octant of {triangles} triangles", best_ours,
             f"{len(stretch)}", f"{sum(iterations)} Newton",
             f"{stretch[0]:.4f} to {stretch[-1]:.4f}", e_ours)]
    e_check = None
    if args.check_stretch > 1.0:
        volume, _ = prepare_ours(build, work / "check", args.mesh_size, args.check_stretch)
        run_ours(build, work / "check", args.steps, args.threads)
        s, p, its = read_ours(work / "check", volume)
        step_table(f"the same, untimed, to the stretch {args.check_stretch}", s, p)
        e_check = np.abs(errors(s, p))
        rows.append((f"the same to the stretch {args.check_stretch} (untimed)", None,
                     f"{len(s)}", f"{sum(its)} Newton", f"{s[0]:.4f} to {s[-1]:.4f}", e_check))
    e_package = None
    if example is not None:
        p_stretch, p_pressure, p_iterations, p_solves, p_steps, p_seconds = read_package(
            work / "package")
        if abs(p_stretch[-1] - args.stretch) > 1e-3 * args.stretch:
            print(f"\nnote: the package's last stretch is {p_stretch[-1]:.4f}, ours "
                  f"{args.stretch}: pass --stretch {p_stretch[-1]:.4f} to cover the same range")
        step_table("package (sfepy-run simple large_deformation/balloon.py)", p_stretch,
                   p_pressure)
        e_package = np.abs(errors(p_stretch, p_pressure))
        rows.append(("SfePy large_deformation/balloon.py, whole ball", best_package,
                     f"{len(p_stretch)} (+ the start; {p_solves - 1 - len(p_stretch)} rejected)",
                     f"{p_iterations} Newton", f"{p_stretch[0]:.4f} to {p_stretch[-1]:.4f}",
                     e_package))
        if p_seconds is not None:
            print(f"\nthe package's own 'solved in {p_steps} steps' figure (last round): "
                  f"{p_seconds:.2f} s")
    print(f"\n| fastest of {args.repeat} | wall s | CPU s | load average then | steps |"
          " iterations | stretch | \\|error\\| against the closed form |")
    print("|---|---|---|---|---|---|---|---|")
    for name, best, steps, its, span, e in rows:
        timing = "| | | |" if best is None else (f"| {best[0][0]:.3f} | {best[0][1]:.3f} | "
                                                f"{best[1]} |")
        print(f"| {name} {timing} {steps} | {its} | {span} | "
              f"{100 * e.min():.3f} to {100 * e.max():.3f} % |")
    if e_package is not None:
        ours_largest = max(e_ours.max(), e_check.max() if e_check is not None else 0.0)
        verdict = ("at least as close at every step" if ours_largest <= e_package.min()
                   else "LESS CLOSE")
        print(f"\nwall time, package / ours: {best_package[0][0] / best_ours[0][0]:.1f}x "
              f"(CPU: {best_package[0][1] / best_ours[0][1]:.1f}x); target 50x; largest "
              f"|error| of ours {100 * ours_largest:.3f} % against the package's smallest "
              f"{100 * e_package.min():.3f} %: {verdict}")


if __name__ == "__main__":
    main()
