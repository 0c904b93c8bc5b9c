"""Native layer of the code generator: for each module of the catalogue, the
proxy class QZ::<NativeClass> and its post handler, declared in
include/qzproxies/<nativeclass>.h and defined in src/<nativeclass>.cpp, plus the
header include/qzproxies/qzproxies.h that includes them all.

Every proxy method is one call through the QZProxyRemote base: callRemote for
a method with a result, callVoidRemote for one without, genericCall with an
Invalid argument value when it has neither result nor parameters.  The post
handler has a twin of each method without result that returns the task id.
"""

import sys
from qzgen_printer import (Printer, banner, check_class_suffix, check_member_names, check_paths,
                           per_module_plan, posted_methods)

# Names a method or parameter may not take: C++ keywords, and the members and
# helpers the generated classes and bodies use themselves.
CXX_KEYWORDS = frozenset("""
    alignas alignof and and_eq asm auto bitand bitor bool break case catch char
    char8_t char16_t char32_t class compl concept const consteval constexpr
    constinit const_cast continue co_await co_return co_yield decltype default
    delete do double dynamic_cast else enum explicit export extern false float for
    friend goto if inline int long mutable namespace new noexcept not not_eq
    nullptr operator or or_eq private protected public register reinterpret_cast
    requires return short signed sizeof static static_assert static_cast struct
    switch template this thread_local throw true try typedef typeid typename union
    unsigned using virtual void volatile wchar_t while xor xor_eq""".split())
BASE_MEMBERS = frozenset(
    "callRemote callVoidRemote pCall genericCall genericPost post fParent setTimeout getTimeout "
    "cancel".split())
BODY_NAMES = frozenset("QZ QZValue QZProxyRemote std qzParams qzResult".split())

POST_SUFFIX = "ProxyPostHandlerRemote"
PROXY_SUFFIX = "ProxyRemote"
AGGREGATE = "include/qzproxies/qzproxies.h"


def post_class(module):
    """QZAudioDeviceProxyRemote -> QZAudioDeviceProxyPostHandlerRemote."""
    return module.native_class[: -len(PROXY_SUFFIX)] + POST_SUFFIX


def header_path(module):
    return f"include/qzproxies/{module.native_class.lower()}.h"


def source_path(module):
    return f"src/{module.native_class.lower()}.cpp"


def check(catalogue):
    """Rejects names the generated code cannot carry."""
    seen = {AGGREGATE: "the aggregate header"}
    for module in catalogue.modules:
        check_class_suffix("native class", module.native_class, module, PROXY_SUFFIX)
        check_paths(module, (header_path(module), source_path(module)), seen)
        classes = {module.native_class, post_class(module)}
        check_member_names(module, module.all_methods(catalogue.common),
                           CXX_KEYWORDS | BASE_MEMBERS | classes,
                           CXX_KEYWORDS | BASE_MEMBERS | BODY_NAMES | classes,
                           "the generated code")


def plan(catalogue, table):
    """The files of this layer: (path below the output folder, function that
    returns the file's text).  `table` names the catalogue in the banners."""
    check(catalogue)
    return per_module_plan(catalogue, table, sys.modules[__name__])


# ---- pieces of a method ---------------------------------------------------------

def param_list(method):
    return ", ".join(f"const {p.native_type}& {p.name}" for p in method.params)


def template_args(method, result=None):
    types = ([result] if result else []) + [p.native_type for p in method.params]
    return ", ".join(types)


def call_args(method):
    return "".join(f", {p.name}" for p in method.params)


# ---- sections -------------------------------------------------------------------

def module_header(module, common, table):
    p = Printer()
    banner(p, table)
    guard = "QZPROXIES_" + module.native_class.upper() + "_H"
    p.print("""\
// Native proxy of the broker module $name$, and its post handler.
#ifndef $guard$
#define $guard$

#include "qzremotecall/qzremoteproxy.h"

namespace QZ {
""", name=module.name, guard=guard)
    post_handler_declaration(p, module, common)
    p.print()
    proxy_declaration(p, module, common)
    p.print("\n}  // namespace QZ\n\n#endif")
    return p.text()


