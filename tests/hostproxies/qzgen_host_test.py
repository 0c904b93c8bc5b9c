#!/usr/bin/env python3
"""Tests of the host layer of tools/qzgen.py, run as the build runs it.

    python3 qzgen_host_test.py            run the tests
    python3 qzgen_host_test.py --update   rewrite golden/ from the proxies' fixture table
"""

import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
import qzgentest  # noqa: E402
from qzgentest import CATALOGUE, FIXTURE, tree  # noqa: E402

WHAT = "host"
GOLDEN = os.path.join(HERE, "golden")

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
    return qzgentest.generate(WHAT, catalogue, out, *extra)


class HostGeneratorTest(qzgentest.GeneratorTestCase):
    WHAT = WHAT
    GOLDEN = GOLDEN

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
                path = self.table(table.replace(old, new))
                done = generate(path, os.path.join(self.out, "gen"))
                self.assertEqual(done.returncode, 1)
                self.assertIn(message, done.stderr)
                self.assertFalse(os.path.exists(os.path.join(self.out, "gen")))

    def test_a_text_literal_gets_a_form_of_its_own_and_undecidable_overloads_are_named(self):
        self.run_ok(self.table(OVERLOADS), out=os.path.join(self.out, "gen"))
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



if __name__ == "__main__":
    qzgentest.main(WHAT, GOLDEN)
