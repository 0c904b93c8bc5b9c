"""Python layer of the code generator: the classes of the extension module qzremote.

For each group of the catalogue, one C++ source src/qzpy_<group>.cpp that binds the
group's modules with pybind11: a class per module (MotionProxy, ...) with its nested
PostHelper, each method one `method<...>(&Native::name)` or `posted<...>(&Post::name)`
over the module's native proxy.  The helpers (python/src/qzpy/methods.h) convert the
arguments, release the GIL for the call and convert the result, so the generated code
holds no logic; the catalogue types become the helpers' template arguments.  Beside
them, src/qzpy_catalogue.h declares one binder per group and binds them all, and
qzremote/__init__.pyi holds the type stubs of the whole package.

Overloads of one name are bound with the forms that take fewer `object` parameters
first: the broker value an argument becomes then follows the most specific form that
accepts it (insertData("k", 5) takes the int form, not the object one).
"""

import keyword
from collections import OrderedDict

import qzcatalogue
from qzgen_printer import (GenerationError, Printer, banner, check_class_suffix, check_member_names,
                           posted_methods)

CATALOGUE_HEADER = "src/qzpy_catalogue.h"
STUBS = "qzremote/__init__.pyi"

# The argument type of each catalogue type: a small struct of python/src/qzpy/arguments.h
# whose pybind11 caster checks and converts the Python value.
ARGUMENTS = {
    "string": "Text",
    "int": "Int32",
    "float": "Float32",
    "bool": "Bool",
    "object": "Value",
    "list of strings": "TextList",
    "list of floats": "FloatList",
}

# Python types of parameters and results, as the stubs and docstrings write them.
PARAM_HINTS = {
    "string": "str",
    "int": "int",
    "float": "float",
    "bool": "bool",
    "object": "Value",
    "list of strings": "TextList",
    "list of floats": "FloatList",
}
RESULT_HINTS = {
    "string": "str",
    "int": "int",
    "float": "float",
    "bool": "bool",
    "object": "Any",
    "list of strings": "list[str]",
    "list of floats": "list[float]",
    "void": "None",
}

# Members every proxy class has from its base, which a method of the catalogue may not hide.
PROXY_MEMBERS = frozenset(("close", "cancel", "closed", "timeout_ms", "post", "PostHelper"))
# A parameter named so could not be written in a stub, or would hide the method's self.
PARAM_RESERVED = frozenset(keyword.kwlist) | {"self"}


def group_source(group):
    """motion-and-body -> src/qzpy_motion_and_body.cpp."""
    return f"src/qzpy_{group.replace('-', '_')}.cpp"


def group_binder(group):
    """motion-and-body -> bindMotionAndBody."""
    return "bind" + "".join(word.capitalize() for word in group.split("-"))


def module_binder(module):
    return "bind" + module.host_class


def post_class(module):
    """The native post handler class, as the native layer names it."""
    return module.native_class[: -len("ProxyRemote")] + "ProxyPostHandlerRemote"


def groups_of(catalogue):
    """Group name -> its modules, in catalogue order; groups without modules are left out."""
    groups = OrderedDict()
    for module in catalogue.modules:
        groups.setdefault(module.group, []).append(module)
    return groups


def check(catalogue):
    """Rejects names the generated code or the stubs cannot carry."""
    for module in catalogue.modules:
        # A class named just Proxy would hide the untyped one.
        check_class_suffix("host class", module.host_class, module, "Proxy",
                           " after a name of its own")
        check_class_suffix("native class", module.native_class, module, "ProxyRemote")
        methods = module.all_methods(catalogue.common)
        check_member_names(module, methods, PROXY_MEMBERS | frozenset(keyword.kwlist),
                           PARAM_RESERVED, "the Python class")
        for method in methods:
            if method.name.startswith("_"):
                raise GenerationError(f"method '{method.name}' of module '{module.name}' "
                                      "starts with '_', which Python keeps for its own members")


def plan(catalogue, table):
    """The files of this layer: (path below the output folder, function that returns
    the file's text).  `table` names the catalogue in the banners."""
    check(catalogue)
    groups = groups_of(catalogue)
    files = [(group_source(group), lambda g=group, ms=modules: group_file(g, ms, catalogue, table))
             for group, modules in groups.items()]
    files.append((CATALOGUE_HEADER, lambda: catalogue_header(groups, table)))
    files.append((STUBS, lambda: stubs(catalogue, table)))
    return files


