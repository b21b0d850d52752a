#!/usr/bin/python3
"""Runs with --vtu: meshio reads each .vtu back, and its arrays must agree with input.txt and
with output.txt to the printed digits, its stretches, directions and stresses with the
deformation of each triangle and its law; a homogeneous biaxial stretch gives the closed-form
stretches and forces; a run its line search halts writes the .vtu of its last iterate, a folded
sheet is reported; a write that fails leaves the files of a plain run; in load steps, every
step's .vtu gives its load factor (and the enclosed volume with pressures), the last holds the
arrays of FILE.vtu, and the .pvd is XML naming the steps in order.
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
# (program, a directory made in the way, the --vtu FILE, exit status, the report): each found
# before input.txt is read, so that nothing is written.
FAILURES = [("dorvan", "result.vtu", "result.vtu", 2,
             "--vtu: 'result.vtu' is a directory, not a regular file\nTry 'dorvan --help'."),
            ("melvar", "result.vtu", "result.vtu", 2,
             "--vtu: 'result.vtu' is a directory, not a regular file\nTry 'melvar --help'."),
            ("dorvan", None, "no/result.vtu", 1,
             "cannot create no/result.vtu: the directory 'no' does not exist"),
            ("melvar", "output.txt", "result.vtu", 1,
             "cannot create output.txt: it is a directory, not a regular file")]
# The Arruda-Boyce series: c_i is BOYCE[i - 1] / lock^(2 (i - 1)).
BOYCE = (0.5, 0.05, 0.010476190476190476, 0.0027142857142857142, 0.0007703153988868275)
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


def plain_and_vtu(work, program, example, max_iterations, vtu_arg):
    """Runs the example without and with --vtu in two directories; returns the input text and
    both (directory, run)."""
    text = (EXAMPLES / example / "input.txt").read_text()
    if max_iterations:  # in place of the example's limit of 3000
        text = text.replace(" 3000 ", f" {max_iterations} ", 1)
    runs = []
    for name, arguments in (("plain", []), ("vtu", ["--vtu", vtu_arg])):
        (work / name).mkdir()
        (work / name / "input.txt").write_text(text)
        command = [PROGRAMS[program], *arguments, str(work / name)]
        runs.append((work / name, subprocess.run(command, capture_output=True, text=True)))
    (plain, p), (here, r) = runs
    check(r.stdout == p.stdout, f"{program} {example} {vtu_arg}: standard output")
    for f in FILES:
        if (plain / f).is_file():
            check((plain / f).read_bytes() == (here / f).read_bytes(), f"{example}: {f} differs")
    return text, here, r


def law_of(text):
    """The law number and constants on the sheet line of input.txt."""
    sheet = text.split("\n:")[2].split("\n")[1].split()
    return int(sheet[1]), [float(v) for v in sheet[2:]]


def shear_slope(law, c, i1):
    """w1 = dW/d i1 of melvar's neo-Hookean (1) or Arruda-Boyce (3) law, the textbook forms."""
    return c[0] * (0.5 if law == 1 else sum(
        (i + 1) * BOYCE[i] / c[1] ** (2 * i) * i1 ** i for i in range(5)))


def dot(a, b):
    return np.einsum("ij,ij->i", a, b)


