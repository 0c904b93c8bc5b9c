"""cmake --install puts the package where Debian's python3 finds it under the prefix.
Runs where QZ_BUILD_DIR names the module's build folder (as the CTest of that folder and
./run.sh test set it)."""

import os
import subprocess
import sys

import pytest

BUILD = os.environ.get("QZ_BUILD_DIR")
pytestmark = pytest.mark.skipif(not BUILD, reason="QZ_BUILD_DIR names no build folder")
SITE = f"lib/python{sys.version_info.major}.{sys.version_info.minor}/dist-packages"


def install(prefix, destdir=None):
    env = dict(os.environ, DESTDIR=str(destdir)) if destdir else None
    subprocess.run(["cmake", "--install", BUILD, "--component", "python", "--prefix", str(prefix)],
                   check=True, capture_output=True, timeout=120, env=env)


def test_the_package_installs_into_the_prefix_and_imports_from_there(tmp_path):
    install(tmp_path)
    package = tmp_path / SITE / "qzremote"
    names = {p.name for p in package.iterdir()}
    assert {"__init__.py", "__init__.pyi", "py.typed"} <= names
    assert any(name.startswith("_qzremote.") and name.endswith(".so") for name in names)
    # Only the package folder on the path, and no library beside it: it is self-contained.
    done = subprocess.run([sys.executable, "-I", "-c",
                           f"import sys; sys.path.insert(0, {str(package.parent)!r}); "
                           "import qzremote; print(qzremote.__file__, qzremote.MotionProxy)"],
                          capture_output=True, text=True, timeout=60, env={})
    assert done.returncode == 0, done.stderr
    assert done.stdout.startswith(str(package / "__init__.py"))


def test_the_prefix_usr_installs_where_debian_keeps_its_packages(tmp_path):
    install("/usr", destdir=tmp_path)
    assert (tmp_path / "usr/lib/python3/dist-packages/qzremote/__init__.py").exists()
    assert not (tmp_path / "usr" / SITE).exists()
