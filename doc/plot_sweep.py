"""A column of a sweep's gathered table against a swept value, one line per value of another:
the picture of doc/design-studies.md. With --balloon, also the closed form of the balloon
example, a sphere of radius 1 and shear modulus 1 under pressure p: its uniform stretch s from
p R / (mu t0) = 2 (1/s - 1/s^7), drawn as the displacement s - 1 on the rising branch
(s below 7^(1/6), the limit pressure's stretch). Run with Debian's Python and matplotlib:

    /usr/bin/python3 doc/plot_sweep.py study/results.csv load.skin.pressure max_displacement \
        sheet.thickness doc/sweep-balloon.png --balloon
"""
import argparse
import csv

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402


def sphere_stretch(load):
    """The stretch s below the limit where 2 (1/s - 1/s^7) = load, by bisection."""
    low, high = 1.0, 7.0 ** (1.0 / 6.0)
    for _ in range(100):
        middle = 0.5 * (low + high)
        if 2.0 * (1.0 / middle - 1.0 / middle ** 7) < load:
            low = middle
        else:
            high = middle
    return 0.5 * (low + high)


parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
for name in ("table", "x", "y", "group", "picture"):
    parser.add_argument(name)
parser.add_argument("--balloon", action="store_true")
arguments = parser.parse_args()

with open(arguments.table, newline="") as table:
    rows = [row for row in csv.DictReader(table) if row["status"] == "Optimal"]
groups = sorted({float(row[arguments.group]) for row in rows})

figure, axes = plt.subplots(figsize=(8, 5), dpi=100)
for number, group in enumerate(groups):
    colour = f"C{number}"
    points = sorted((float(r[arguments.x]), float(r[arguments.y]))
                    for r in rows if float(r[arguments.group]) == group)
    axes.plot([p[0] for p in points], [p[1] for p in points], "o", color=colour,
              label=f"{arguments.group} = {group:g}")
    if arguments.balloon:
        top = points[-1][0]
        pressures = [top * k / 100.0 for k in range(101)]
        axes.plot(pressures, [sphere_stretch(p / group) - 1.0 for p in pressures], "--",
                  color=colour, linewidth=1)
if arguments.balloon:
    axes.plot([], [], "k--", linewidth=1, label="closed form, s - 1")
axes.set_xlabel(arguments.x)
axes.set_ylabel(arguments.y)
axes.grid(True, color="0.9")
axes.legend()
figure.tight_layout()
figure.savefig(arguments.picture)
