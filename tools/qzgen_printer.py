"""Small pieces shared by the code generator's layers: a template printer and
the writer that leaves unchanged files alone."""

import os
import re
from contextlib import contextmanager

_VAR = re.compile(r"\$(\w*)\$")


class GenerationError(ValueError):
    """The catalogue cannot be turned into code (for example a reserved name)."""


class Printer:
    """Collects indented lines.  In a template, `$name$` is replaced by the
    keyword argument `name` and `$$` by a single dollar sign; every newline
    ends a line, so a template that ends in one leaves a blank line after it."""

    def __init__(self, unit="  "):
        self._lines = []
        self._unit = unit
        self._depth = 0

    def print(self, template="", **values):
        def substitute(match):
            key = match.group(1)
            if not key:
                return "$"
            if key not in values:
                raise KeyError(f"template variable '{key}' has no value")
            return str(values[key])

        text = _VAR.sub(substitute, template)
        prefix = self._unit * self._depth
        for line in text.split("\n"):
            self._lines.append(prefix + line if line else "")

    @contextmanager
    def indented(self):
        self._depth += 1
        try:
            yield self
        finally:
            self._depth -= 1

    def text(self):
        return "\n".join(self._lines) + "\n"


def write_if_changed(path, content):
    """Writes `content` to `path` unless the file already holds exactly that, so
    that an unchanged output keeps its time stamp and nothing rebuilds.
    Returns True when the file was written."""
    try:
        with open(path, encoding="utf-8", newline="") as f:
            if f.read() == content:
                return False
    except FileNotFoundError:
        pass
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8", newline="") as f:
        f.write(content)
    os.replace(tmp, path)
    return True


def per_module_plan(catalogue, table, layer):
    """The files of a per-module layer: for each module its header and source, then
    the aggregate header, as (path below the output folder, function returning the
    text). `layer` supplies header_path, source_path, module_header, module_source,
    aggregate_header and AGGREGATE; `table` names the catalogue in the banners."""
    files = []
    for module in catalogue.modules:
        files.append((layer.header_path(module),
                      lambda m=module: layer.module_header(m, catalogue.common, table)))
        files.append((layer.source_path(module),
                      lambda m=module: layer.module_source(m, catalogue.common, table)))
    files.append((layer.AGGREGATE, lambda: layer.aggregate_header(catalogue, table)))
    return files