def check_deformation(label, program, text, points, cells, pd, cd):
    """Stretches, directions, area ratio and (melvar's) stresses against each triangle's own
    deformation: B = F F^T from its current edges a, b and its initial ones."""
    edges = lambda x: (x[cells[:, 2]] - x[cells[:, 1]], x[cells[:, 0]] - x[cells[:, 2]])
    (ia, ib), (a, b) = edges(points), edges(points + pd["displacement"])
    m, m0 = np.cross(a, b), np.cross(ia, ib)
    jp = np.linalg.norm(m, axis=1) / np.linalg.norm(m0, axis=1)
    g = lambda x, y: (dot(x, y) / dot(m0, m0))[:, None, None]
    outer = lambda x, y: np.einsum("ij,ik->ijk", x, y)
    left = (g(ib, ib) * outer(a, a) - g(ia, ib) * (outer(a, b) + outer(b, a))
            + g(ia, ia) * outer(b, b))
    stretch, l3, d1, d2 = cd["stretch"], cd["stretch3"], cd["direction1"], cd["direction2"]
    check(np.allclose(stretch ** 2, np.sort(np.linalg.eigvalsh(left))[:, :0:-1], rtol=1e-12)
          and (program == "dorvan" or np.allclose(stretch.prod(1) * l3, 1, rtol=1e-13, atol=0)),
          f"{label}: stretches")
    n = m / np.linalg.norm(m, axis=1)[:, None]
    # every example's law puts sigma1 along lambda1: direction1 is B's eigenvector of lambda1^2
    check(np.allclose([dot(d1, d1), dot(d2, d2), dot(d1, d2), dot(d1, n), dot(d2, n)],
                      [[1], [1], [0], [0], [0]], atol=1e-13) and
          np.allclose(np.cross(n, d1), d2, atol=1e-13) and np.allclose(
              np.einsum("ij,ijk,ik->i", d1, left, d1), stretch[:, 0] ** 2, rtol=1e-12),
          f"{label}: directions")
    check(np.allclose(cd["area_ratio"], np.sign(dot(m, m0)) * jp, rtol=1e-13, atol=0),
          f"{label}: area ratio")
    s1, s2 = cd["sigma1"], cd["sigma2"]
    if program == "melvar":  # the stress along each direction, from the law at B and lambda3
        w1 = shear_slope(*law_of(text), np.trace(left, axis1=1, axis2=2) + l3 ** 2)
        stress = lambda d: 2 * w1 * (np.einsum("ij,ijk,ik->i", d, left, d) - l3 ** 2)
        check(np.allclose([stress(d1), stress(d2)], [s1, s2], rtol=0,
                          atol=1e-9 * np.abs([s1, s2]).max()), f"{label}: sigma along directions")
    check(np.array_equal(cd["membrane_force"], np.stack([s1, s2], 1) * cd["thickness"][:, None])
          and np.array_equal(cd["state"], np.where(s2 > 0, 0, np.where(s1 > 0, 1, 2))),
          f"{label}: membrane force and state")


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
    check_deformation(label, program, text, points, cells, pd, cd)
    law, constants = law_of(text)
    names = [["shear", "bulk"], ["c10", "c01", "bulk"], ["shear"], ["c10", "c01"],
             ["shear", "locking_stretch"]][law - 1 + 2 * (program == "melvar")]
    version = subprocess.run([PROGRAMS[program], "--version"], capture_output=True, text=True)
    check(np.array_equal(pd["fixed_count"], fixed.sum(1)) and fd["law"][0] == law
          and fd["status"][0] == 1 - fd["optimal"][0] and fd["initial_thickness"][0] == t0
          and [fd[n][0] for n in names] == constants[:len(names)]
          and printed(fd["tolerance"][0], 8) == float(header[2])
          and f"<!-- {version.stdout.strip()}: {text.splitlines()[0]} -->".encode() in data[:200],
          f"{label}: fixed_count, field data and comment")


def read_vtu(here):
    mesh = meshio.read(here / "result.vtu")
    return mesh.point_data, {k: v[0] for k, v in mesh.cell_data.items()}, mesh.field_data


def halted(work, program, example):
    """A halted run writes the .vtu of its last iterate, the three files as without it."""
    _, here, r = plain_and_vtu(work, program, example, None, "result.vtu")
    pd, _, fd = read_vtu(here)
    check(r.returncode == 1 and r.stdout == "Line Search Failure\n"
          and sorted(x.name for x in here.iterdir()) == ["ansys.txt", "input.txt", "result.vtu"]
          and [fd[k][0] for k in ("status", "optimal", "iterations")] == [2, 0, 0]
          and not pd["displacement"].any(), f"{example}: halted run {r.returncode} {fd}")


def folded(work, program, example):
    """A triangle turned over by its supports: the warning after the summary, area_ratio -2."""
    text = (EXAMPLES / example / "input.txt").read_text().replace(
        "6\n  node dir value\n", "9\n  node dir value\n3 1 0.0\n3 2 -3.0\n3 3 0.0\n")
    (work / "input.txt").write_text(text)
    r = subprocess.run([PROGRAMS[program], "--vtu", "result.vtu", str(work)], capture_output=True,
                       text=True)
    check(r.returncode == 0 and r.stdout.endswith("Optimal\n") and r.stderr == f"{program}: "
          "warning: 1 of 1 triangles are inverted (the sheet has folded); see area_ratio in the "
          ".vtu\n" and read_vtu(work)[1]["area_ratio"][0] == -2.0, f"{example}: folded {r.stderr}")


