#!/usr/bin/env python3
"""Whole-program robustness runs of dorvan and melvar over damaged input.txt files.

The worked examples' inputs are mutated with a seeded generator (lines deleted, duplicated and
swapped, characters flipped, numbers made huge, negative or not numbers at all, counts and
material numbers changed, the text cut short); hand-made edge cases and the inputs kept from
fuzzing are added. Each file runs through both programs in a scratch directory of its own, and
every run must end in one of two ways:

  exit 0: stderr empty (or the warnings of inverted triangles and of rigid-body motions the
          supports leave free), the summary line on stdout,
          ansys.txt, autocad.scr and output.txt whole;
  exit 1: one non-empty line "<program>: <what>" on stderr, and no output file written or
          changed but those the failure allows (ansys.txt once start has completed: after
          "Line Search Failure" or a failure inside the objective; autocad.scr too when only
          output.txt failed), each of them whole. A solution that is not finite (NaN or
          infinite values, from a degenerate sheet or loads beyond double precision) is refused
          before the summary and autocad.scr when the displacements or the energy hold one, and
          before output.txt when only the stresses or reactions do.

A signal, a timeout, any other status, running out of memory or a temporary file left behind
fails the test. Usage: mutated_runs.py DORVAN MELVAR [options]; see --help.
"""

import argparse
import concurrent.futures
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time
from collections import Counter

OUTPUT_FILES = ("ansys.txt", "autocad.scr", "output.txt")
# The last line of each whole output file.
LAST_LINES = {"ansys.txt": b"FINISH\r\n", "autocad.scr": b"zoom ext ext\r\n", "output.txt": None}
# Content of the files of an "earlier run" that some runs start with; a failed run must leave
# the ones it may not write exactly as they were.
OLD_TEXT = b"left by an earlier run\r\n"
OLD_TIME = 1_000_000_000  # 2001, far older than any run

INT_EDGES = ["2147483647", "-2147483648", "2147483648", "-2147483649", "0", "-1", "1",
             "99999999999999999999", "4", "3", "715827883", "1431655765"]
REAL_EDGES = ["1E300", "-1E300", "1E-300", "1E308", "1.7976931348623157E308", "1E309", "1E999",
              "-1E999", "1E-999", "0.0", "-0.0", "4.9E-324", "1E150", "1E200", "-1E200", "1e10",
              "123456789012345678901234567890", "0.000000000000000000001"]
NOT_NUMBERS = ["NaN", "nan", "Inf", "-Inf", "inf", "Infinity", "1.#INF", "0x10", "1e", ".5",
               "5.", "--1", "1..2", "+-3", "1E+", "e5", "1,5", "", "1_000", "\u00bd", "\x00"]
FLIP_CHARS = list(" \t\r\n:.-+eE0123456789xN#") + ["\x00", "\x7f", "\xff", "\x0b", "\x0c"]

# In a sanitizer build a report must not pass for a failure with status 1.
ENVIRONMENT = dict(os.environ)
ENVIRONMENT.setdefault("ASAN_OPTIONS", "exitcode=86")
ENVIRONMENT.setdefault("UBSAN_OPTIONS", "exitcode=87:print_stacktrace=1")

NUMBER = re.compile(r"[-+]?\d+(?:\.\d+)?(?:[eE][-+]?\d+)?")


# ----------------------------------------------------------------------------------- mutations

def split_lines(text):
    return text.splitlines(keepends=True)


def header_lines(lines):
    return [i for i, line in enumerate(lines) if line.startswith(":")]


def data_line(lines, section):
    """Index of the first data line of a section (0 = settings, 1 = sheet, 2 = nodes, ...)."""
    headers = header_lines(lines)
    if section < len(headers) and headers[section] + 1 < len(lines):
        return headers[section] + 1
    return None


def replace_token(line, rnd, values, index=None):
    """The line with one of its numbers (index, or one at random) replaced by one of values."""
    found = list(NUMBER.finditer(line))
    if not found:
        return line
    match = found[index] if index is not None and index < len(found) else rnd.choice(found)
    return line[:match.start()] + rnd.choice(values) + line[match.end():]