# ---- pieces of a method ---------------------------------------------------------

def forms_by_name(methods):
    """Method name -> its forms, names in order of first appearance, each name's forms
    with the fewest `object` parameters first (stable otherwise)."""
    names = OrderedDict()
    for method in methods:
        names.setdefault(method.name, []).append(method)
    return OrderedDict((name, sorted(forms, key=lambda m: m.param_types.count("object")))
                       for name, forms in names.items())


def signature(method, result):
    params = ", ".join(f"{p.name}: {PARAM_HINTS[p.type]}" for p in method.params)
    return f"{method.name}({params}) -> {result}"


def cxx_string(text):
    """A C++ string literal of `text` (catalogue names need no escaping but line feeds)."""
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"').replace("\n", "\\n") + '"'


def docstring(forms, result_of, action):
    """The docstring of a method name: the signature of each form, then what it does;
    one C++ literal a line."""
    lines = [signature(form, result_of(form)) + "\n" for form in forms]
    lines[-1] += "\n"
    return [cxx_string(line) for line in lines + [action]]


def arg_list(method):
    return "".join(f', arg("{p.name}")' for p in method.params)


def definitions(p, target, helper, forms_of, result_of, action):
    """One `target.def` per form; the first form of a name carries the name's docstring."""
    for name, forms in forms_of.items():
        doc = docstring(forms, result_of, action)
        for index, form in enumerate(forms):
            owner, result = ("N", form.native_result) if helper == "method" else ("P", None)
            types = ", ".join([owner] + ([result] if result else []) +
                              [ARGUMENTS[q.type] for q in form.params])
            call = (f'{target}.def("{name}", {helper}<{types}>'
                    f'(&{owner}::{name}){arg_list(form)}')
            if index > 0:
                p.print("$call$);", call=call)
                continue
            p.print("$call$,", call=call)
            with p.indented():
                p.print("doc($lines$));", lines="\n    ".join(doc))


# ---- the C++ sources ------------------------------------------------------------

def group_file(group, modules, catalogue, table):
    p = Printer()
    banner(p, table)
    p.print("// The Python classes of the broker modules of the group $group$.\n"
            '#include "qzpy_catalogue.h"\n\n#include "qzpy/methods.h"', group=group)
    for module in modules:
        p.print('#include "qzproxies/$file$.h"', file=module.native_class.lower())
    p.print("\nnamespace qzpy {\n\nnamespace {\n\nusing pybind11::arg;\nusing pybind11::doc;")
    for module in modules:
        p.print()
        module_binding(p, module, catalogue.common)
    p.print("\n}  // namespace\n\nvoid $binder$(pybind11::module_& m) {",
            binder=group_binder(group))
    with p.indented():
        for module in modules:
            p.print("$binder$(m);", binder=module_binder(module))
    p.print("}\n\n}  // namespace qzpy")
    return p.text()


def module_binding(p, module, common):
    methods = module.all_methods(common)
    p.print("""\
void $binder$(pybind11::module_& m) {
  using N = QZ::$native$;
  using P = QZ::$post$;
  ModuleClasses<N> classes = moduleClasses<N>(m, "$cls$", "$name$");
  auto& proxy = classes.proxy;
  auto& post = classes.post;""", binder=module_binder(module), native=module.native_class,
            post=post_class(module), cls=module.host_class, name=module.name)
    with p.indented():
        definitions(p, "proxy", "method", forms_by_name(methods),
                    lambda m: RESULT_HINTS[m.result],
                    f"Calls the method on the broker module {module.name} and waits for its "
                    "answer.")
        definitions(p, "post", "posted", forms_by_name(posted_methods(module, common)),
                    lambda m: "int",
                    f"Starts the method on the broker module {module.name} as a task and returns "
                    "the task id, which wait, isRunning and stop take.")
    p.print("}")


def catalogue_header(groups, table):
    p = Printer()
    banner(p, table)
    p.print("""\
// Binds the Python class of every module of the catalogue, group by group.
#ifndef QZPY_QZPY_CATALOGUE_H
#define QZPY_QZPY_CATALOGUE_H

#include <pybind11/pybind11.h>

namespace qzpy {
""")
    for group in groups:
        p.print("void $binder$(pybind11::module_& m);", binder=group_binder(group))
    p.print("\ninline void bindCatalogue(pybind11::module_& m) {")
    with p.indented():
        for group in groups:
            p.print("$binder$(m);", binder=group_binder(group))
    p.print("}\n\n}  // namespace qzpy\n\n#endif")
    return p.text()


