"""The pressure of a sphere taken by its volume against its stretch, beside the closed form of a
thin incompressible Mooney-Rivlin sphere, p R / (c10 H) = 4 (1/l - 1/l^7) (1 + k l^2) with
k = c01 / c10, its two turning points marked: the picture of doc/inflation.md. Reads melvar's
history (--history FILE): the last row of each load step is that step's equilibrium, and the
stretch is l = (V / V0)^(1/3), V0 the volume of the history's first row. Prints, per step, the
stretch, the pressure against the closed form and the step's Newton (or L-BFGS) iterations.
Run with Debian's Python and matplotlib:

    /usr/bin/python3 doc/plot_balloon_curve.py history.csv doc/balloon-volume.png
"""
import argparse
import csv

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
parser.add_argument("history")
parser.add_argument("picture")
parser.add_argument("--scale", type=float, default=0.01, help="c10 H / R (0.01)")
parser.add_argument("--ratio", type=float, default=0.1, help="k = c01 / c10 (0.1)")
arguments = parser.parse_args()
k = arguments.ratio


def closed_form(stretch):
    """p R / (c10 H) of the thin sphere at the stretch."""
    return 4.0 * (1.0 / stretch - 1.0 / stretch ** 7) * (1.0 + k * stretch ** 2)


def turning_points(top):
    """The stretches in (1, top] where the closed form's slope changes sign, by bisection."""
    def slope(s):
        return closed_form(s * (1.0 + 1e-7)) - closed_form(s * (1.0 - 1e-7))
    found, grid = [], [1.0 + (top - 1.0) * n / 2000.0 for n in range(1, 2001)]
    for low, high in zip(grid, grid[1:]):
        if (slope(low) > 0.0) != (slope(high) > 0.0):
            for _ in range(60):
                middle = 0.5 * (low + high)
                if (slope(middle) > 0.0) == (slope(low) > 0.0):
                    low = middle
                else:
                    high = middle
            found.append(0.5 * (low + high))
    return found


with open(arguments.history, newline="") as history:
    rows = list(csv.DictReader(history))
v0 = float(rows[0]["chamber_1_volume"])
ends, iterations = {}, {}
for row in rows:
    ends[int(row["load_step"])] = row
    iterations[int(row["load_step"])] = int(row["iteration"])
steps = sorted(ends)
stretch = [(float(ends[s]["chamber_1_volume"]) / v0) ** (1.0 / 3.0) for s in steps]
pressure = [float(ends[s]["chamber_1_pressure"]) / arguments.scale for s in steps]
worst = 0.0
print("step  stretch  p R/(c10 H)  closed form  error %  iterations")
for s, l, p in zip(steps, stretch, pressure):
    error = 100.0 * (p / closed_form(l) - 1.0)
    worst = max(worst, abs(error))
    print(f"{s:4d} {l:8.4f} {p:12.6f} {closed_form(l):12.6f} {error:8.4f} {iterations[s]:6d}")
print(f"{len(steps)} steps, largest error {worst:.4f} %, "
      f"{sum(iterations.values()) / len(steps):.2f} iterations per step")

figure, axes = plt.subplots(figsize=(8, 5), dpi=100)
top = max(stretch)
curve = [1.0 + (top - 1.0) * n / 400.0 for n in range(401)]
axes.plot(curve, [closed_form(s) for s in curve], "k-", linewidth=1,
          label="closed form, thin sphere")
axes.plot(stretch, pressure, "o", color="C0", markersize=4,
          label=f"melvar, {len(steps)} steps by volume")
for turn in turning_points(top):
    axes.plot([turn], [closed_form(turn)], "s", color="C3", markersize=8, fillstyle="none")
    axes.annotate(f"l = {turn:.3f}, {closed_form(turn):.3f}", (turn, closed_form(turn)),
                  textcoords="offset points", xytext=(8, 8 if turn < 2.0 else -16))
axes.set_xlabel("stretch l = (V / V0)^(1/3)")
axes.set_ylabel("p R / (c10 H)")
axes.set_ylim(bottom=0.0)
axes.grid(True, color="0.9")
axes.legend(loc="lower right")
figure.tight_layout()
figure.savefig(arguments.picture)
