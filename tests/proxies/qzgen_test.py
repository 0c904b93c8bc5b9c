#!/usr/bin/env python3
"""Tests of the proxy generator tools/qzgen.py, run as the build runs it.

    python3 qzgen_test.py            run the tests
    python3 qzgen_test.py --update   rewrite golden/ from fixture.qzcat (then review the diff)
"""

import os
import re
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
import qzgentest  # noqa: E402
from qzgentest import CATALOGUE, FIXTURE, tree  # noqa: E402

WHAT = "native"
GOLDEN = os.path.join(HERE, "golden")


def generate(catalogue, out, *extra):
    return qzgentest.generate(WHAT, catalogue, out, *extra)


class GeneratorTest(qzgentest.GeneratorTestCase):
    WHAT = WHAT
    GOLDEN = GOLDEN

    def test_only_files_whose_text_changed_are_rewritten(self):
        table = os.path.join(self.out, "table.qzcat")
        shutil.copy(FIXTURE, table)
        gen = os.path.join(self.out, "gen")

        def touched_by(run):
            old = 1_000_000_000
            for name in tree(gen):
                os.utime(os.path.join(gen, name), ns=(old, old))
            run()
            return sorted(n for n in tree(gen) if os.stat(os.path.join(gen, n)).st_mtime_ns != old)

        self.assertEqual(generate(table, gen).returncode, 0)
        self.assertEqual(touched_by(lambda: generate(table, gen)), [])
        with open(table, "a", encoding="utf-8") as f:
            f.write("  park() -> void\n")  # joins the last module, DCMLike
        self.assertEqual(touched_by(lambda: generate(table, gen)),
                         ["include/qzproxies/dcmlikeproxyremote.h", "src/dcmlikeproxyremote.cpp"])

    def test_names_the_generated_code_cannot_carry_are_refused(self):
        with open(FIXTURE, encoding="utf-8") as f:
            table = f.read()
        bad_rows = {
            "  special(string fParent) -> void": "parameter 'fParent' of method 'special'",
            "  special(string delete) -> void": "parameter 'delete' of method 'special'",
            "  post(int x) -> void": "method 'post' of module 'DCMLike'",
            "  callRemote() -> int": "method 'callRemote' of module 'DCMLike'",
        }
        for row, message in bad_rows.items():
            with self.subTest(row=row):
                path = os.path.join(self.out, "bad.qzcat")
                with open(path, "w", encoding="utf-8") as f:
                    f.write(table.replace("  special(string result) -> void", row))
                done = generate(path, os.path.join(self.out, "gen"))
                self.assertEqual(done.returncode, 1)
                self.assertIn(message, done.stderr)
                self.assertFalse(os.path.exists(os.path.join(self.out, "gen")))

    def test_real_catalogue_gives_every_method_and_posted_twin(self):
        self.run_ok(CATALOGUE)
        files = tree(self.out)
        headers = [n for n in files if n.startswith("include/qzproxies/")
                   and n != "include/qzproxies/qzproxies.h"]
        sources = [n for n in files if n.startswith("src/")]
        self.assertEqual((len(headers), len(sources)), (45, 45))
        self.assertEqual(files["include/qzproxies/qzproxies.h"].count("#include"), 45)
        text = "".join(files[n] for n in sources)
        proxy = re.findall(r"^\S.* \w+ProxyRemote::(\w+)\(", text, re.M)
        posted = re.findall(r"^int \w+ProxyPostHandlerRemote::(\w+)\(", text, re.M)
        self.assertEqual((len(proxy), len(posted)), (1228, 455))
        for name in headers:
            includes = re.findall(r"^#include .*$", files[name], re.M)
            self.assertEqual(includes, ['#include "qzremotecall/qzremoteproxy.h"'], name)



if __name__ == "__main__":
    qzgentest.main(WHAT, GOLDEN)
