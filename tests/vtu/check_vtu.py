#!/usr/bin/python3
"""Runs with --vtu: meshio reads each .vtu back, and its arrays must agree with input.txt and
with output.txt to the printed digits; a write that fails leaves the files of a plain run; in
load steps, every step's .vtu gives its load factor (and the enclosed volume with pressures), the
last holds the arrays of FILE.vtu, and the .pvd is XML naming the steps in order.
usage: check_vtu.py DORVAN MELVAR EXAMPLES_DIR"""
import pathlib
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

import meshio
import numpy as np

PROGRAMS = dict(zip(("dorvan", "melvar"), sys.argv[1:3]))
EXAMPLES = pathlib.Path(sys.argv[3])
FILES = ("ansys.txt", "autocad.scr", "output.txt")
# (program, example, max_iterations to set or None: 5 stops the first one "NOT Optimal")
ROUND_TRIPS = [
    ("dorvan", "pressure-prestretched-dorvan", None), ("dorvan", "one-triangle-dorvan", None),
    ("melvar", "strip-arruda-boyce-melvar", None), ("melvar", "one-triangle-melvar", None),
    ("dorvan", "pressure-prestretched-dorvan", 5)]
# (program, a directory in the way or None, --vtu argument, what cannot be created); one named
# like a file of the plain run is in its way too, and then no .vtu may be written.
FAILURES = [("dorvan", "result.vtu", "result.vtu", "result.vtu: Is a directory"),
            ("melvar", "result.vtu", "result.vtu", "result.vtu: Is a directory"),
            ("dorvan", None, "no/result.vtu", "no/result.vtu: No such file or directory"),
            ("melvar", "output.txt", "result.vtu", "output.txt: Is a directory")]
# (program, example, steps, follower pressure on every element or None)
SERIES = [("dorvan", "pressure-prestretched-dorvan", 3, 2.0E-4),
          ("melvar", "strip-arruda-boyce-melvar", 2, None)]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def read_input(text):
    """Thickness, points, 0-based cells, fixed marks and loads of input.txt."""
    sections = []
    for line in text.splitlines():
        if line.startswith(":"):
            sections.append([])
        elif line.strip() and sections:
            sections[-1].append(line.split())
    nodes, elements, supports, loads = ([] if s[0] == ["0"] else s[2:] for s in sections[2:])
    fixed, applied = np.zeros((len(nodes), 3), int), np.zeros((len(nodes), 3))
    for i, j, _ in supports:
        fixed[int(i) - 1, int(j) - 1] = 1
    for i, j, force in loads:
        applied[int(i) - 1, int(j) - 1] = float(force)
    cells = sorted((int(e), [int(n) - 1 for n in rest]) for e, *rest in elements)
    return (float(sections[1][0][0]), np.array([[float(v) for v in r[1:]] for r in nodes]),
            np.array([c for _, c in cells]), fixed, applied)


def read_report(text):
    """Header values, node rows, element rows and force lines of output.txt, as printed."""
    lines = text.split("\r\n")

    def rows_after(heading):
        at = next(k for k, line in enumerate(lines) if line.startswith(heading)) + 2
        end = next(k for k in range(at, len(lines)) if not lines[k] or lines[k][0] == "-")
        return lines[at:end]

    return ([line.split("|")[2] for line in lines[1:4]], rows_after(" Node             Displ"),
            rows_after(" Elem"), rows_after(" Node           Force"))


def printed(value, decimals):  # the value as the report prints it, read back
    return np.vectorize(lambda v: float(f"{v:.{decimals}E}"))(value)


def numbers(rows, columns):  # the printed numbers of those columns of the rows
    values = [[float(r.split()[c]) for c in columns] for r in rows]
    return np.array(values).reshape(-1, len(columns))


