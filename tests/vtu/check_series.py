#!/usr/bin/python3
"""Runs in load steps with --vtu: meshio reads every step's .vtu, whose field data gives the load
factor (and the enclosed volume when there are pressures), the last step's file holds the arrays
of FILE.vtu, and the .pvd is XML naming the steps in order with the load factor as time.
usage: check_series.py DORVAN MELVAR EXAMPLES_DIR"""
import pathlib
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

import meshio
import numpy as np

PROGRAMS = dict(zip(("dorvan", "melvar"), sys.argv[1:3]))
EXAMPLES = pathlib.Path(sys.argv[3])
# (program, example, steps, follower pressure on every element or None)
CASES = [("dorvan", "pressure-prestretched-dorvan", 3, 2.0E-4),
         ("melvar", "strip-arruda-boyce-melvar", 2, None)]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def series(work, program, example, steps, pressure):
    label = f"{program} {example} --steps {steps}"
    text = (EXAMPLES / example / "input.txt").read_text()
    if pressure:
        elements = int(text.split(": elements")[1].split()[0])
        text += f": pressures\n{elements}\n  element pressure\n"
        text += "".join(f"{e} {pressure}\n" for e in range(1, elements + 1))
    (work / "input.txt").write_text(text)
    r = subprocess.run([PROGRAMS[program], "--steps", str(steps), "--vtu", "s.vtu", str(work)],
                       capture_output=True, text=True)
    check(r.returncode == 0 and r.stdout.count("     Optimal") == steps, f"{label}: {r.stdout}")
    final = meshio.read(work / "s.vtu")
    collection = ET.parse(work / "s.pvd").getroot()
    check(collection.tag == "VTKFile" and collection.get("type") == "Collection", f"{label}: pvd")
    sets = collection.findall("./Collection/DataSet")
    check([(float(d.get("timestep")), d.get("file")) for d in sets]
          == [(k / steps, f"s-{k:04d}.vtu") for k in range(1, steps + 1)], f"{label}: DataSets")
    for k in range(1, steps + 1):
        mesh = meshio.read(work / f"s-{k:04d}.vtu")
        fd = mesh.field_data
        check(fd["load_factor"][0] == k / steps, f"{label}: load_factor of step {k}")
        check(("volume" in fd) == bool(pressure), f"{label}: volume of step {k}")
        if pressure:
            x = mesh.points + mesh.point_data["displacement"]
            c = mesh.cells[0].data
            volume = np.sum(np.einsum("ij,ij->i", x[c[:, 0]], np.cross(x[c[:, 1]], x[c[:, 2]])))
            check(np.isclose(fd["volume"][0], volume / 6.0, rtol=1e-12, atol=1e-15),
                  f"{label}: volume {fd['volume'][0]} of step {k}, against {volume / 6.0}")
    last = meshio.read(work / f"s-{steps:04d}.vtu")
    for name, values in final.point_data.items():
        check(np.array_equal(last.point_data[name], values), f"{label}: last step's {name}")
    for name, values in final.cell_data.items():
        check(np.array_equal(last.cell_data[name][0], values[0]), f"{label}: last step's {name}")


for case in CASES:
    with tempfile.TemporaryDirectory() as work:
        series(pathlib.Path(work), *case)
print("\n".join(failures) or f"{len(CASES)} series")
sys.exit(1 if failures else 0)
