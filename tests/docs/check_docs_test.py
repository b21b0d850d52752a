"""The documents' checker finds what it is there to find: a command that fails, one that exits 0
where the document shows a failure, output that differs, a link to no file or no heading; and it
passes what is right (the ellipses, a status asked for, links to headings with code in them).

    usage: check_docs_test.py   (needs no build: the blocks run bash's own commands)
"""

import contextlib
import io
import os
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_docs  # noqa: E402

FENCE = "```"


def document(*parts):
    return "\n".join(parts) + "\n"


def run(text, other=None):
    """The checker's exit status and its report on standard error, for a source tree holding
    doc/page.md = text (and doc/other.md = other)."""
    with tempfile.TemporaryDirectory() as source, tempfile.TemporaryDirectory() as build:
        os.makedirs(os.path.join(source, "doc"))
        with open(os.path.join(source, "doc", "page.md"), "w", encoding="utf-8") as f:
            f.write(text)
        if other is not None:
            with open(os.path.join(source, "doc", "other.md"), "w", encoding="utf-8") as f:
                f.write(other)
        errors = io.StringIO()
        with contextlib.redirect_stderr(errors), contextlib.redirect_stdout(io.StringIO()):
            status = check_docs.main(["check_docs.py", build, source, "doc/page.md"])
        return status, errors.getvalue()


class Faults(unittest.TestCase):
    # (what, document, the fault's start as reported)
    cases = [
        ("a failing command",
         document("# Page", "", FENCE + "sh run", "false", FENCE),
         "doc/page.md:3: the block exited with status 1, not 0"),
        ("the first failing command of a block ends it",
         document("text", FENCE + "sh run", "echo one", "exit 3", "echo two", FENCE),
         "doc/page.md:2: the block exited with status 3, not 0"),
        ("a pipe that fails inside",
         document(FENCE + "sh run", "false | cat", FENCE),
         "doc/page.md:1: the block exited with status 1, not 0"),
        ("a failure the document shows, which does not come",
         document(FENCE + "sh run status=2", "true", FENCE),
         "doc/page.md:1: the block exited with status 0, not 2"),
        ("other output",
         document(FENCE + "sh run", "echo 41", FENCE, "", FENCE + "text output", "42", FENCE),
         "doc/page.md:5: the block prints something else"),
        ("a line missing from the output",
         document(FENCE + "sh run", "printf 'a\\nb\\n'", FENCE, FENCE + "text output", "a",
                  FENCE),
         "doc/page.md:4: the block prints something else"),
        ("standard error counts, after standard output",
         document(FENCE + "sh run", "echo late >&2; echo early", FENCE, FENCE + "text output",
                  "late", "early", FENCE),
         "doc/page.md:4: the block prints something else"),
        ("a link to no file",
         document("See [there](missing.md)."),
         "doc/page.md:1: the link 'missing.md' leads to no file"),
        ("a link to no heading",
         document("# Page", "", "See [there](#nowhere)."),
         "doc/page.md:3: the link '#nowhere' names no heading of page.md"),
    ]

    def test_each_fault_is_reported_at_its_line(self):
        for what, text, fault in self.cases:
            with self.subTest(what):
                status, report = run(text)
                self.assertEqual(status, 1)
                self.assertTrue(report.startswith(fault), report)

    def test_every_fault_of_a_document_is_reported(self):
        status, report = run(document(FENCE + "sh run", "false", FENCE, "[a](gone.md)",
                                      FENCE + "sh run", "false", FENCE))
        self.assertEqual(status, 1)
        self.assertEqual(report.count("doc/page.md:"), 3, report)


class Passes(unittest.TestCase):
    cases = [
        ("no blocks, no links", document("# Page", "", "Text.")),
        ("a plain block is not run", document(FENCE, "false", FENCE, FENCE + "sh", "false", FENCE)),
        ("output that matches",
         document(FENCE + "sh run", "echo; echo Minor = 3", FENCE, "", FENCE + "text output", "",
                  "Minor = 3", FENCE)),
        ("standard error follows standard output",
         document(FENCE + "sh run", "echo late >&2; echo early", FENCE, FENCE + "text output",
                  "early", "late", FENCE)),
        ("an ellipsis line stands for any lines",
         document(FENCE + "sh run", "seq 1 5", FENCE, FENCE + "text output", "1", "...", "5",
                  FENCE)),
        ("an ellipsis in a line stands for any text",
         document(FENCE + "sh run", "echo 'total 0.123 s'", FENCE, FENCE + "text output",
                  "total ... s", FENCE)),
        ("the status the document shows",
         document(FENCE + "sh run status=2", "echo no >&2; exit 2", FENCE, FENCE + "text output",
                  "no", FENCE)),
        ("output shown after a further paragraph is not compared",
         document(FENCE + "sh run", "echo 1", FENCE, "Text.", FENCE + "text output", "2",
                  FENCE)),
        ("the blocks of a document share their directory",
         document(FENCE + "sh run", "mkdir -p run && echo x > run/f", FENCE, FENCE + "sh run",
                  "test -f run/f", FENCE)),
        ("links to a file, its heading and a URL",
         document("# The `--steps` option", "", "[a](other.md#load-steps-and-n), "
                  "[b](#the---steps-option), [c](https://example.org/x)"),),
        ("a link inside a code span or block is no link",
         document("`[a](gone.md)`", "", FENCE, "[a](gone.md)", FENCE)),
    ]

    def test_right_documents_pass(self):
        for what, text in self.cases:
            with self.subTest(what):
                status, report = run(text, other=document("## Load steps and N"))
                self.assertEqual((status, report), (0, ""))


if __name__ == "__main__":
    unittest.main()