def plain_and_vtu(work, program, example, max_iterations, vtu_arg, in_the_way=None):
    """Runs the example without and with --vtu in two directories; returns the input text and
    both (directory, run)."""
    text = (EXAMPLES / example / "input.txt").read_text()
    if max_iterations:  # in place of the example's limit of 3000
        text = text.replace(" 3000 ", f" {max_iterations} ", 1)
    runs = []
    for name, arguments in (("plain", []), ("vtu", ["--vtu", vtu_arg])):
        (work / name).mkdir()
        (work / name / "input.txt").write_text(text)
        if in_the_way in FILES or arguments and in_the_way:
            (work / name / in_the_way).mkdir()
        command = [PROGRAMS[program], *arguments, str(work / name)]
        runs.append((work / name, subprocess.run(command, capture_output=True, text=True)))
    (plain, p), (here, r) = runs
    check(r.stdout == p.stdout, f"{program} {example} {vtu_arg}: standard output")
    for f in FILES:
        if (plain / f).is_file():
            check((plain / f).read_bytes() == (here / f).read_bytes(), f"{example}: {f} differs")
    return text, here, r


def round_trip(work, program, example, max_iterations):
    label = f"{program} {example} {max_iterations}"
    text, here, r = plain_and_vtu(work, program, example, max_iterations, "result.vtu")
    check(r.returncode == 0 and not r.stderr, f"{label}: {r.returncode} {r.stderr}")
    check(sorted(x.name for x in here.iterdir()) == sorted(FILES + ("input.txt", "result.vtu")),
          f"{label}: files left")
    data = (here / "result.vtu").read_bytes()
    check(b'header_type="UInt64"' in data[:300] and b'<AppendedData encoding="raw">' in data,
          f"{label}: not raw appended with UInt64 headers")
    t0, points, cells, fixed, loads = read_input(text)
    header, nodes, elements, forces = read_report((here / "output.txt").read_bytes().decode())
    mesh = meshio.read(here / "result.vtu")
    pd, cd, fd = mesh.point_data, {k: v[0] for k, v in mesh.cell_data.items()}, mesh.field_data
    check(np.array_equal(mesh.points, points) and mesh.cells[0].type == "triangle"
          and np.array_equal(mesh.cells[0].data, cells), f"{label}: points or cells")
    check(np.array_equal(cd["element"], np.arange(1, len(cells) + 1)), f"{label}: element")
    check(np.array_equal(pd["fixed"], fixed) and np.array_equal(pd["load"], loads),
          f"{label}: fixed or load")
    check(np.array_equal(printed(pd["displacement"], 8), numbers(nodes, (1, 2, 3))),
          f"{label}: displacement")
    s1, s2 = cd["sigma1"], cd["sigma2"]
    check(np.array_equal(printed(np.stack([s1, s2], 1), 6), numbers(elements, (-2, -1))),
          f"{label}: sigma")
    check(np.array_equal(cd["von_mises"], np.sqrt(s1 * s1 - s1 * s2 + s2 * s2)), f"{label}: Mises")
    if program == "dorvan":
        thickness_ok = np.array_equal(printed(cd["thickness"], 6), numbers(elements, (1,))[:, 0])
    else:  # t0 times the ratio of the initial to the current area
        u = points + pd["displacement"]
        area = lambda x: np.linalg.norm(np.cross(x[cells[:, 1]] - x[cells[:, 0]],
                                                 x[cells[:, 2]] - x[cells[:, 0]]), axis=1)
        thickness_ok = np.allclose(cd["thickness"], t0 * area(points) / area(u), rtol=1e-12, atol=0)
    check(thickness_ok, f"{label}: thickness")
    shown = {(int(f[:5]) - 1, j): float(f[5 + 18 * j: 23 + 18 * j])
             for f in forces for j in range(3) if f[5 + 18 * j: 23 + 18 * j].strip()}
    for (i, j), reaction in np.ndenumerate(pd["reaction"]):
        supported = (printed(reaction, 6) == shown[(i, j)] if (i, j) in shown
                     else abs(reaction) <= float(header[2]))  # below the report's threshold
        check(supported if fixed[i, j] else reaction == 0.0, f"{label}: reaction {i + 1} {j + 1}")
    check(fd["iterations"][0] == int(header[0]) and printed(fd["energy"][0], 8) == float(header[1])
          and fd["optimal"][0] == ("NOT Optimal" not in r.stdout), f"{label}: field data")