def m_delete_line(text, rnd):
    lines = split_lines(text)
    if lines:
        del lines[rnd.randrange(len(lines))]
    return "".join(lines)


def m_duplicate_line(text, rnd):
    lines = split_lines(text)
    if lines:
        i = rnd.randrange(len(lines))
        lines.insert(i, lines[i])
    return "".join(lines)


def m_swap_lines(text, rnd):
    lines = split_lines(text)
    if len(lines) > 1:
        i, j = rnd.randrange(len(lines)), rnd.randrange(len(lines))
        lines[i], lines[j] = lines[j], lines[i]
    return "".join(lines)


def m_flip_char(text, rnd):
    if not text:
        return text
    i = rnd.randrange(len(text))
    return text[:i] + rnd.choice(FLIP_CHARS) + text[i + 1:]


def m_insert_or_drop_char(text, rnd):
    i = rnd.randrange(len(text) + 1)
    if rnd.random() < 0.5:
        return text[:i] + rnd.choice(FLIP_CHARS) + text[i:]
    return text[:i] + text[i + 1:]


def m_edge_number(text, rnd):
    """A number anywhere made an integer or real at the edge of its range."""
    lines = split_lines(text)
    candidates = [i for i, line in enumerate(lines) if NUMBER.search(line)]
    if candidates:
        i = rnd.choice(candidates)
        lines[i] = replace_token(lines[i], rnd, INT_EDGES + REAL_EDGES)
    return "".join(lines)


def m_not_a_number(text, rnd):
    lines = split_lines(text)
    candidates = [i for i, line in enumerate(lines) if NUMBER.search(line)]
    if candidates:
        i = rnd.choice(candidates)
        lines[i] = replace_token(lines[i], rnd, NOT_NUMBERS)
    return "".join(lines)


def m_count(text, rnd):
    """The count of the node, element, support or load section moved a little or far."""
    lines = split_lines(text)
    i = data_line(lines, rnd.randrange(2, 6))
    if i is None:
        return text
    match = NUMBER.search(lines[i])
    if match is None:
        return text
    try:
        count = int(match.group())
    except ValueError:
        return text
    new = rnd.choice([count + 1, count - 1, count + 2, count * 2, 0, -1, -count, count + 1000,
                      2147483647, -2147483648, 715827883, 1431655766, 2 * 10**9])
    lines[i] = lines[i][:match.start()] + str(new) + lines[i][match.end():]
    return "".join(lines)


def m_index(text, rnd):
    """A node, element or direction number at the head of a data line moved out of range."""
    lines = split_lines(text)
    headers = header_lines(lines)
    if len(headers) < 3:
        return text
    first = headers[2] + 3  # past the node count and the heading line
    candidates = [i for i in range(first, len(lines))
                  if not lines[i].startswith(":") and len(NUMBER.findall(lines[i])) >= 3]
    if not candidates:
        return text
    i = rnd.choice(candidates)
    values = ["0", "-1", "4", "2147483647", "-2147483648", "100", "3", "1", "2"]
    lines[i] = replace_token(lines[i], rnd, values, index=rnd.randrange(4))
    return "".join(lines)


def m_material(text, rnd):
    lines = split_lines(text)
    i = data_line(lines, 1)
    if i is None:
        return text
    choices = ["-1", "0", "1", "2", "3", "4", "5", "2147483647", "-2147483648", "1.5"]
    lines[i] = replace_token(lines[i], rnd, choices, index=1)
    return "".join(lines)


def m_settings(text, rnd):
    """One of the six settings made extreme: zero, negative or huge."""
    lines = split_lines(text)
    i = data_line(lines, 0)
    if i is None:
        return text
    values = ["0", "-1", "1", "2", "-0.5", "1E300", "-1E300", "1E-300", "0.0", "2147483647",
              "-2147483648", "50000"]
    lines[i] = replace_token(lines[i], rnd, values, index=rnd.randrange(6))
    return "".join(lines)


