#!/usr/bin/env python3
"""Generates the module proxies from the module catalogue.

    qzgen.py --catalogue catalogue/modules.qzcat --out <dir> --what <layer> [--list]

<layer> is native, host, sim, csharp or python.

Writes the files of the chosen layer below <dir>, each only when its content
changed, so that a rebuild recompiles only what the table change touched.
With --list it writes nothing and prints the paths it would write, one a line.
"""

import argparse
import os
import sys

import qzcatalogue
import qzgen_csharp
import qzgen_host
import qzgen_native
import qzgen_python
import qzgen_sim
from qzgen_printer import GenerationError, write_if_changed

# Layer name -> module with plan(catalogue, table) -> [(relative path, render)].
LAYERS = {"native": qzgen_native, "host": qzgen_host, "sim": qzgen_sim, "csharp": qzgen_csharp,
          "python": qzgen_python}

REPO_ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def table_name(path):
    """The catalogue as the banners name it: relative to the repository when it
    lies inside it, so the output does not depend on where the tree is checked out."""
    full = os.path.abspath(path)
    if os.path.commonpath([full, REPO_ROOT]) == REPO_ROOT:
        return os.path.relpath(full, REPO_ROOT).replace(os.sep, "/")
    return os.path.basename(full)


def main(argv=None):
    parser = argparse.ArgumentParser(description="Generate module proxies from the catalogue.")
    parser.add_argument("--catalogue", required=True, help="the module table (.qzcat)")
    parser.add_argument("--out", required=True, help="folder that receives the files")
    parser.add_argument("--what", required=True, choices=sorted(LAYERS), help="layer to generate")
    parser.add_argument("--list", action="store_true",
                        help="print the files that would be written, write nothing")
    args = parser.parse_args(argv)

    try:
        catalogue = qzcatalogue.load(args.catalogue)
        files = LAYERS[args.what].plan(catalogue, table_name(args.catalogue))
        if args.list:
            for rel, _ in files:
                print(os.path.join(args.out, rel).replace(os.sep, "/"))
            return 0
        for rel, render in files:
            write_if_changed(os.path.join(args.out, rel), render())
    except (qzcatalogue.CatalogueError, GenerationError, OSError) as e:
        print(f"qzgen.py: error: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
