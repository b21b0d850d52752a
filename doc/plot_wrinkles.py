"""The wrinkled region of a run under the tension-field energy, from its .vtu: the sheet seen
from above in its deformed shape, each triangle coloured by lost_width (taut ones white, slack
ones grey), and a short line along wrinkle_direction across each wrinkled triangle. The picture
of doc/methods.md, from the square airbag's quarter. Run with Debian's Python, matplotlib and
meshio:

    build/sheetprep -o /tmp/airbag/input.txt examples/square-airbag/problem.toml
    build/dorvan --method newton --vtu airbag.vtu /tmp/airbag
    /usr/bin/python3 doc/plot_wrinkles.py /tmp/airbag/airbag.vtu doc/wrinkled-airbag.png
"""
import argparse

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import meshio  # noqa: E402
import numpy as np  # noqa: E402
from matplotlib.collections import LineCollection, PolyCollection  # noqa: E402

parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
parser.add_argument("vtu")
parser.add_argument("picture")
arguments = parser.parse_args()

mesh = meshio.read(arguments.vtu)
cells = {name: values[0] for name, values in mesh.cell_data.items()}
x = mesh.points + mesh.point_data["displacement"]
triangles = mesh.cells[0].data
corners = x[triangles][:, :, :2]
state, lost = cells["state"], cells["lost_width"]

figure, axes = plt.subplots(figsize=(6.4, 5.6))
wrinkled = state == 1
faces = PolyCollection(corners[wrinkled], array=lost[wrinkled], cmap="viridis", edgecolors="none")
axes.add_collection(faces)
others = PolyCollection(corners[~wrinkled], facecolors=np.where(
    state[~wrinkled, None] == 2, [[0.6, 0.6, 0.6, 1.0]], [[1.0, 1.0, 1.0, 1.0]]),
    edgecolors=(0.85, 0.85, 0.85), linewidths=0.2)
axes.add_collection(others)
centres = corners.mean(axis=1)[wrinkled]
size = 0.4 * np.sqrt(np.abs(np.cross(corners[wrinkled, 1] - corners[wrinkled, 0],
                                     corners[wrinkled, 2] - corners[wrinkled, 0])))
along = cells["wrinkle_direction"][wrinkled][:, :2] * size[:, None]
axes.add_collection(LineCollection(np.stack([centres - along, centres + along], axis=1),
                                   colors="white", linewidths=0.4))
figure.colorbar(faces, ax=axes, label="lost_width (natural width - λ2) in wrinkled triangles")
axes.set_aspect("equal")
axes.autoscale_view()
axes.set_xlabel("x (mm)")
axes.set_ylabel("y (mm)")
counts = [int((state == k).sum()) for k in range(3)]
axes.set_title(f"taut {counts[0]} (white), wrinkled {counts[1]}, slack {counts[2]} (grey); "
               "lines across the wrinkles", fontsize=9)
figure.tight_layout()
figure.savefig(arguments.picture, dpi=110)
