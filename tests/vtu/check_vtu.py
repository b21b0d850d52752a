#!/usr/bin/python3
"""Runs of both programs with --vtu: meshio reads each .vtu back and its arrays must agree with
input.txt and with output.txt to the report's printed digits; a .vtu that cannot be written
fails the run and leaves the other three files as a run without --vtu writes them.

usage: check_vtu.py DORVAN MELVAR EXAMPLES_DIR"""
import math
import pathlib
import shutil
import subprocess
import sys
import tempfile

import meshio
import numpy as np

PROGRAMS = dict(zip(("dorvan", "melvar"), sys.argv[1:3]))
EXAMPLES = pathlib.Path(sys.argv[3])
FILES = ("ansys.txt", "autocad.scr", "output.txt")

# (program, example, max_iterations to set or None): the last stops early, "NOT Optimal".
ROUND_TRIPS = [
    ("dorvan", "pressure-prestretched-dorvan", None),
    ("dorvan", "one-triangle-dorvan", None),
    ("melvar", "strip-arruda-boyce-melvar", None),
    ("melvar", "one-triangle-melvar", None),
    ("dorvan", "pressure-prestretched-dorvan", 5),
]
# (program, a directory made in the way or None, --vtu argument, the failure reported): exit
# status 1. A directory named like one of the three files is in the way of the plain run too;
# then the .vtu must not be written either.
FAILURES = [
    ("dorvan", "result.vtu", "result.vtu", "result.vtu: Is a directory"),
    ("melvar", "result.vtu", "result.vtu", "result.vtu: Is a directory"),
    ("dorvan", None, "missing/result.vtu", "missing/result.vtu: No such file or directory"),
    ("melvar", None, "missing/result.vtu", "missing/result.vtu: No such file or directory"),
    ("melvar", "output.txt", "result.vtu", "output.txt: Is a directory"),
]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def sections(text):
    """The lines of each section of input.txt after its ':' header."""
    out = []
    for line in text.splitlines():
        if line.startswith(":"):
            out.append([])
        elif out and line.strip():
            out[-1].append(line.split())
    return out


def table(section, heading):
    """Rows of a counted table: the count, a heading line (absent when the count is 0), rows."""
    count = int(section[0][0])
    return section[1 + heading : 1 + heading + count] if count else []


def read_input(text):
    s = sections(text)
    nodes = table(s[2], 1)
    elements = table(s[3], 1)
    points = np.array([[float(v) for v in row[1:4]] for row in nodes])
    cells = np.zeros((len(elements), 3), dtype=int)
    for row in elements:
        cells[int(row[0]) - 1] = [int(v) - 1 for v in row[1:4]]
    fixed = np.zeros((len(nodes), 3), dtype=int)
    for row in table(s[4], 1):
        fixed[int(row[0]) - 1, int(row[1]) - 1] = 1
    loads = np.zeros((len(nodes), 3))
    for row in table(s[5], 1):
        loads[int(row[0]) - 1, int(row[1]) - 1] = float(row[2])
    return float(s[1][0][0]), points, cells, fixed, loads


def read_report(text):
    """Header values, node rows, element rows and force lines of output.txt, as printed."""
    lines = text.split("\r\n")

    def rows_after(heading):
        at = next(k for k, line in enumerate(lines) if line.startswith(heading)) + 2
        end = next((k for k in range(at, len(lines)) if not lines[k] or lines[k][0] == "-"),
                   len(lines))
        return lines[at:end]

    header = [line.split("|")[2].strip() for line in lines[1:4]]
    return (header, [r.split() for r in rows_after(" Node             Displ")],
            [r.split() for r in rows_after(" Elem")], rows_after(" Node           Force"))


def same_digits(value, printed, decimals):
    return float(f"{value:.{decimals}E}") == float(printed)


def run(program, directory, *arguments):
    return subprocess.run([PROGRAMS[program], *arguments, str(directory)], capture_output=True,
                          text=True)


def plain_and_vtu(work, program, example, max_iterations, vtu_arg, in_the_way=None):
    """Runs the example without and with --vtu in two directories, with a directory in_the_way
    made before the run with --vtu (and before the plain run when it is named like one of the
    three files); returns the input text and both (directory, run)."""
    text = (EXAMPLES / example / "input.txt").read_text()
    if max_iterations is not None:
        lines = text.splitlines(keepends=True)
        settings = lines[2].split()
        settings[4] = str(max_iterations)
        lines[2] = " ".join(settings) + "\n"
        text = "".join(lines)
    runs = []
    for name, arguments in (("plain", []), ("vtu", ["--vtu", vtu_arg])):
        directory = work / name
        directory.mkdir()
        (directory / "input.txt").write_text(text)
        if in_the_way in FILES or arguments and in_the_way:
            (directory / in_the_way).mkdir()
        runs.append((directory, run(program, directory, *arguments)))
    return text, runs


def same_files(plain, run, label):
    for f in FILES:
        if (plain / f).is_file():
            check((plain / f).read_bytes() == (run / f).read_bytes(), f"{label}: {f} differs")


