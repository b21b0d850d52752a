"""What the manual's pictures share: an 800 x 600 view on white, and the sheet coloured by
sigma1 with the Viridis map and a legend in black. Imported by the render_*.py scripts, which
run under ParaView's Python."""
from paraview.simple import ColorBy, CreateView, GetColorTransferFunction, GetScalarBar


def white_view():
    view = CreateView("RenderView")
    view.ViewSize = [800, 600]
    view.OrientationAxesVisibility = 0
    view.Background = [1.0, 1.0, 1.0]
    # ParaView 5.10 and later take the background from the palette unless told otherwise.
    if hasattr(view, "UseColorPaletteForBackground"):
        view.UseColorPaletteForBackground = 0
    return view


def colour_by_sigma1(display, view):
    """Colours the display's cells by sigma1 over the data's range, with its legend."""
    ColorBy(display, ("CELLS", "sigma1"))
    display.RescaleTransferFunctionToDataRange(True, False)
    colours = GetColorTransferFunction("sigma1")
    colours.ApplyPreset("Viridis (matplotlib)", True)
    bar = GetScalarBar(colours, view)
    bar.Title = "sigma1"
    bar.ComponentTitle = ""
    bar.AutomaticLabelFormat = 0
    bar.LabelFormat = bar.RangeLabelFormat = "%.3f"
    bar.TitleColor = bar.LabelColor = [0.0, 0.0, 0.0]
    display.SetScalarBarVisibility(view, True)
