#!/usr/bin/env python3
"""Writes input.txt for a rectangular sheet of nx by ny squares, two triangles per square.

The border is stretched equibiaxially (X and Y displacement = stretch * (coordinate - centre),
plus an optional rigid shift) and held in Z; every interior node carries the Z load of a
uniform pressure lumped to the nodes (a third of the area of each triangle that meets it).
The diagonals alternate from square to square, so nodes with even i + j meet eight triangles
and the others four.

    make_sheet.py --program dorvan --size 300 > input.txt
    make_sheet.py --program melvar --size 30 --settings "0.9 10 0.001 0.0 3000 5" -o input.txt
"""

import argparse
import sys

MATERIAL_LINES = {"dorvan": "0.5 1 1.0 4.0", "melvar": "0.5 1 1.0"}
DEFAULT_SETTINGS = "0.9 10 0.001 0.0 3000 5"


def number(value):
    """A real as the worked examples write it: 12 decimals at most, no trailing zeros."""
    rounded = round(value, 12)
    if rounded == 0.0:
        return "0.0"
    return repr(rounded)


def sheet_lines(args):
    nx, ny = args.size
    step = args.width / nx  # side of one square
    width_x, width_y = nx * step, ny * step
    centre_x, centre_y = width_x / 2.0, width_y / 2.0
    columns = nx + 1

    def node(i, j):  # node number of grid point (i, j), i along X, j along Y
        return j * columns + i + 1

    def coordinate(i, count, width):
        return i * width / count

    # Two triangles per square, the diagonal alternating with the parity of i + j.
    triangles = []
    meets = [0] * ((nx + 1) * (ny + 1) + 1)  # triangles meeting each node
    for j in range(ny):
        for i in range(nx):
            a, b = node(i, j), node(i + 1, j)
            c, d = node(i + 1, j + 1), node(i, j + 1)
            pair = ((a, b, c), (a, c, d)) if (i + j) % 2 == 0 else ((a, b, d), (b, c, d))
            for corners in pair:
                triangles.append(corners)
                for k in corners:
                    meets[k] += 1

    def on_border(i, j):
        return i == 0 or j == 0 or i == nx or j == ny

    out = [args.title,
           ": settings  search_factor search_limit tolerance_factor reference_force"
           " max_iterations memory_size",
           args.settings,
           ": sheet  thickness material constants",
           args.material or MATERIAL_LINES[args.program],
           ": nodes",
           str((nx + 1) * (ny + 1)),
           "  node  x  y  z"]
    for j in range(ny + 1):
        y = number(coordinate(j, ny, width_y))
        for i in range(nx + 1):
            out.append(f"{node(i, j)} {number(coordinate(i, nx, width_x))} {y} 0.0")

    out += [": elements", str(len(triangles)), "  element N1 N2 N3"]
    out += [f"{e} {n1} {n2} {n3}" for e, (n1, n2, n3) in enumerate(triangles, start=1)]

    border = [(i, j) for j in range(ny + 1) for i in range(nx + 1) if on_border(i, j)]
    out += [": prescribed displacements", str(3 * len(border)), "  node dir value"]
    for i, j in border:
        k = node(i, j)
        shift_x = args.stretch * (coordinate(i, nx, width_x) - centre_x) + args.shift[0]
        shift_y = args.stretch * (coordinate(j, ny, width_y) - centre_y) + args.shift[1]
        out += [f"{k} 1 {number(shift_x)}", f"{k} 2 {number(shift_y)}", f"{k} 3 0.0"]

    triangle_area = step * step / 2.0
    interior = [node(i, j) for j in range(ny + 1) for i in range(nx + 1) if not on_border(i, j)]
    out += [": loads", str(len(interior)), "  node dir force"]
    for k in interior:
        out.append(f"{k} 3 {number(args.pressure * (meets[k] * triangle_area) / 3.0)}")
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", choices=sorted(MATERIAL_LINES), default="dorvan",
                        help="which program's material line to write")
    parser.add_argument("--size", type=int, nargs="+", default=[6], metavar="N",
                        help="squares along X and Y (one value: a square sheet)")
    parser.add_argument("--width", type=float, default=1.0,
                        help="width of the sheet along X (squares are width / nx wide)")
    parser.add_argument("--settings", default=DEFAULT_SETTINGS,
                        help="the settings line: search_factor search_limit tolerance_factor "
                             "reference_force max_iterations memory_size")
    parser.add_argument("--max-iterations", type=int,
                        help="replace max_iterations (the fifth value) of the settings line")
    parser.add_argument("--material", help="the sheet-and-material line, instead of the "
                                           "program's default")
    parser.add_argument("--stretch", type=float, default=0.1,
                        help="border displacement per unit distance from the centre")
    parser.add_argument("--shift", type=float, nargs=2, default=[0.0, 0.0], metavar=("DX", "DY"),
                        help="rigid shift added to the border displacements")
    parser.add_argument("--pressure", type=float, default=0.2, help="uniform Z pressure")
    parser.add_argument("--title", default="Pre-stretched square under Z loads")
    parser.add_argument("-o", "--output", help="file to write (default: standard output)")
    args = parser.parse_args()
    if len(args.size) == 1:
        args.size = args.size * 2
    if len(args.size) != 2 or min(args.size) < 1:
        parser.error("--size takes one or two positive counts")
    if args.max_iterations is not None:
        values = args.settings.split()
        if len(values) < 6:
            parser.error("--settings needs six values")
        values[4] = str(args.max_iterations)
        args.settings = " ".join(values)

    text = "\n".join(sheet_lines(args)) + "\n"
    if args.output:
        with open(args.output, "w", newline="\n") as file:
            file.write(text)
    else:
        sys.stdout.write(text)


if __name__ == "__main__":
    main()
