"""Keeps the documentation working: runs every command block the documents mark as runnable,
compares its output with the block of output shown after it, and follows every relative link.

A fenced block whose info string is "sh run" is a bash script (run with -e -o pipefail). The
blocks of one document run in order, in one scratch directory that holds a copy of the
repository's examples/ and doc/ and a link build -> BUILD_DIR, with BUILD_DIR first on PATH, as
a reader would run them from the top of the repository. A block must exit with status 0, or with
N when its info string says "status=N". A fenced block "text output" right after it (only empty
lines between) is what the block prints: its standard output followed by its standard error. In
it a line "..." stands for any lines, and "..." within a line for any text.

A link [text](target) or ![text](target) that is not a URL must name a file beside the document,
and its #anchor a heading of that file (GitHub's anchors: lower case, punctuation dropped,
spaces as hyphens).

    usage: check_docs.py BUILD_DIR SOURCE_DIR [DOCUMENT ...]
(documents relative to SOURCE_DIR; by default README.md and doc/*.md). Every fault is reported
as "DOCUMENT:LINE: what", and the exit status is 1 when there is any.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile

TIMEOUT = 120  # seconds for one block


class Block:
    def __init__(self, line, info, text):
        self.line = line  # of the opening fence, counted from 1
        self.info = info.split()
        self.text = text


def fenced_blocks(lines):
    """The fenced blocks of a document's lines, each with the line of its opening fence."""
    blocks = []
    k = 0
    while k < len(lines):
        opening = re.match(r"^(\s*)(`{3,}|~{3,})(.*)$", lines[k])
        if not opening:
            k += 1
            continue
        fence = opening.group(2)
        body = []
        j = k + 1
        while j < len(lines) and not lines[j].strip().startswith(fence):
            body.append(lines[j])
            j += 1
        blocks.append((k, Block(k + 1, opening.group(3), "".join(body))))
        k = j + 1
    return blocks


def runnable_blocks(lines):
    """(command block, output block or None) for every block marked runnable."""
    blocks = fenced_blocks(lines)
    out = []
    for n, (start, block) in enumerate(blocks):
        if block.info[:2] != ["sh", "run"]:
            continue
        shown = None
        if n + 1 < len(blocks):
            next_start, following = blocks[n + 1]
            end = start + block.text.count("\n") + 2  # the line after the closing fence
            between = lines[end:next_start]
            if following.info[:2] == ["text", "output"] and all(not l.strip() for l in between):
                shown = following
        out.append((block, shown))
    return out


def expected_status(block):
    for word in block.info[2:]:
        if word.startswith("status="):
            return int(word[len("status="):])
    return 0


def matches(shown, printed):
    """Whether printed fits shown, "..." as a line standing for any lines and within a line for
    any text."""
    pattern = ""
    for line in shown.splitlines():
        if line == "...":
            pattern += r"(?:.*\n)*?"
        else:
            pattern += ".*".join(re.escape(part) for part in line.split("...")) + r"\n"
    return re.fullmatch(pattern, printed.rstrip("\n") + "\n" if printed.strip() else "") is not None


def anchor_of(heading):
    text = re.sub(r"[`*]", "", heading.strip().lower())
    text = re.sub(r"[^\w\- ]", "", text)
    return text.replace(" ", "-")


def anchors(path):
    found = set()
    inside = False
    with open(path, encoding="utf-8") as f:
        for line in f:
            if re.match(r"^\s*(`{3,}|~{3,})", line):
                inside = not inside
            elif not inside and line.startswith("#"):
                found.add(anchor_of(line.lstrip("#")))
    return found


def check_links(name, path, lines, faults):
    inside = False
    count = 0
    for number, line in enumerate(lines, 1):
        if re.match(r"^\s*(`{3,}|~{3,})", line):
            inside = not inside
            continue
        if inside:
            continue
        for target in re.findall(r"\]\(([^)\s]+)\)", re.sub(r"`[^`]*`", "", line)):
            if re.match(r"^[a-z]+:", target):
                continue
            count += 1
            file, _, anchor = target.partition("#")
            linked = os.path.normpath(os.path.join(os.path.dirname(path), file)) if file else path
            if not os.path.exists(linked):
                faults.append(f"{name}:{number}: the link '{target}' leads to no file")
            elif anchor and linked.endswith(".md") and anchor not in anchors(linked):
                faults.append(f"{name}:{number}: the link '{target}' names no heading of "
                              f"{os.path.basename(linked)}")
    return count


def scratch_copy(source, build, work):
    for folder in ("examples", "doc"):
        if os.path.isdir(os.path.join(source, folder)):
            shutil.copytree(os.path.join(source, folder), os.path.join(work, folder))
    os.symlink(build, os.path.join(work, "build"))


def run_blocks(name, lines, source, build, faults):
    pairs = runnable_blocks(lines)
    if not pairs:
        return 0
    environment = dict(os.environ)
    environment["PATH"] = build + os.pathsep + environment.get("PATH", "")
    environment["TERM"] = "dumb"
    for variable in ("DORVAN", "MELVAR"):
        environment.pop(variable, None)
    with tempfile.TemporaryDirectory(prefix="docs-") as work:
        scratch_copy(source, build, work)
        for block, shown in pairs:
            try:
                done = subprocess.run(["bash", "-e", "-o", "pipefail", "-c", block.text],
                                      cwd=work, env=environment, stdin=subprocess.DEVNULL,
                                      capture_output=True, text=True, timeout=TIMEOUT)
            except subprocess.TimeoutExpired:
                faults.append(f"{name}:{block.line}: the block ran longer than {TIMEOUT} s")
                continue
            printed = done.stdout + done.stderr
            if done.returncode != expected_status(block):
                tail = "\n    ".join(printed.splitlines()[-5:])
                faults.append(f"{name}:{block.line}: the block exited with status "
                              f"{done.returncode}, not {expected_status(block)}:\n    {tail}")
            elif shown is not None and not matches(shown.text, printed):
                faults.append(f"{name}:{shown.line}: the block prints something else:\n"
                              + "".join(f"    | {l}\n" for l in printed.splitlines())
                              + "  where the document shows:\n"
                              + "".join(f"    | {l}\n" for l in shown.text.splitlines()))
    return len(pairs)


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip().splitlines()[-3], file=sys.stderr)
        return 2
    build = os.path.abspath(argv[1])
    source = os.path.abspath(argv[2])
    names = argv[3:] or ["README.md"] + sorted(
        os.path.join("doc", f) for f in os.listdir(os.path.join(source, "doc"))
        if f.endswith(".md"))
    faults = []
    blocks = links = 0
    for name in names:
        path = os.path.join(source, name)
        with open(path, encoding="utf-8") as f:
            lines = f.readlines()
        links += check_links(name, path, lines, faults)
        blocks += run_blocks(name, lines, source, build, faults)
    for fault in faults:
        print(fault, file=sys.stderr)
    print(f"{len(names)} documents: {blocks} command blocks run, {links} links followed, "
          f"{len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
