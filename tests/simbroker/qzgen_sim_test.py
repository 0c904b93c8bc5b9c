#!/usr/bin/env python3
"""Tests of the simulated broker's layer of tools/qzgen.py (--what sim).

    python3 qzgen_sim_test.py            run the tests
    python3 qzgen_sim_test.py --update   rewrite golden/ from fixture.qzcat (then review the diff)
"""

import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
GENERATOR = os.path.join(ROOT, "tools", "qzgen.py")
FIXTURE = os.path.join(HERE, "fixture.qzcat")
GOLDEN = os.path.join(HERE, "golden", "simtable.cpp")
CATALOGUE = os.path.join(ROOT, "catalogue", "modules.qzcat")


def generate(catalogue, out, *extra):
    return subprocess.run([sys.executable, "-B", GENERATOR, "--catalogue", catalogue,
                           "--out", out, "--what", "sim", *extra],
                          capture_output=True, text=True, timeout=60)


def generated_text(catalogue):
    with tempfile.TemporaryDirectory() as out:
        run = generate(catalogue, out)
        if run.returncode != 0:
            raise AssertionError(run.stderr)
        with open(os.path.join(out, "src", "simtable.cpp"), encoding="utf-8") as f:
            return f.read()


class SimLayer(unittest.TestCase):
    def test_fixture_matches_the_golden_table(self):
        with open(GOLDEN, encoding="utf-8") as f:
            self.assertEqual(generated_text(FIXTURE), f.read())

    def test_list_names_the_one_source(self):
        run = generate(FIXTURE, "/out", "--list")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout, "/out/src/simtable.cpp\n")

    def test_real_catalogue_has_a_row_per_form(self):
        text = generated_text(CATALOGUE)
        self.assertEqual(text.count("ResultType::"), 11 + 1228 - 45 * 11)
        self.assertIn('{"moveTo", ResultType::Void, 3, kModule0_p', text)
        self.assertIn('"moveTo(float,float,float)"', text)
        self.assertIn("extern const int kModuleCount = 45;", text)


if __name__ == "__main__":
    if "--update" in sys.argv:
        with open(GOLDEN, "w", encoding="utf-8") as f:
            f.write(generated_text(FIXTURE))
        sys.exit(0)
    unittest.main()