def failed_write(work, program, in_the_way, vtu_arg, failure):
    _, here, r = plain_and_vtu(work, program, f"one-triangle-{program}", None, vtu_arg, in_the_way)
    check(r.returncode == 1 and r.stderr == f"{program}: cannot create {failure}\n",
          f"{program} {vtu_arg}: {r.returncode} {r.stderr!r}")
    left = sorted(str(x.relative_to(here)) for x in here.rglob("*"))
    check(left == sorted({"input.txt", *FILES, *([in_the_way] if in_the_way else [])}),
          f"{program} {in_the_way} {vtu_arg}: files left: {left}")


def series(work, program, example, steps, pressure):
    label = f"{program} {example} --steps {steps}"
    text = (EXAMPLES / example / "input.txt").read_text()
    _, _, _, fixed, loads = read_input(text)
    held = np.zeros(fixed.shape)  # the prescribed values
    for i, j, value in (line.split() for line in
                        text.split(": prescribed")[1].split(": loads")[0].splitlines()[3:]):
        held[int(i) - 1, int(j) - 1] = float(value)
    if pressure:
        elements = int(text.split(": elements")[1].split()[0])
        text += f": pressures\n{elements}\n  element pressure\n"
        text += "".join(f"{e} {pressure}\n" for e in range(1, elements + 1))
    (work / "input.txt").write_text(text)
    r = subprocess.run([PROGRAMS[program], "--steps", str(steps), "--vtu", "s.vtu", str(work)],
                       capture_output=True, text=True)
    check(r.returncode == 0 and r.stdout.count("     Optimal") == steps, f"{label}: {r.stdout}")
    collection = ET.parse(work / "s.pvd").getroot()
    check([(float(d.get("timestep")), d.get("file")) for d in collection.iter("DataSet")]
          == [(k / steps, f"s-{k:04d}.vtu") for k in range(1, steps + 1)], f"{label}: DataSets")
    for k in range(1, steps + 1):
        mesh = meshio.read(work / f"s-{k:04d}.vtu")
        fd, x, c = mesh.field_data, mesh.points + mesh.point_data["displacement"], mesh.cells[0].data
        check(fd["load_factor"][0] == k / steps and ("volume" in fd) == bool(pressure),
              f"{label}: field data of step {k}")
        check(np.array_equal(mesh.point_data["load"], k / steps * loads) and np.array_equal(
            mesh.point_data["displacement"][fixed == 1], (k / steps * held)[fixed == 1]),
              f"{label}: loads and prescribed displacements of step {k}")
        if pressure:  # the sum of x1 . (x2 x x3) / 6 over the triangles
            volume = np.einsum("ij,ij->", x[c[:, 0]], np.cross(x[c[:, 1]], x[c[:, 2]])) / 6.0
            check(np.isclose(fd["volume"][0], volume, rtol=1e-12), f"{label}: volume of step {k}")
    final = meshio.read(work / "s.vtu")
    for name, values in {**final.point_data, **final.cell_data}.items():
        check(np.array_equal(np.squeeze(mesh.point_data.get(name, mesh.cell_data.get(name))),
                             np.squeeze(values)), f"{label}: the last step's {name}")


for test, cases in ((round_trip, ROUND_TRIPS), (failed_write, FAILURES), (series, SERIES)):
    for case in cases:
        with tempfile.TemporaryDirectory() as work:
            test(pathlib.Path(work), *case)
print("\n".join(failures)
      or f"{len(ROUND_TRIPS)} round trips, {len(FAILURES)} failed writes, {len(SERIES)} series")
sys.exit(1 if failures else 0)