def m_truncate(text, rnd):
    return text[:rnd.randrange(len(text) + 1)]


def m_line_ends(text, rnd):
    kind = rnd.randrange(5)
    if kind == 0:
        return text.replace("\r\n", "\n").replace("\n", "\r\n")
    if kind == 1:
        return text.rstrip("\r\n")
    if kind == 2:  # a lone carriage return somewhere
        lines = split_lines(text)
        if lines:
            i = rnd.randrange(len(lines))
            lines[i] = lines[i].rstrip("\r\n") + "\r"
        return "".join(lines)
    if kind == 3:  # blank lines, tabs for blanks
        return text.replace("\n", "\n\n", rnd.randrange(1, 6)).replace(" ", "\t", 3)
    return text.replace("\n", "\r\r\n", 2)


def m_header(text, rnd):
    lines = split_lines(text)
    headers = header_lines(lines)
    if not headers:
        return text
    i = rnd.choice(headers)
    kind = rnd.randrange(3)
    if kind == 0:
        lines[i] = lines[i][1:]          # no longer a header
    elif kind == 1:
        lines[i] = " " + lines[i]        # a blank before ':' disqualifies it
    else:
        lines.insert(rnd.randrange(len(lines) + 1), ": extra header\n")
    return "".join(lines)


def m_large_coordinates(text, rnd):
    """One node line's coordinates scaled to the edge of double precision."""
    lines = split_lines(text)
    headers = header_lines(lines)
    if len(headers) < 4:
        return text
    candidates = [i for i in range(headers[2] + 3, headers[3])
                  if len(NUMBER.findall(lines[i])) >= 4]
    if not candidates:
        return text
    i = rnd.choice(candidates)
    scale = rnd.choice(["1E300", "1E200", "1E155", "1E150", "1E100", "1E-160", "1E-300"])
    numbers = lines[i].split()
    if len(numbers) >= 4:
        lines[i] = " ".join([numbers[0]] + [n + "*" for n in numbers[1:4]]) + "\n"
        lines[i] = re.sub(r"(\S+)\*", lambda m: scale if rnd.random() < 0.7 else m.group(1),
                          lines[i])
    return "".join(lines)


MUTATIONS = [
    (m_delete_line, 3), (m_duplicate_line, 3), (m_swap_lines, 3), (m_flip_char, 4),
    (m_insert_or_drop_char, 2), (m_edge_number, 5), (m_not_a_number, 3), (m_count, 4),
    (m_index, 3), (m_material, 3), (m_settings, 3), (m_truncate, 3), (m_line_ends, 2),
    (m_header, 2), (m_large_coordinates, 3),
]


def clamp_settings(text, rnd, keep_large):
    """Keeps a run short: the sectioning limit of a well-formed settings line is brought down
    (a line search whose trials are all NaN spends every one of them), and unless keep_large
    so is the iteration limit. Extreme limits with sound physics are among the edge cases."""
    lines = split_lines(text)
    i = data_line(lines, 0)
    if i is None:
        return text
    tokens = lines[i].split()
    if len(tokens) < 6:
        return text
    limits = ((1, 1000),) if keep_large else ((1, 30), (4, 200))
    for position, limit in limits:
        try:
            value = int(tokens[position])
        except ValueError:
            continue
        if limit < value <= 2147483647:
            tokens[position] = str(rnd.randrange(1, limit + 1))
    ending = "\r\n" if lines[i].endswith("\r\n") else "\n"
    lines[i] = " ".join(tokens) + ending
    return "".join(lines)


def mutated_inputs(examples, count, seed):
    rnd = random.Random(seed)
    operators = [op for op, weight in MUTATIONS for _ in range(weight)]
    for n in range(count):
        name, text = rnd.choice(examples)
        applied = []
        for _ in range(rnd.choice([1, 1, 1, 2, 2, 3])):
            op = rnd.choice(operators)
            text = op(text, rnd)
            applied.append(op.__name__[2:])
        text = clamp_settings(text, rnd, keep_large=rnd.random() < 0.1)
        yield ("mutated-%04d %s %s" % (n, name, "+".join(applied)), text.encode("latin-1"))


