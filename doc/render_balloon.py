"""The balloon picture of the README and doc/inflation.md: the balloon example's series, the
octant inflated by its follower pressure in load steps (true scale), seen along the Y axis. The
last step is the skin coloured by sigma1; the edges of the octant at the start (grey) and after
every step show the path, the arcs in the Z-X plane growing as quarter circles. Run with
ParaView's Python, headless:

    xvfb-run -a pvpython doc/render_balloon.py SERIES.pvd doc/balloon.png
"""
import pathlib
import sys
import xml.etree.ElementTree as ET

from paraview.simple import (ExtractSurface, FeatureEdges, Render, SaveScreenshot, Show,
                             WarpByVector, XMLUnstructuredGridReader)
from picture_style import colour_by_sigma1, white_view

source, picture = pathlib.Path(sys.argv[1]), sys.argv[2]
steps = [source.parent / d.get("file") for d in ET.parse(source).iter("DataSet")]

view = white_view()


def edges(reader, warped, colour):
    """The octant's three boundary arcs, at the step's displacement or undeformed."""
    shape = WarpByVector(Input=reader, Vectors=["POINTS", "displacement"]) if warped else reader
    arcs = Show(FeatureEdges(Input=ExtractSurface(Input=shape), BoundaryEdges=1,
                             FeatureEdges=0, NonManifoldEdges=0, ManifoldEdges=0), view)
    arcs.ColorArrayName = [None, ""]
    arcs.AmbientColor = arcs.DiffuseColor = colour
    arcs.LineWidth = 3.0
    return shape


readers = [XMLUnstructuredGridReader(FileName=[str(step)]) for step in steps]
edges(readers[0], False, [0.6, 0.6, 0.6])
for k, reader in enumerate(readers):
    shade = 0.55 * (1.0 - (k + 1) / len(readers))  # darker as the load grows
    last = edges(reader, True, [shade, shade, 0.8 * shade + 0.2])

inflated = Show(last, view)
inflated.SetRepresentationType("Surface With Edges")
inflated.EdgeColor = [0.25, 0.25, 0.25]
inflated.Opacity = 0.75
colour_by_sigma1(inflated, view)

Render(view)  # the first render places the camera; ours comes after it
view.CameraPosition = [0.3, -5.0, 0.4]
view.CameraFocalPoint = [0.6, 0.5, 0.6]
view.CameraViewUp = [0.0, 0.0, 1.0]
view.CameraParallelProjection = 1
view.ResetCamera()
view.GetActiveCamera().Zoom(1.05)
SaveScreenshot(picture, view, ImageResolution=[800, 600], TransparentBackground=0)