def round_trip(work, program, example, max_iterations):
    label = f"{program} {example} {max_iterations}"
    text, [(plain, p), (here, r)] = plain_and_vtu(work, program, example, max_iterations,
                                                  "result.vtu")
    check(r.returncode == p.returncode == 0 and r.stdout == p.stdout and not r.stderr,
          f"{label}: run differs from the plain one: {r.returncode} {r.stderr}")
    same_files(plain, here, label)
    check(sorted(x.name for x in here.iterdir()) == sorted(FILES + ("input.txt", "result.vtu")),
          f"{label}: files left: {sorted(x.name for x in here.iterdir())}")
    data = (here / "result.vtu").read_bytes()
    head = data[: data.index(b"_", data.index(b"<AppendedData"))].decode()
    for needle in ('header_type="UInt64"', 'encoding="raw"', 'byte_order="LittleEndian"'):
        check(needle in head, f"{label}: no {needle}")

    thickness, points, cells, fixed, loads = read_input(text)
    header, node_rows, element_rows, forces = read_report(
        (here / "output.txt").read_bytes().decode())
    mesh = meshio.read(here / "result.vtu")
    pd, cd, fd = mesh.point_data, {k: v[0] for k, v in mesh.cell_data.items()}, mesh.field_data
    check(np.array_equal(mesh.points, points), f"{label}: points")
    check(len(mesh.cells) == 1 and mesh.cells[0].type == "triangle"
          and np.array_equal(mesh.cells[0].data, cells), f"{label}: cells")
    check(np.array_equal(cd["element"], np.arange(1, len(cells) + 1)), f"{label}: element")
    check(np.array_equal(pd["fixed"], fixed) and np.array_equal(pd["load"], loads),
          f"{label}: fixed or load")
    for i, row in enumerate(node_rows):
        for j in range(3):
            check(same_digits(pd["displacement"][i, j], row[1 + j], 8),
                  f"{label}: displacement {i + 1} {j + 1}")
    for e, row in enumerate(element_rows):
        s1, s2 = cd["sigma1"][e], cd["sigma2"][e]
        check(same_digits(s1, row[-2], 6) and same_digits(s2, row[-1], 6), f"{label}: sigma {e + 1}")
        check(cd["von_mises"][e] == math.sqrt(s1 * s1 - s1 * s2 + s2 * s2), f"{label}: von Mises")
        if program == "dorvan":
            check(same_digits(cd["thickness"][e], row[1], 6), f"{label}: thickness {e + 1}")
        else:  # t0 times the ratio of the initial to the current area
            x = points[cells[e]]
            u = x + pd["displacement"][cells[e]]
            ratio = (np.linalg.norm(np.cross(x[1] - x[0], x[2] - x[0]))
                     / np.linalg.norm(np.cross(u[1] - u[0], u[2] - u[0])))
            check(math.isclose(cd["thickness"][e], thickness * ratio, rel_tol=1e-12),
                  f"{label}: thickness {e + 1}")
    printed = {}
    for line in forces:
        for j in range(3):
            field = line[5 + 18 * j : 23 + 18 * j].strip()
            if field:
                printed[(int(line[:5]) - 1, j)] = field
    tolerance = float(header[2])
    for (i, j), reaction in np.ndenumerate(pd["reaction"]):
        if not fixed[i, j]:
            check(reaction == 0.0, f"{label}: reaction of free {i + 1} {j + 1}")
        elif (i, j) in printed:
            check(same_digits(reaction, printed[(i, j)], 6), f"{label}: reaction {i + 1} {j + 1}")
        else:
            check(abs(reaction) <= tolerance, f"{label}: unreported reaction {i + 1} {j + 1}")
    check(fd["iterations"][0] == int(header[0]) and same_digits(fd["energy"][0], header[1], 8),
          f"{label}: iterations or energy")
    check(fd["optimal"][0] == (0 if "NOT Optimal" in r.stdout else 1), f"{label}: optimal")


def failed_write(work, program, in_the_way, vtu_arg, failure):
    label = f"{program} {in_the_way} {vtu_arg}"
    _, [(plain, p), (here, r)] = plain_and_vtu(work, program, f"one-triangle-{program}", None,
                                               vtu_arg, in_the_way)
    check(r.returncode == 1, f"{label}: exit status {r.returncode}")
    check(r.stderr == f"{program}: cannot create {failure}\n", f"{label}: {r.stderr!r}")
    check(r.stdout == p.stdout, f"{label}: standard output")
    same_files(plain, here, label)
    left = sorted(str(x.relative_to(here)) for x in here.rglob("*"))
    expected = sorted({"input.txt", *FILES, *([in_the_way] if in_the_way else [])})
    check(left == expected, f"{label}: files left: {left}")


for case in ROUND_TRIPS:
    with tempfile.TemporaryDirectory() as work:
        round_trip(pathlib.Path(work), *case)
for case in FAILURES:
    with tempfile.TemporaryDirectory() as work:
        failed_write(pathlib.Path(work), *case)
print("\n".join(failures) or f"{len(ROUND_TRIPS)} round trips and {len(FAILURES)} failed writes")
sys.exit(1 if failures else 0)
