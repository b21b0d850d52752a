"""The picture of doc/paraview.md: the bundled example's .vtu in ParaView, warped by its
displacements (scale factor 3, so the bulge of the sheet is plain to see), its triangles coloured
by sigma1.
Run with ParaView's Python, headless:

    xvfb-run -a pvpython doc/render_example.py RESULT.vtu doc/prestretched-square.png
"""
import sys

from paraview.simple import SaveScreenshot, Show, WarpByVector, XMLUnstructuredGridReader
from picture_style import colour_by_sigma1, white_view

SCALE = 3.0
source, picture = sys.argv[1], sys.argv[2]

view = white_view()

sheet = XMLUnstructuredGridReader(FileName=[source])
warped = WarpByVector(Input=sheet, Vectors=["POINTS", "displacement"], ScaleFactor=SCALE)
deformed = Show(warped, view)
deformed.SetRepresentationType("Surface With Edges")
deformed.EdgeColor = [0.2, 0.2, 0.2]
colour_by_sigma1(deformed, view)

# A low oblique view, so the bulge stands out against the flat border.
view.CameraPosition = [2.6, -1.4, 1.3]
view.CameraFocalPoint = [0.5, 0.5, 0.1]
view.CameraViewUp = [0.0, 0.0, 1.0]
view.ResetCamera()
camera = view.GetActiveCamera()
camera.Dolly(1.3)
camera.Pitch(-3.0)
SaveScreenshot(picture, view, ImageResolution=[800, 600], TransparentBackground=0)