def post_handler_declaration(p, module, common):
    p.print("""\
// Posted variants of the $proxy$ methods without result; each starts the call
// through fParent and returns the broker's task id.
class $post$ : public QZProxyRemote {
public:
  $post$();
  ~$post$() override;
""", proxy=module.native_class, post=post_class(module))
    with p.indented():
        for method in posted_methods(module, common):
            p.print("int $name$($params$);", name=method.name, params=param_list(method))
        p.print("\nQZProxyRemote* fParent;  // the enclosing proxy, not owned")
    p.print("};")


def proxy_declaration(p, module, common):
    p.print("""\
// Typed calls to the methods of $name$; `post` starts the ones without result.
class $proxy$ : public QZProxyRemote {
public:
  // Looks $name$ up on the broker at pIP:pPort.
  $proxy$(std::string pIP, int pPort);
  // The same, with every call, the lookup included, bounded by timeoutMs (setTimeout).
  $proxy$(std::string pIP, int pPort, int timeoutMs);
  ~$proxy$() override;
""", name=module.name, proxy=module.native_class)
    with p.indented():
        p.print("// Methods every module has.")
        method_declarations(p, common)
        if module.methods:
            p.print("\n// Methods of $name$.", name=module.name)
            method_declarations(p, module.methods)
        p.print("\n$post$ post;", post=post_class(module))
    p.print("};")


def method_declarations(p, methods):
    for method in methods:
        p.print("$result$ $name$($params$);", result=method.native_result,
                name=method.name, params=param_list(method))


def module_source(module, common, table):
    p = Printer()
    banner(p, table)
    p.print("""\
#include "qzproxies/$file$.h"

namespace QZ {
""", file=module.native_class.lower())
    proxy_constructor(p, module)
    for method in module.all_methods(common):
        p.print()
        proxy_method(p, module, method)
    p.print()
    post_handler_constructor(p, module)
    for method in posted_methods(module, common):
        p.print()
        post_method(p, module, method)
    p.print()
    p.print("}  // namespace QZ")
    return p.text()


def proxy_constructor(p, module):
    p.print("""\
$proxy$::$proxy$(std::string pIP, int pPort)
    : QZProxyRemote("$name$", pIP, pPort, 0, 0) {
  post.fParent = this;
}

$proxy$::$proxy$(std::string pIP, int pPort, int timeoutMs)
    : QZProxyRemote("$name$", pIP, pPort, 0, 0, timeoutMs) {
  post.fParent = this;
}

$proxy$::~$proxy$() = default;""", proxy=module.native_class, name=module.name)


def proxy_method(p, module, method):
    p.print("$result$ $cls$::$name$($params$) {", result=method.native_result,
            cls=module.native_class, name=method.name, params=param_list(method))
    with p.indented():
        if not method.is_void:
            p.print('return callRemote<$types$>("$name$"$args$);',
                    types=template_args(method, method.native_result), name=method.name,
                    args=call_args(method))
        elif method.params:
            p.print('callVoidRemote<$types$>("$name$"$args$);', types=template_args(method),
                    name=method.name, args=call_args(method))
        else:
            # Without arguments the call carries an Invalid value, not an empty Array.
            p.print('QZValue qzParams;\nQZValue qzResult;\ngenericCall("$name$", qzParams, '
                    'qzResult);', name=method.name)
    p.print("}")


def post_handler_constructor(p, module):
    p.print("""\
$post$::$post$() : fParent(nullptr) {}

$post$::~$post$() = default;""", post=post_class(module))


def post_method(p, module, method):
    p.print("int $cls$::$name$($params$) {", cls=post_class(module), name=method.name,
            params=param_list(method))
    with p.indented():
        if method.params:
            p.print('return fParent->pCall<$types$>("$name$"$args$);',
                    types=template_args(method), name=method.name, args=call_args(method))
        else:
            p.print('QZValue qzParams;\nQZValue qzResult;\nfParent->genericPost("$name$", '
                    'qzParams, qzResult);\nreturn static_cast<int&>(qzResult);',
                    name=method.name)
    p.print("}")


def aggregate_header(catalogue, table):
    p = Printer()
    banner(p, table)
    p.print("""\
// Every native module proxy.
#ifndef QZPROXIES_QZPROXIES_H
#define QZPROXIES_QZPROXIES_H
""")
    for module in catalogue.modules:
        p.print('#include "qzproxies/$file$.h"', file=module.native_class.lower())
    p.print("\n#endif")
    return p.text()
