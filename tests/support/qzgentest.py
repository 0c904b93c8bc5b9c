"""What the tests of tools/qzgen.py's layers share: the generator run as the build runs
it, the files it wrote read back, and the golden files of the fixture table.

A test module sets WHAT (the generator's --what) and GOLDEN on a subclass of
GeneratorTestCase, which brings the golden and --list tests, and ends with
qzgentest.main(WHAT, GOLDEN), which also takes --update to rewrite the golden files.
"""

import difflib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
GENERATOR = os.path.join(ROOT, "tools", "qzgen.py")
FIXTURE = os.path.join(ROOT, "tests", "proxies", "fixture.qzcat")
CATALOGUE = os.path.join(ROOT, "catalogue", "modules.qzcat")


def generate(what, catalogue, out, *extra):
    return subprocess.run([sys.executable, "-B", GENERATOR, "--catalogue", catalogue,
                           "--out", out, "--what", what, *extra],
                          capture_output=True, text=True, timeout=60)


def tree(folder):
    """Relative path -> text of every file below `folder`."""
    files = {}
    for base, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(base, name)
            with open(path, encoding="utf-8", newline="") as f:
                files[os.path.relpath(path, folder).replace(os.sep, "/")] = f.read()
    return files


class GeneratorTestCase(unittest.TestCase):
    WHAT = None    # the generator's --what
    GOLDEN = None  # the folder of the fixture's golden files

    def setUp(self):
        self.out = tempfile.mkdtemp(prefix=f"qzgen-{self.WHAT}-test-")
        self.addCleanup(shutil.rmtree, self.out)

    def run_ok(self, catalogue, *extra, out=None):
        done = generate(self.WHAT, catalogue, out or self.out, *extra)
        self.assertEqual(done.returncode, 0, done.stderr)
        return done

    def table(self, text, name="table.qzcat"):
        """A catalogue table of `text`, written below the test's output folder."""
        path = os.path.join(self.out, name)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def test_fixture_output_matches_the_golden_files(self):
        self.run_ok(FIXTURE)
        got, want = tree(self.out), tree(self.GOLDEN)
        self.assertEqual(sorted(got), sorted(want))
        for name in sorted(want):
            if got[name] != want[name]:
                diff = "".join(difflib.unified_diff(
                    want[name].splitlines(True), got[name].splitlines(True),
                    "golden/" + name, "generated/" + name))
                self.fail("generated text differs from the golden file:\n" + diff)

    def test_list_names_exactly_the_files_written(self):
        listed = self.run_ok(FIXTURE, "--list").stdout.split()
        self.assertEqual(os.listdir(self.out), [], "--list must write nothing")
        self.run_ok(FIXTURE)
        written = [os.path.join(self.out, name) for name in tree(self.out)]
        self.assertEqual(sorted(listed), sorted(p.replace(os.sep, "/") for p in written))


def main(what, golden):
    """Runs the tests of the calling module, or with --update rewrites `golden`."""
    if sys.argv[1:] == ["--update"]:
        shutil.rmtree(golden, ignore_errors=True)
        done = generate(what, FIXTURE, golden)
        sys.stderr.write(done.stderr)
        sys.exit(done.returncode)
    unittest.main(module="__main__")