# ------------------------------------------------------------------------ hand-made edge cases

def settings_and_sheet(material="1 1.0 100.0"):
    return ("Edge case\n: settings\n0.9 10 0.001 0.0 50 5\n: sheet\n0.5 %s\n" % material)


ONE_TRIANGLE = """Edge case
: settings
{settings}
: sheet
{sheet}
: nodes
{node_count}
  node x y z
{n1} {x1} 0.0 0.0
{n2} 1.0 {y2} 0.0
{n3} 0.0 1.0 {z3}
: elements
{element_count}
  element N1 N2 N3
{e} {c1} {c2} {c3}
: prescribed displacements
{support_count}
  node dir value
{s1} 1 0.0
1 {d1} 0.0
1 3 {p}
2 1 0.0
2 2 0.0
2 3 0.0
: loads
{load_count}
  node dir force
{l1} {d2} {f}
"""

ONE_TRIANGLE_FIELDS = dict(
    settings="0.9 10 0.001 0.0 50 5", sheet="0.5 1 1.0 100.0", node_count="3", n1="1", n2="2",
    n3="3", x1="0.0", y2="0.0", z3="0.0", element_count="1", e="1", c1="1", c2="2", c3="3",
    support_count="6", s1="1", d1="2", p="0.0", load_count="1", l1="3", d2="2", f="0.1")

INTEGER_FIELDS = ["node_count", "n1", "n2", "n3", "element_count", "e", "c1", "c2", "c3",
                  "support_count", "s1", "d1", "load_count", "l1", "d2"]


def one_triangle(**changes):
    fields = dict(ONE_TRIANGLE_FIELDS)
    fields.update(changes)
    return ONE_TRIANGLE.format(**fields)


def edge_cases():
    """(name, text, expected kind or None) for the cases picked by hand."""
    cases = []
    # A ten-byte file, and a ten-byte node section, announcing two billion nodes.
    cases.append(("ten-byte file", ":\n2000000\n", "end of file"))
    cases.append(("two billion nodes in ten bytes",
                  settings_and_sheet() + ": nodes\n2000000000\n", "end of file"))
    # Node counts just above what the rest of the file can hold.
    base = settings_and_sheet() + ": nodes\n{}\n  node x y z\n1 0 0 0\n2 1 0 0\n3 0 1 0\n"
    for count in (4, 5, 8, 100, 715827883, 1431655766, 2147483647):
        cases.append(("node count %d over three lines" % count, base.format(count),
                      "end of file" if count > 4 else None))
    # Every integer position at the edges of 32 bits and just past them.
    for field in INTEGER_FIELDS:
        for value in ("2147483647", "-2147483648", "2147483648", "-2147483649", "0", "-1"):
            expected = "malformed number" if value in ("2147483648", "-2147483649") else None
            cases.append(("%s = %s" % (field, value), one_triangle(**{field: value}), expected))
    settings_positions = ["search_factor", "search_limit", "tolerance_factor", "reference_force",
                          "max_iterations", "memory_size"]
    for position, name in enumerate(settings_positions):
        for value in ("2147483647", "-2147483648", "0", "1E300", "-1E300"):
            if position in (1, 4, 5) and "E" in value:
                continue
            tokens = ONE_TRIANGLE_FIELDS["settings"].split()
            tokens[position] = value
            cases.append(("%s = %s" % (name, value), one_triangle(settings=" ".join(tokens)),
                          None))
    # Material numbers and material constants at the edges.
    for sheet in ("0.5 2147483647", "0.5 -2147483648", "0.5 0", "0.5 3 1.0 0.0",
                  "0.5 3 1.0 -1.0", "0.5 3 1.0 1E-300", "0.5 3 1.0 1E300", "0.5 2 1E300 1E300 1",
                  "0.5 1 1E300 1E300", "1E300 1 1.0 100.0", "1E-300 1 1.0 100.0",
                  "-0.5 1 1.0 100.0", "0.0 1 1.0 100.0", "0.5 1 0.0 0.0", "0.5 2 0.0 0.0 0.0"):
        cases.append(("sheet line %s" % sheet, one_triangle(sheet=sheet), None))
        cases.append(("sheet line %s, absolute tolerance" % sheet,
                      one_triangle(sheet=sheet, settings="0.9 10 0.001 2.0 50 5"), None))
    # Huge and tiny coordinates: twice the area overflows or underflows, or the element's
    # metric products do.
    for scale in ("1E300", "1E200", "1E160", "1E155", "1E150", "1E100", "1E-150", "1E-300"):
        cases.append(("coordinates %s" % scale, one_triangle(x1="-" + scale, y2=scale, z3=scale),
                      None))
    cases.append(("collinear corners", one_triangle(z3="0.0").replace("3 0.0 1.0", "3 2.0 0.0"),
                  None))
    for value in ("1E300", "-1E300", "1E308", "1E-300"):
        cases.append(("load %s" % value, one_triangle(f=value), None))
        cases.append(("prescribed %s" % value, one_triangle(p=value), None))
    # Texts that are not numbers in this syntax.
    for text in ("NaN", "Inf", "-Inf", "nan", "1E999", "-1E999", "1E-999"):
        expected = "malformed number" if text not in ("1E-999",) else None
        cases.append(("coordinate %s" % text, one_triangle(x1=text), expected))
        cases.append(("load %s" % text, one_triangle(f=text), expected))
    return cases


