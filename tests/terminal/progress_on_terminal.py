#!/usr/bin/python3
"""The progress line of both programs through a pseudo-terminal: it is drawn while the minimiser
runs, erased before the summary (the screen ends as a run without it would leave it), absent
with --quiet, and never changes a file the run writes.

usage: progress_on_terminal.py DORVAN MELVAR MAKE_SHEET EXAMPLES
"""
import os
import pty
import re
import shutil
import subprocess
import sys
import tempfile

STATUS = re.compile(rb"\riteration \d+  energy \S+  max residual \S+ / \S+  \d+:\d\d\.\d\x1b\[K\r")
ERASE = b"\r\x1b[K"
FILES = ("ansys.txt", "autocad.scr", "output.txt")
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def on_terminal(argv, cwd, stdout_too=True):
    """Runs argv with standard error (and standard output) on a new pseudo-terminal.
    Returns (exit status, what reached the terminal, standard output when it was a pipe)."""
    master, slave = pty.openpty()
    process = subprocess.Popen(argv, cwd=cwd, stdin=subprocess.DEVNULL,
                               stdout=slave if stdout_too else subprocess.PIPE, stderr=slave)
    os.close(slave)
    shown = bytearray()
    while True:
        try:
            chunk = os.read(master, 65536)
        except OSError:  # the terminal is gone once the program has ended
            break
        if not chunk:
            break
        shown += chunk
    os.close(master)
    out = b"" if stdout_too else process.stdout.read()
    return process.wait(), bytes(shown), out


def plain(argv, cwd):
    """Runs argv with pipes: exit status, standard output, standard error."""
    run = subprocess.run(argv, cwd=cwd, stdin=subprocess.DEVNULL, capture_output=True)
    return run.returncode, run.stdout, run.stderr


def screen(data):
    """The lines a terminal shows after data, for the controls the programs use."""
    rows, row, column = [bytearray()], 0, 0
    i = 0
    while i < len(data):
        c = data[i:i + 1]
        if c == b"\r":
            column = 0
        elif c == b"\n":
            row, column = row + 1, 0
            if row == len(rows):
                rows.append(bytearray())
        elif c == b"\x1b":
            control = re.match(rb"\x1b\[(\d*)([A-Za-z])", data[i:])
            count, command = int(control.group(1) or 1), control.group(2)
            if command == b"K":
                del rows[row][column:]
            elif command == b"A":
                row = max(row - 1, 0)
            elif command == b"C":
                column += count
            else:
                check(False, "unknown control %r" % control.group(0))
            i += len(control.group(0))
            continue
        else:
            line = rows[row]
            if len(line) <= column:
                line += b" " * (column + 1 - len(line))
            line[column] = c[0]
            column += 1
        i += 1
    return [bytes(r) for r in rows]


def files(folder):
    return {name: open(os.path.join(folder, name), "rb").read()
            for name in FILES if os.path.exists(os.path.join(folder, name))}


def long_case(program, make_sheet, size, scratch):
    """A sheet big enough for the minimiser to run well past the first drawing."""
    folder = os.path.join(scratch, "%s-%d" % (os.path.basename(program), size))
    os.mkdir(folder)
    subprocess.run([sys.executable, make_sheet, "--program", os.path.basename(program),
                    "--size", str(size), "-o", os.path.join(folder, "input.txt")], check=True)
    return folder


def copy_of(folder, scratch, name):
    copy = os.path.join(scratch, name)
    os.mkdir(copy)
    shutil.copy(os.path.join(folder, "input.txt"), copy)
    return copy


def main():
    dorvan, melvar, make_sheet, examples = sys.argv[1:5]
    with tempfile.TemporaryDirectory() as scratch:
        for program, size in ((dorvan, 60), (melvar, 80)):
            name = os.path.basename(program)
            case = long_case(program, make_sheet, size, scratch)
            reference = copy_of(case, scratch, name + "-plain")
            status, out, err = plain([program, "--threads", "1"], reference)
            check(status == 0 and err == b"", "%s: a run without a terminal prints nothing extra" % name)

            # standard output and error on one terminal, as in an interactive shell
            shown_in = copy_of(case, scratch, name + "-terminal")
            status, shown, _ = on_terminal([program, "--threads", "1"], shown_in)
            check(status == 0, "%s: exit status on a terminal" % name)
            draws = [m.end() for m in STATUS.finditer(shown)]
            check(len(draws) >= 1, "%s: the status line is drawn" % name)
            summary = shown.find(b"Minor =")
            erased = shown.rfind(ERASE, 0, summary)
            check(draws and draws[-1] <= erased < summary, "%s: erased before the summary" % name)
            check(screen(shown) == screen(out), "%s: the screen ends as without the line: %r"
                  % (name, screen(shown)))
            check(files(shown_in) == files(reference), "%s: the files are the same" % name)

            # --quiet: exactly what a plain run prints, through the terminal's line ends
            quiet_in = copy_of(case, scratch, name + "-quiet")
            status, shown, _ = on_terminal([program, "--quiet", "--threads", "1"], quiet_in)
            check(status == 0 and shown == out.replace(b"\n", b"\r\n"),
                  "%s: --quiet shows only the summary: %r" % (name, shown[:200]))

            # only standard error on the terminal: the line is there, standard output unchanged
            split_in = copy_of(case, scratch, name + "-split")
            status, shown, split_out = on_terminal([program, "--threads", "1"], split_in,
                                                   stdout_too=False)
            check(status == 0 and split_out == out, "%s: standard output through a pipe" % name)
            check(STATUS.search(shown) is not None and shown.endswith(ERASE)
                  and screen(shown) == [b""], "%s: the line alone on standard error: %r"
                  % (name, shown[-200:]))

        # a run that halts at once: the screen holds the failure line and the report alone
        halt = os.path.join(scratch, "halt")
        shutil.copytree(os.path.join(examples, "already-in-equilibrium-dorvan"), halt)
        status, shown, _ = on_terminal([dorvan, "--history", "h.csv"], halt)
        check(status == 1, "halt: exit status 1")
        rows = screen(shown)
        check(rows[0] == b"Line Search Failure" and rows[1].startswith(b"dorvan: NLP.HALT: ")
              and rows[2:] == [b""], "halt: the screen %r" % rows)
        check(open(os.path.join(halt, "h.csv"), "rb").read().count(b"\r\n") == 2,
              "halt: the history holds the header and row 0")

    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