# ---- the stubs ------------------------------------------------------------------

STUB_PRELUDE = '''\
"""Type stubs of qzremote, the Python module of the robot's broker library."""

from typing import Any, TypeVar, Union, overload

__version__: str

_Self = TypeVar("_Self", bound="ProxyBase")

class ObjectValue:
    """An Object value of the broker: a block of bytes that travels as base64 text."""
    def __init__(self, data: bytes | bytearray | memoryview = b"") -> None: ...
    @property
    def data(self) -> bytes: ...
    def __bytes__(self) -> bytes: ...
    def __len__(self) -> int: ...
    def __eq__(self, other: object) -> bool: ...
    def __hash__(self) -> int: ...

# What an argument typed `object` takes: None is an Invalid value, bool a Bool, int an Int
# (32 bits), float a Float (32 bits), str a String (UTF-8), bytes-likes a Binary, a list or
# tuple an Array, ObjectValue an Object. The broker reads 256 levels of nesting, counting
# the argument list and the scalars in the innermost lists.
Value = Union[None, bool, int, float, str, bytes, bytearray, memoryview, ObjectValue,
              list["Value"], tuple["Value", ...]]
TextList = Union[list[str], tuple[str, ...]]
FloatList = Union[list[float], tuple[float, ...]]

class QZError(RuntimeError):
    """A failure of the library or of the broker; str() is the native text."""
    module: str | None
    method: str | None
    description: str | None

class QZNetworkError(QZError):
    """The broker cannot be reached, or does not know the module."""

class QZTimeoutError(QZNetworkError, TimeoutError):
    """A call, or the lookup of a module, ran out of its proxy's time-out."""

class ProxyBase:
    """What every proxy has: its time-out, cancel, close and the with statement."""
    timeout_ms: int
    @property
    def closed(self) -> bool: ...
    def cancel(self) -> None: ...
    def close(self) -> None: ...
    def __enter__(self: _Self) -> _Self: ...
    def __exit__(self, *exc_info: object) -> None: ...

class Proxy(ProxyBase):
    """Calls any method of the broker module `moduleName` by name."""
    def __init__(self, moduleName: str, ip: str, port: int, timeout_ms: int = 0) -> None: ...
    def genericCall(self, methodName: str, args: Value = None) -> Any: ...
    def genericVoidCall(self, methodName: str, args: Value = None) -> None: ...
    def genericPost(self, methodName: str, args: Value = None) -> int: ...
'''


def stubs(catalogue, table):
    p = Printer(unit="    ")
    banner(p, table, comment="#")
    p.print(STUB_PRELUDE)
    for module in catalogue.modules:
        stub_class(p, module, catalogue.common)
    return p.text()


def stub_methods(p, forms_of, result_of):
    for name, forms in forms_of.items():
        for form in forms:
            params = "".join(f", {q.name}: {PARAM_HINTS[q.type]}" for q in form.params)
            if len(forms) > 1:
                p.print("@overload")
            p.print("def $name$(self$params$) -> $result$: ...", name=name, params=params,
                    result=result_of(form))


def stub_class(p, module, common):
    cls = module.host_class
    p.print('class $cls$(ProxyBase):\n    """Calls the methods of the broker module $name$."""',
            cls=cls, name=module.name)
    with p.indented():
        p.print('class PostHelper:\n    """The methods of $name$ without result, posted: each '
                'returns a task id."""', name=module.name)
        with p.indented():
            stub_methods(p, forms_by_name(posted_methods(module, common)), lambda m: "int")
        p.print("@property\ndef post(self) -> $cls$.PostHelper: ...\n"
                "def __init__(self, pIP: str, pPort: int, timeout_ms: int = 0) -> None: ...",
                cls=cls)
        stub_methods(p, forms_by_name(module.all_methods(common)),
                     lambda m: RESULT_HINTS[m.result])
    p.print()


# The catalogue's result and parameter types must all have a Python form.
assert set(ARGUMENTS) == set(qzcatalogue.NATIVE_TYPES) == set(PARAM_HINTS)
assert set(RESULT_HINTS) == set(qzcatalogue.NATIVE_TYPES) | {qzcatalogue.VOID}
