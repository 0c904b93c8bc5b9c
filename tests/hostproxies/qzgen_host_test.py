#!/usr/bin/env python3
"""Tests of the host layer of tools/qzgen.py, run as the build runs it.

    python3 qzgen_host_test.py            run the tests
    python3 qzgen_host_test.py --update   rewrite golden/ from the proxies' fixture table
"""

import difflib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
GENERATOR = os.path.join(ROOT, "tools", "qzgen.py")
FIXTURE = os.path.join(ROOT, "tests", "proxies", "fixture.qzcat")
GOLDEN = os.path.join(HERE, "golden")
CATALOGUE = os.path.join(ROOT, "catalogue", "modules.qzcat")

# A table whose overloads differ in one parameter: a text literal must find the
# string form, and the class comment names what C++ cannot decide.
OVERLOADS = """\
common
  exit() -> void
group system-services
module QZStore StoreProxy QZStoreProxyRemote
  put(string key, object data) -> void
  put(string key, string value) -> void
  put(string key, float value) -> void
  put(string key, int value) -> void
  find(string key, bool exact) -> int
  find(int index) -> int
"""


def generate(catalogue, out, *extra):
    return subprocess.run([sys.executable, "-B", GENERATOR, "--catalogue", catalogue,
                           "--out", out, "--what", "host", *extra],
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


class HostGeneratorTest(unittest.TestCase):
    def setUp(self):
        self.out = tempfile.mkdtemp(prefix="qzgen-host-test-")
        self.addCleanup(shutil.rmtree, self.out)

    def run_ok(self, catalogue, *extra, out=None):
        done = generate(catalogue, out or self.out, *extra)
        self.assertEqual(done.returncode, 0, done.stderr)
        return done

    def write_table(self, text):
        path = os.path.join(self.out, "table.qzcat")
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def test_fixture_output_matches_the_golden_files(self):
        self.run_ok(FIXTURE)
        got, want = tree(self.out), tree(GOLDEN)
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

    def test_names_the_host_class_cannot_carry_are_refused(self):
        with open(FIXTURE, encoding="utf-8") as f:
            table = f.read()
        cases = {
            ("  special(string result) -> void", "  Dispose() -> void"):
                "method 'Dispose' of module 'DCMLike'",
            ("  special(string result) -> void", "  post(int x) -> void"):
                "method 'post' of module 'DCMLike'",
            ("  special(string result) -> void", "  special(string fDCMLike) -> void"):
                "parameter 'fDCMLike' of method 'special'",
            ("  special(string result) -> void", "  special(list of strings StringList) -> void"):
                "parameter 'StringList' of method 'special'",
            ("DCMLike DCMLikeProxy", "DCMLike DCMLikeHost"):
                "host class 'DCMLikeHost' of module 'DCMLike' must end in 'Proxy'",
            ("DCMLike DCMLikeProxy", "DCMLike Proxy"): "host class 'Proxy'",
            ("DCMLike DCMLikeProxy", "DCMLike WHEELSProxy"): "would write",
        }
        for (old, new), message in cases.items():
            with self.subTest(row=new):
                path = self.write_table(table.replace(old, new))
                done = generate(path, os.path.join(self.out, "gen"))
                self.assertEqual(done.returncode, 1)
                self.assertIn(message, done.stderr)
                self.assertFalse(os.path.exists(os.path.join(self.out, "gen")))

    def test_a_text_literal_gets_a_form_of_its_own_and_undecidable_overloads_are_named(self):
        self.run_ok(self.write_table(OVERLOADS), out=os.path.join(self.out, "gen"))
        files = tree(os.path.join(self.out, "gen"))
        header = files["include/velantrix/proxies/storeproxy.h"]
        self.assertEqual(re.findall(r"^  void put\((.*)\);$", header, re.M), [
            "const System::String& key, const System::Object& data",
            "const System::String& key, const System::String& value",
            "const System::String& key, const char* value",
            "const System::String& key, float value",
            "const System::String& key, int value"])
        self.assertIn("int put(const System::String& key, const char* value);", header)
        comment = header.split("#ifndef")[0]
        self.assertIn("put: a std::string fits the string and the object form", comment)
        self.assertIn("put: a double (0.5)", comment)
        self.assertNotIn("find", comment)  # different lengths never clash
        self.assertIn("void StoreProxy::put(const System::String& key, const char* value) {\n"
                      "  put(key, System::String(value));\n}",
                      files["src/storeproxy.cpp"])

    def test_real_catalogue_gives_every_method_and_posted_twin(self):
        self.run_ok(CATALOGUE)
        files = tree(self.out)
        headers = [n for n in files if n.startswith("include/velantrix/proxies/")]
        sources = [n for n in files if n.startswith("src/")]
        self.assertEqual((len(headers), len(sources)), (45, 45))
        self.assertEqual(files["include/velantrix/proxies.h"].count("#include"), 46)
        text = "".join(files[n] for n in sources)
        calls = [name for name in re.findall(r"^\S.* \w+Proxy::(\w+)\(.*\n  .*hostCall", text, re.M)
                 if name not in ("setTimeout", "getTimeout", "cancel")]  # the proxy's own
        posted = re.findall(r"^int \w+Proxy::PostHelper::(\w+)\(.*\n  .*hostCall", text, re.M)
        self.assertEqual((len(calls), len(posted)), (1228, 455))
        for name in headers:
            includes = re.findall(r"^#include .*$", files[name], re.M)
            self.assertEqual(includes, ["#include <velantrix/proxies/detail/hostcall.h>",
                                        "#include <velantrix/system.h>"], name)
        self.assertIn("detail::DisposableNative<QZ::DCMProxyRemote> fDCM;",
                      files["include/velantrix/proxies/dcmproxy.h"])


def update_golden():
    shutil.rmtree(GOLDEN, ignore_errors=True)
    done = generate(FIXTURE, GOLDEN)
    sys.stderr.write(done.stderr)
    return done.returncode


if __name__ == "__main__":
    if sys.argv[1:] == ["--update"]:
        sys.exit(update_golden())
    unittest.main()