def homogeneous(work, program):
    """The square of dorvan-biaxial stretched 1.2 along X and 1.1 along Y, its centre node free
    to find that state: lambda3 = 1 / (1.2 1.1), sigma = mu (lambda^2 - lambda3^2) for melvar's
    neo-Hookean sheet, forces sigma t0 lambda3."""
    text = (EXAMPLES.parent / "dorvan-biaxial" / "input.txt").read_text()
    text = text.replace("0.5 2 0.4 0.1 5.0", "0.5 1 1.0").replace("27\n", "24\n")
    (work / "input.txt").write_text(text.replace("5 1 0.1\n5 2 0.05\n5 3 0.0\n", ""))
    subprocess.run([PROGRAMS[program], "--vtu", "result.vtu", str(work)], capture_output=True)
    _, cd, fd = read_vtu(work)
    l3 = 1 / (1.2 * 1.1)
    stress = [l ** 2 - l3 ** 2 for l in (1.2, 1.1)]
    close = lambda key, expected: np.allclose(cd[key], expected, rtol=1e-8, atol=1e-9)
    check(fd["optimal"][0] == 1 and close("stretch", [1.2, 1.1]) and close("stretch3", l3)
          and close("sigma1", stress[0]) and close("sigma2", stress[1])
          and close("membrane_force", np.multiply(stress, 0.5 * l3)) and close("area_ratio", 1.32)
          and np.allclose(np.abs(cd["direction1"]), [1, 0, 0], atol=1e-9)
          and not cd["state"].any() and "lost_width" not in cd and "wrinkle_direction" not in cd,
          f"{program}: biaxial")


def wrinkled(work, program):
    """The same square narrowed to 1.5 x 0.8 under the membrane section: every triangle
    wrinkled (state 1) with sigma2 = 0, its wrinkles across X (wrinkle_direction = +-Y, direction2
    of a wrinkled triangle) and, for melvar's neo-Hookean sheet, lost_width 1.5^(-1/2) - 0.8."""
    text = (EXAMPLES.parent / "dorvan-biaxial" / "input.txt").read_text()
    if program == "melvar":
        text = text.replace("0.5 2 0.4 0.1 5.0", "0.5 1 1.0")
    head, rest = text.split("  node dir value\n")
    held, tail = rest.split(": loads")
    lines = [f"{i} {j} {float(v) * {'1': 2.5, '2': -2.0, '3': 1.0}[j]}"
             for i, j, v in (line.split() for line in held.splitlines()) if i != "5"]
    text = head.replace("27\n", f"{len(lines)}\n") + "  node dir value\n" + "\n".join(lines)
    (work / "input.txt").write_text(text + "\n: loads" + tail + ": membrane\ntension-field\n")
    r = subprocess.run([PROGRAMS[program], "--vtu", "result.vtu", str(work)], capture_output=True)
    _, cd, fd = read_vtu(work)
    width = 1.5 ** -0.5 - 0.8 if program == "melvar" else cd["lost_width"][0]
    check(r.returncode == 0 and fd["optimal"][0] == 1 and (cd["state"] == 1).all()
          and not cd["sigma2"].any() and (cd["sigma1"] > 0).all()
          and np.allclose(cd["stretch"], [1.5, 0.8], rtol=1e-8)
          and np.allclose(np.abs(cd["wrinkle_direction"]), [0, 1, 0], atol=1e-9)
          and np.array_equal(cd["wrinkle_direction"], cd["direction2"])
          and np.allclose(cd["lost_width"], width, rtol=1e-8) and width > 0,
          f"{program}: wrinkled {r.returncode} {fd}")


def failed_write(work, program, in_the_way, vtu_arg, status, failure):
    (work / "input.txt").write_text((EXAMPLES / f"one-triangle-{program}" / "input.txt").read_text())
    if in_the_way:
        (work / in_the_way).mkdir()
    r = subprocess.run([PROGRAMS[program], "--vtu", vtu_arg, str(work)], capture_output=True,
                       text=True)
    check(r.returncode == status and r.stderr == f"{program}: {failure}\n" and r.stdout == "",
          f"{program} {vtu_arg}: {r.returncode} {r.stderr!r}")
    left = sorted(str(x.relative_to(work)) for x in work.rglob("*"))
    check(left == sorted({"input.txt", *([in_the_way] if in_the_way else [])}),
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


RUNS = [(halted, "dorvan", "already-in-equilibrium-dorvan"),
        (folded, "dorvan", "one-triangle-dorvan"), (homogeneous, "melvar"),
        (wrinkled, "melvar"), (wrinkled, "dorvan")]
for test, cases in ((round_trip, ROUND_TRIPS), (failed_write, FAILURES), (series, SERIES)):
    for case in cases:
        with tempfile.TemporaryDirectory() as work:
            test(pathlib.Path(work), *case)
for test, *case in RUNS:
    with tempfile.TemporaryDirectory() as work:
        test(pathlib.Path(work), *case)
print("\n".join(failures) or f"{len(ROUND_TRIPS)} round trips, {len(FAILURES)} failed writes, "
      f"{len(SERIES)} series and {len(RUNS)} other runs")
sys.exit(1 if failures else 0)
