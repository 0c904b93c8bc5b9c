#!/usr/bin/env python3
"""Checks what libqzremote.so shows to the applications that load it.

    check_library.py <libqzremote.so>

- Its dynamic symbols are the public C++ classes of namespaces QZ, Velantrix and
  System (with their type information) and the qz_ functions of the C ABI, nothing
  else: none of gSOAP, TinyXML, the wire layer or the connection layer.
- Every public class an application needs is there, and every function of the C ABI.
- It needs no shared library beyond the C and C++ runtimes: gSOAP and TinyXML are
  linked in.
"""

import re
import subprocess
import sys
import unittest

LIBRARY = None

PUBLIC = re.compile(r"^(?:(?:typeinfo name for |typeinfo for |vtable for )?(?:QZ|Velantrix|System)::"
                    r"|qz_[a-z_]+$)")
# Internals that must never be seen, whatever namespace they sit in.
HIDDEN = re.compile(r"soap|TiXml|tinyxml|QZ::wire::|QZ::capi::|QZ::QZNetwork\b|"
                    r"QZ::QZConnection\b|qz__QZModuleInfoTamsa|namespaces")
C_ABI = {"qz_proxy_open", "qz_proxy_close", "qz_call", "qz_post", "qz_result_free",
         "qz_proxy_set_timeout", "qz_proxy_get_timeout", "qz_proxy_cancel"}
# The sanitizer runtimes appear in sanitized builds only.
RUNTIMES = re.compile(r"^(libc|libm|libstdc\+\+|libgcc_s|ld-linux-x86-64|libpthread|libdl|libasan|libubsan|libtsan|"
                      r"librt)\.so(\.\d+)*$")


def run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def exported_symbols():
    mangled = [line.split()[-1] for line in run("nm", "-D", "--defined-only", LIBRARY).splitlines()
               if line.strip()]
    demangled = run("c++filt", *mangled).splitlines() if mangled else []
    return demangled


class ExportedSymbols(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.symbols = exported_symbols()

    def test_only_public_classes_and_the_c_abi(self):
        stray = [s for s in self.symbols if not PUBLIC.match(s) or HIDDEN.search(s)]
        self.assertEqual(stray[:20], [], f"{len(stray)} symbols beyond the public interface")

    def test_every_c_abi_function_is_there(self):
        self.assertEqual(sorted(C_ABI - set(self.symbols)), [])

    def test_the_classes_applications_use_are_there(self):
        wanted = ["QZ::QZValue::QZValue()", "typeinfo for QZ::QZError",
                  "typeinfo for QZ::QZNetworkError", "QZ::QZProxyRemote::genericCall(",
                  "QZ::QZMotionProxyRemote::QZMotionProxyRemote(",
                  "Velantrix::Proxies::MotionProxy::MotionProxy(",
                  "Velantrix::Proxies::Proxy::genericCall(",
                  "Velantrix::LanguageCompatibility::Convert::ToNativeType(",
                  "typeinfo for System::Exception"]
        for prefix in wanted:
            self.assertTrue(any(s.startswith(prefix) for s in self.symbols), prefix)


class Dependencies(unittest.TestCase):
    def test_only_the_c_and_cxx_runtimes_are_needed(self):
        needed = re.findall(r"\(NEEDED\).*\[(.+)\]", run("readelf", "-d", LIBRARY))
        self.assertTrue(needed)
        self.assertEqual([n for n in needed if not RUNTIMES.match(n)], [])

    def test_no_text_relocations(self):
        self.assertNotIn("TEXTREL", run("readelf", "-d", LIBRARY))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    LIBRARY = sys.argv.pop(1)
    unittest.main(verbosity=1)
