"""Reader for the module catalogue (catalogue/modules.qzcat).

The catalogue lists the methods common to every module, then each module the
broker hosts, grouped, with its own methods in order.  `load(path)` returns a
`Catalogue`; a malformed row raises `CatalogueError` naming the file and line.
"""

import re
from dataclasses import dataclass, field
from typing import List

# Host types as written in the catalogue, and the native type each maps to.
NATIVE_TYPES = {
    "string": "std::string",
    "int": "int",
    "float": "float",
    "bool": "bool",
    "object": "QZ::QZValue",
    "list of strings": "std::vector<std::string>",
    "list of floats": "std::vector<float>",
}
VOID = "void"

GROUPS = ("motion-and-body", "audio-and-speech", "vision", "system-services")

_IDENT = r"[A-Za-z_][A-Za-z0-9_]*"
_ROW = re.compile(r"(" + _IDENT + r")\((.*)\)\s*->\s*(.+)")
_PARAM = re.compile(r"(.+?)\s+(" + _IDENT + r")")


class CatalogueError(ValueError):
    """A malformed catalogue; the message starts with 'file:line: '."""


def native_type(host_type):
    """The native type of a host type ('void' stays 'void')."""
    return VOID if host_type == VOID else NATIVE_TYPES[host_type]


@dataclass(frozen=True)
class Param:
    type: str
    name: str

    @property
    def native_type(self):
        return native_type(self.type)


@dataclass(frozen=True)
class Method:
    name: str
    result: str
    params: tuple = ()

    @property
    def is_void(self):
        return self.result == VOID

    @property
    def native_result(self):
        return native_type(self.result)

    @property
    def param_types(self):
        return tuple(p.type for p in self.params)

    def __str__(self):
        params = ", ".join(f"{p.type} {p.name}" for p in self.params)
        return f"{self.name}({params}) -> {self.result}"


@dataclass
class Module:
    name: str
    host_class: str
    native_class: str
    group: str
    methods: List[Method] = field(default_factory=list)

    def all_methods(self, common):
        """The common methods, then this module's own, each in catalogue order."""
        return list(common) + list(self.methods)


@dataclass
class Catalogue:
    common: List[Method]
    modules: List[Module]

    def module(self, name):
        for m in self.modules:
            if m.name == name:
                return m
        raise KeyError(name)


def parse_method(text):
    """Parse one row `name(type param, ...) -> result`; raises ValueError."""
    match = _ROW.fullmatch(text.strip())
    if not match:
        if "->" not in text:
            raise ValueError("missing '-> result' in method row")
        raise ValueError("method row is not 'name(type param, ...) -> result'")
    name, params_text = match.group(1), match.group(2).strip()
    result = " ".join(match.group(3).split())
    if result != VOID and result not in NATIVE_TYPES:
        raise ValueError(f"unknown result type '{result}' of method '{name}'")
    params = []
    for item in params_text.split(",") if params_text else []:
        pm = _PARAM.fullmatch(item.strip())
        if not pm:
            raise ValueError(f"parameter '{item.strip()}' of method '{name}' is not 'type name'")
        ptype, pname = " ".join(pm.group(1).split()), pm.group(2)
        if ptype not in NATIVE_TYPES:
            raise ValueError(f"unknown type '{ptype}' of parameter '{pname}' of method '{name}'")
        if any(p.name == pname for p in params):
            raise ValueError(f"parameter '{pname}' appears twice in method '{name}'")
        params.append(Param(ptype, pname))
    return Method(name, result, tuple(params))


def load(path):
    """Read and check the catalogue at `path`."""
    common, modules = None, []
    current = None          # list that indented rows go into
    group = None
    seen = {}               # (kind, name) -> line of the module that has it
    forms = set()           # (owner, method name, parameter types)

    def fail(lineno, message):
        raise CatalogueError(f"{path}:{lineno}: {message}")

    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()

    for lineno, line in enumerate(lines, 1):
        text = line.strip()
        if not text or text.startswith("#"):
            continue
        if line[0].isspace():
            if current is None:
                fail(lineno, "method row outside 'common' or a module")
            try:
                method = parse_method(text)
            except ValueError as e:
                fail(lineno, str(e))
            owner = "common" if current is common else modules[-1].name
            key = (owner, method.name, method.param_types)
            if key in forms:
                fail(lineno, f"method '{method.name}' of {owner} repeats an earlier "
                             f"form with the same parameter types")
            forms.add(key)
            current.append(method)
            continue

        words = text.split()
        if words[0] == "common":
            if len(words) != 1:
                fail(lineno, "'common' takes nothing after it")
            if common is not None:
                fail(lineno, "second 'common' section")
            if modules:
                fail(lineno, "'common' must come before the modules")
            common = current = []
        elif words[0] == "group":
            if len(words) != 2 or words[1] not in GROUPS:
                fail(lineno, f"expected 'group NAME' with NAME one of {', '.join(GROUPS)}")
            group, current = words[1], None
        elif words[0] == "module":
            if len(words) != 4:
                fail(lineno, "expected 'module ModuleName HostClass NativeClass'")
            if group is None:
                fail(lineno, f"module '{words[1]}' before any 'group' line")
            for kind, name in zip(("module", "host class", "native class"), words[1:]):
                if not re.fullmatch(_IDENT, name):
                    fail(lineno, f"{kind} '{name}' is not a valid name")
                if (kind, name) in seen:
                    fail(lineno, f"duplicate {kind} '{name}' (first on line {seen[kind, name]})")
                seen[kind, name] = lineno
            modules.append(Module(words[1], words[2], words[3], group))
            current = modules[-1].methods
        else:
            fail(lineno, f"unknown line '{text}' (method rows must be indented)")

    if common is None:
        raise CatalogueError(f"{path}: no 'common' section")
    return Catalogue(common, modules)