# ---------------------------------------------------------------------------- running, checking

def classify(message):
    """The kind of a failure, from its one-line report (without the program's name)."""
    located = re.match(r"input\.txt:\d+:\d+: ([^:]+):", message)
    if located:
        return "input: " + located.group(1)
    if "file not found" in message:
        return "input: file not found"
    if message.startswith("NLP.HALT"):
        return "line search failure"
    if "out of memory" in message:
        return "out of memory"
    for words, kind in (("zero area", "start: zero area"), ("too large", "start: area overflow"),
                        ("names node", "start: corner out of range"),
                        ("32-bit numbers", "start: count overflow"),
                        ("undefined material law", "objective: undefined material law"),
                        ("outside the bounds", "range check"),
                        ("cannot create", "writer: cannot create"),
                        ("the solution is not finite", "result: not finite"),
                        ("cannot write", "writer: cannot write")):
        if words in message:
            return kind
    return "other: " + message[:60]


# Kinds after which each output file may have been written by the failed run (out: its stdout).
def allowed_files(kind, message, out):
    if kind == "line search failure" or kind.startswith("objective:") or kind == "range check":
        return {"ansys.txt"}
    if kind == "result: not finite":  # the summary comes before autocad.scr
        return {"ansys.txt", "autocad.scr"} if "Minor =" in out else {"ansys.txt"}
    if kind.startswith("writer:"):
        if "output.txt" in message:
            return {"ansys.txt", "autocad.scr"}
        if "autocad.scr" in message:
            return {"ansys.txt"}
    return set()


def whole(path, name):
    data = open(path, "rb").read()
    if not data.endswith(b"\r\n"):
        return "does not end with CR LF"
    if data.replace(b"\r\n", b"").find(b"\n") >= 0:
        return "has a line ending in LF alone"
    if any(byte > 0x7f for byte in data):
        return "is not ASCII"
    last = LAST_LINES[name]
    if last is not None and not data.endswith(last):
        return "does not end with %r" % last
    return None


