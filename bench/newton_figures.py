#!/usr/bin/env python3
"""Reads what bench/newton_compare.sh's runs left: the node displacements and element stresses of
output.txt, the iteration count, and the time split Newton prints under --timings.

    newton_figures.py agree A/output.txt B/output.txt   largest |uA - uB| / largest |uA|
    newton_figures.py order output.txt                  elements with sigma1 < sigma2, of all
    newton_figures.py minor output.txt                  the report's iteration count
"""

import sys


def report_lines(path):
    with open(path, encoding="ascii") as f:
        return [line.rstrip("\r\n") for line in f]


def table(path, heading):
    """Rows of numbers under the header line that starts with heading, to the next rule."""
    lines = report_lines(path)
    rows = []
    for at, line in enumerate(lines):
        if line.strip().startswith(heading):
            for row in lines[at + 2:]:
                if row.startswith("-") or not row.strip():
                    break
                rows.append([float(v) for v in row.split()])
            break
    return rows


def displacements(path):
    return {int(r[0]): r[1:4] for r in table(path, "Node")}


def main(argv):
    if argv[1] == "agree":
        a, b = displacements(argv[2]), displacements(argv[3])
        largest = max(abs(v) for u in a.values() for v in u)
        difference = max(abs(x - y) for n in a for x, y in zip(a[n], b[n]))
        print(f"{difference / largest:.2e}")
    elif argv[1] == "order":
        rows = table(argv[2], "Elem")
        wrong = sum(1 for r in rows if r[-2] < r[-1])
        print(f"{wrong} of {len(rows)}")
    elif argv[1] == "minor":
        for line in report_lines(argv[2]):
            if "Minor Iterations" in line:
                print(line.split("|")[2].strip())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