def run_one(program, text, timeout, memory_mb, with_old_files):
    """Runs program on text in a fresh directory; returns (outcome, kind, problems)."""
    directory = tempfile.mkdtemp(prefix="robustness-")
    problems = []
    try:
        with open(os.path.join(directory, "input.txt"), "wb") as f:
            f.write(text)
        if with_old_files:
            for name in OUTPUT_FILES:
                path = os.path.join(directory, name)
                with open(path, "wb") as f:
                    f.write(OLD_TEXT)
                os.utime(path, (OLD_TIME, OLD_TIME))
        command = [program]
        if memory_mb > 0:
            command = ["/bin/sh", "-c", 'ulimit -v %d && exec "$0"' % (memory_mb * 1024), program]
        started = time.time()
        try:
            done = subprocess.run(command, cwd=directory, stdin=subprocess.DEVNULL, env=ENVIRONMENT,
                                  capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return "timeout", "timeout", ["no end within %g s" % timeout], timeout
        elapsed = time.time() - started
        status = done.returncode
        out = done.stdout.decode("latin-1")
        err = done.stderr.decode("latin-1")
        if status < 0:
            return "signal", "signal %d" % -status, ["killed by signal %d" % -status], elapsed
        if status not in (0, 1):
            return "status", "status %d" % status, ["exit status %d" % status], elapsed

        present = set(os.listdir(directory)) - {"input.txt"}
        leftovers = present - set(OUTPUT_FILES)
        if leftovers:
            problems.append("files left behind: %s" % sorted(leftovers))
        written = set()
        for name in set(OUTPUT_FILES) & present:
            path = os.path.join(directory, name)
            if (not with_old_files or os.stat(path).st_mtime != OLD_TIME
                    or open(path, "rb").read() != OLD_TEXT):
                written.add(name)

        if status == 0:
            kind = "completed"
            # The two things a completed run may say there: that the sheet has folded, and that
            # its supports leave it free to move as a rigid body.
            name = re.escape(os.path.basename(program))
            folded = r"%s: warning: \d+ of \d+ triangles are inverted \(the sheet has folded\); " \
                r"see area_ratio in the \.vtu\n" % name
            rigid = r"%s: warning: the supports leave [^\n]+ free to move as (a )?rigid bod[^\n]+\n" % name
            if err and not re.fullmatch("(%s)?(%s)?" % (folded, rigid), err):
                problems.append("stderr on success: %r" % err[:200])
            if not re.search(r"\nMinor = +\d+     (NOT )?Optimal\n$", out):
                problems.append("no summary line at the end of stdout: %r" % out[-200:])
            for name in OUTPUT_FILES:
                if name not in written:
                    problems.append("%s not written" % name)
        else:
            lines = err.split("\n")
            prefix = os.path.basename(program) + ": "
            if len(lines) != 2 or lines[1] != "" or not lines[0].startswith(prefix) \
                    or len(lines[0]) <= len(prefix):
                problems.append("stderr is not one report line: %r" % err[:300])
            message = lines[0][len(prefix):]
            kind = classify(message)
            if kind == "out of memory":
                problems.append("ran out of memory on a small input")
            if kind == "line search failure" and "Line Search Failure\n" not in out:
                problems.append("NLP.HALT without \"Line Search Failure\" on stdout")
            if "Minor =" in out and not kind.startswith("writer:") and kind != "result: not finite":
                problems.append("summary printed before a failure: %r" % out[-200:])
            extra = written - allowed_files(kind, message, out)
            if extra:
                problems.append("failed (%s) but wrote %s" % (kind, sorted(extra)))
        for name in sorted(written):
            damage = whole(os.path.join(directory, name), name)
            if damage:
                problems.append("%s %s" % (name, damage))
        return ("exit %d" % status), kind, problems, elapsed
    finally:
        shutil.rmtree(directory, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("dorvan")
    parser.add_argument("melvar")
    parser.add_argument("--examples", required=True, help="folder of the worked examples")
    parser.add_argument("--regressions", help="folder of inputs kept from fuzzing (*.txt)")
    parser.add_argument("--files", type=int, default=1000, help="mutated files (each run twice)")
    parser.add_argument("--seed", type=int, default=20240611)
    parser.add_argument("--workers", type=int, default=2)
    parser.add_argument("--timeout", type=float, default=10.0, help="seconds per run")
    parser.add_argument("--memory-mb", type=int, default=1024,
                        help="address-space limit per run (0: none, for sanitizer builds)")
    parser.add_argument("--keep", help="folder to copy the inputs of failed runs into")
    parser.add_argument("--show-edges", action="store_true",
                        help="print the outcome of every hand-made edge case")
    args = parser.parse_args()
    args.dorvan = os.path.abspath(args.dorvan)
    args.melvar = os.path.abspath(args.melvar)

    examples = []
    for name in sorted(os.listdir(args.examples)):
        path = os.path.join(args.examples, name, "input.txt")
        if os.path.isfile(path):
            examples.append((name, open(path, "rb").read().decode("latin-1")))
    if not examples:
        sys.exit("robustness: no worked examples under %s" % args.examples)

    inputs = []  # (name, bytes, expected kind or None)
    for name, text, expected in edge_cases():
        inputs.append(("edge: " + name, text.encode("latin-1"), expected))
    if args.regressions and os.path.isdir(args.regressions):
        for name in sorted(os.listdir(args.regressions)):
            if name.endswith(".txt"):
                data = open(os.path.join(args.regressions, name), "rb").read()
                inputs.append(("regression: " + name, data, None))
    for name, data in mutated_inputs(examples, args.files, args.seed):
        inputs.append((name, data, None))

    jobs = []
    for n, (name, data, expected) in enumerate(inputs):
        for program in (args.dorvan, args.melvar):
            jobs.append((name, data, expected, program, n % 2 == 1))

    def work(job):
        name, data, expected, program, old = job
        return job, run_one(program, data, args.timeout, args.memory_mb, old)

    outcomes = Counter()
    kinds = Counter()
    failures = []
    slowest = (0.0, "")
    started = time.time()
    with concurrent.futures.ThreadPoolExecutor(max_workers=args.workers) as pool:
        for job, (outcome, kind, problems, elapsed) in pool.map(work, jobs):
            name, data, expected, program, _ = job
            program_name = os.path.basename(program)
            outcomes[outcome] += 1
            if outcome == "exit 1":
                kinds[kind] += 1
            if expected is not None and kind != "input: " + expected:
                problems = problems + ["expected the failure %r, got %r" % (expected, kind)]
            if args.show_edges and name.startswith("edge: "):
                print("  %-6s %-50s %-7s %s" % (program_name, name[6:56], outcome, kind))
            if elapsed > slowest[0]:
                slowest = (elapsed, "%s on %s" % (program_name, name))
            if problems:
                failures.append((program_name, name, data, outcome, kind, problems))

    runs = len(jobs)
    print("robustness: %d inputs (%d mutated), %d runs in %.0f s, slowest %.2f s (%s)"
          % (len(inputs), args.files, runs, time.time() - started, slowest[0], slowest[1]))
    for outcome in sorted(outcomes):
        print("  %-8s %6d" % (outcome, outcomes[outcome]))
    print("  exit 1 by kind:")
    for kind, count in sorted(kinds.items(), key=lambda item: (-item[1], item[0])):
        print("    %-40s %6d" % (kind, count))
    if failures:
        print("robustness: %d runs broke the rules:" % len(failures))
        for program_name, name, data, outcome, kind, problems in failures[:30]:
            print("  %s on %s: %s (%s): %s" % (program_name, name, outcome, kind,
                                               "; ".join(problems)))
        if args.keep:
            os.makedirs(args.keep, exist_ok=True)
            for n, (program_name, name, data, *_rest) in enumerate(failures):
                with open(os.path.join(args.keep, "%s-%04d.txt" % (program_name, n)), "wb") as f:
                    f.write(data)
            print("robustness: the failing inputs are in %s" % args.keep)
        return 1
    print("robustness: every run ended with status 0 or 1 by the rules")
    return 0


if __name__ == "__main__":
    sys.exit(main())
