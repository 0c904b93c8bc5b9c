"""Host layer of the code generator: for each module of the catalogue, the public
class Velantrix::Proxies::<HostClass> with its nested PostHelper, declared in
include/velantrix/proxies/<hostclass>.h and defined in src/<hostclass>.cpp, plus
include/velantrix/proxies.h that includes them all and the untyped Proxy.

Every host method is one detail::hostCall on the module's native proxy: it
converts the host arguments, calls the native method of the same name and
converts the result back, turning native errors into System::Exception.  The
headers only forward-declare the native proxy; its header is included by the
sources alone, so an application compiles against the host types only.
"""

import sys
import textwrap
from collections import defaultdict

from qzgen_native import CXX_KEYWORDS
from qzgen_printer import (Printer, banner, check_class_suffix, check_member_names, check_paths,
                           per_module_plan, posted_methods)

PROXY_SUFFIX = "Proxy"
UNTYPED_HEADER = "include/velantrix/proxies/proxy.h"  # the hand-written untyped Proxy
AGGREGATE = "include/velantrix/proxies.h"

PARAM_TYPES = {
    "string": "const System::String&",
    "object": "const System::Object&",
    "list of strings": "const StringList&",
    "list of floats": "const FloatList&",
    "int": "int",
    "bool": "bool",
    "float": "float",
}
RESULT_TYPES = {
    "string": "System::String",
    "object": "System::Object",
    "list of strings": "StringList",
    "list of floats": "FloatList",
    "int": "int",
    "bool": "bool",
    "float": "float",
    "void": "void",
}
CLASS_ALIASES = ("StringList", "FloatList")
# Names of the generated class itself that a method may not take.
CLASS_MEMBERS = frozenset(("Dispose", "post", "PostHelper", "setTimeout", "getTimeout", "cancel")
                          + CLASS_ALIASES)
# A parameter may not hide the types of the signatures or the lambda's own names.
BODY_NAMES = frozenset(CLASS_ALIASES + ("native_", "args_"))

# Host types between which a common C++ argument cannot choose, for overloads that
# differ in one parameter only, and what to write instead.  A narrow text literal
# between a string and an object form gets an extra `const char*` form instead.
AMBIGUOUS = {
    frozenset(("int", "float")):
        "a double (0.5) or an integer wider than int fits the int and the float "
        "form alike: write 0.5f, or cast to int",
    frozenset(("bool", "int")):
        "a float or a double fits the bool and the int form alike: cast it",
    frozenset(("bool", "float")):
        "an int or a double fits the bool and the float form alike: write true/false "
        "or 0.5f",
    frozenset(("string", "object")):
        "a std::string fits the string and the object form alike: wrap it in "
        "System::String (text literals choose the string form)",
}


def field_name(module):
    """MotionProxy -> fMotion, DCMProxy -> fDCM."""
    return "f" + module.host_class[: -len(PROXY_SUFFIX)]


def header_path(module):
    return f"include/velantrix/proxies/{module.host_class.lower()}.h"


def source_path(module):
    return f"src/{module.host_class.lower()}.cpp"


def check(catalogue):
    """Rejects names the generated code cannot carry."""
    seen = {AGGREGATE: "the aggregate header", UNTYPED_HEADER: "the untyped Proxy"}
    for module in catalogue.modules:
        check_class_suffix("host class", module.host_class, module, PROXY_SUFFIX,
                           " after a name of its own")
        check_paths(module, (header_path(module), source_path(module)), seen)
        own = {module.host_class, field_name(module)}
        check_member_names(module, module.all_methods(catalogue.common),
                           CXX_KEYWORDS | CLASS_MEMBERS | own, CXX_KEYWORDS | BODY_NAMES | own,
                           "the host class")


def plan(catalogue, table):
    """The files of this layer: (path below the output folder, function that
    returns the file's text).  `table` names the catalogue in the banners."""
    check(catalogue)
    return per_module_plan(catalogue, table, sys.modules[__name__])


# ---- overloads ------------------------------------------------------------------

def single_differences(methods):
    """(a, b, position) for each pair of same-name forms of equal length whose
    parameter types differ at exactly one position."""
    by_name = defaultdict(list)
    for method in methods:
        by_name[method.name].append(method)
    for forms in by_name.values():
        for i, a in enumerate(forms):
            for b in forms[i + 1:]:
                if len(a.params) != len(b.params):
                    continue
                diff = [k for k, (x, y) in enumerate(zip(a.param_types, b.param_types)) if x != y]
                if len(diff) == 1:
                    yield a, b, diff[0]


def text_forms(methods):
    """Extra forms taking `const char*` where a string form and an object form
    differ in that one parameter: without them a text literal, which converts to
    System::String and System::Object alike, would fit neither better.
    Returns [(string form, position)] in catalogue order."""
    found = []
    for a, b, k in single_differences(methods):
        pair = {a.params[k].type, b.params[k].type}
        if pair == {"string", "object"}:
            form = a if a.params[k].type == "string" else b
            if (form, k) not in found:
                found.append((form, k))
    return sorted(found, key=lambda fk: (methods.index(fk[0]), fk[1]))


def overload_notes(methods):
    """Lines for the class comment: the overloads a common argument cannot choose between."""
    notes = []
    for a, b, k in single_differences(methods):
        note = AMBIGUOUS.get(frozenset((a.params[k].type, b.params[k].type)))
        line = f"{a.name}: {note}."
        if note and line not in notes:
            notes.append(line)
    return notes


# ---- pieces of a method ---------------------------------------------------------

def param_list(method, text_at=None):
    return ", ".join(("const char*" if k == text_at else PARAM_TYPES[p.type]) + " " + p.name
                     for k, p in enumerate(method.params))


def call_args(method):
    return "".join(f", {p.name}" for p in method.params)


def text_call_args(method, text_at):
    return ", ".join(f"System::String({p.name})" if k == text_at else p.name
                     for k, p in enumerate(method.params))


# ---- sections -------------------------------------------------------------------

def module_header(module, common, table):
    methods = module.all_methods(common)
    p = Printer()
    banner(p, table)
    p.print("// Host proxy of the broker module $name$.", name=module.name)
    notes = overload_notes(methods)
    if notes:
        p.print("//\n// Overloads that C++ arguments can leave undecided:")
        for note in notes:
            lines = textwrap.wrap(note, 84)
            p.print("//   $first$", first=lines[0])
            for line in lines[1:]:
                p.print("//     $line$", line=line)
    guard = "VELANTRIX_PROXIES_" + module.host_class.upper() + "_H"
    p.print("""\
#ifndef $guard$
#define $guard$

#include <velantrix/proxies/detail/hostcall.h>
#include <velantrix/system.h>

namespace QZ {
class $native$;
}

namespace Velantrix::Proxies {
""", guard=guard, native=module.native_class)
    class_declaration(p, module, common)
    p.print("\n}  // namespace Velantrix::Proxies\n\n#endif")
    return p.text()


def class_declaration(p, module, common):
    cls, field, native = module.host_class, field_name(module), module.native_class
    p.print("""\
// Calls the methods of $name$ on the broker; each waits for the answer. Native
// errors arrive as System::Exception; after Dispose every use raises
// System::ObjectDisposedException. `post` starts the methods without result.
class $cls$ : public System::IDisposable {
public:
  using StringList = System::Collections::Generic::List<System::String>;
  using FloatList = System::Collections::Generic::List<float>;
""", name=module.name, cls=cls)
    with p.indented():
        post_helper_declaration(p, module, common)
        p.print("""
// Looks $name$ up on the broker at pIP:pPort; nothing native is left if that fails.
$cls$(const System::String& pIP, int pPort);
// The same, with every call, the lookup included, bounded by timeoutMs (setTimeout).
$cls$(const System::String& pIP, int pPort, int timeoutMs);
~$cls$() override;
$cls$(const $cls$&) = delete;
$cls$& operator=(const $cls$&) = delete;

// Releases the native proxy and closes its connection; a second call does nothing.
void Dispose() override;

// Bounds every later call as a whole to `milliseconds` (0, the default: no bound); a
// call that runs out raises System::Exception saying "timed out after N ms".
void setTimeout(int milliseconds);
int getTimeout();
// The one member another thread may call: the call in progress on this proxy or its
// post ends at once with a System::Exception saying it was cancelled.
void cancel();

// Methods every module has.""", name=module.name, cls=cls)
        texts = text_forms(module.all_methods(common))
        method_declarations(p, common, texts)
        if module.methods:
            p.print("\n// Methods of $name$.", name=module.name)
            method_declarations(p, module.methods, texts)
    p.print("""
protected:
  virtual void Dispose(bool disposing);

private:
  detail::DisposableNative<QZ::$native$> $field$;

public:
  PostHelper post;  // shares the native proxy above
};""", native=native, field=field)


def post_helper_declaration(p, module, common):
    posted = posted_methods(module, common)
    p.print("""\
// The methods without result, posted: each returns the broker's task id at once,
// which wait, isRunning and stop of the proxy take.
class PostHelper {
public:""")
    with p.indented():
        texts = text_forms(posted)
        for method in posted:
            p.print("int $name$($params$);", name=method.name, params=param_list(method))
            for k in (k for form, k in texts if form is method):
                p.print("int $name$($params$);", name=method.name,
                        params=param_list(method, k))
    p.print("""
private:
  friend class $cls$;
  explicit PostHelper(detail::NativeRef<QZ::$native$> proxy) noexcept;
  detail::NativeRef<QZ::$native$> $field$;  // not owned
};""", cls=module.host_class, native=module.native_class, field=field_name(module))


def method_declarations(p, methods, texts):
    for method in methods:
        result = RESULT_TYPES[method.result]
        p.print("$result$ $name$($params$);", result=result, name=method.name,
                params=param_list(method))
        for k in (k for form, k in texts if form is method):
            p.print("$result$ $name$($params$);", result=result, name=method.name,
                    params=param_list(method, k))


def module_source(module, common, table):
    cls, field, native = module.host_class, field_name(module), module.native_class
    p = Printer()
    banner(p, table)
    p.print("""\
#include <velantrix/proxies/$file$.h>

#include <qzproxies/$native_file$.h>

namespace Velantrix::Proxies {

$cls$::$cls$(const System::String& pIP, int pPort)
    : $field$(detail::DisposableNative<QZ::$native$>::create("$cls$", pIP, pPort)),
      post($field$) {}

$cls$::$cls$(const System::String& pIP, int pPort, int timeoutMs)
    : $field$(detail::DisposableNative<QZ::$native$>::create("$cls$", pIP, pPort, timeoutMs)),
      post($field$) {}

$cls$::~$cls$() = default;

void $cls$::Dispose() {
  Dispose(true);
  System::GC::SuppressFinalize(this);
}

void $cls$::Dispose(bool disposing) {
  if (disposing) $field$.Dispose();
}

void $cls$::setTimeout(int milliseconds) {
  detail::hostCall($field$, VELANTRIX_NATIVE_METHOD(setTimeout), milliseconds);
}

int $cls$::getTimeout() { return detail::hostCall($field$, VELANTRIX_NATIVE_METHOD(getTimeout)); }

void $cls$::cancel() { detail::hostCall($field$, VELANTRIX_NATIVE_METHOD(cancel)); }""", file=cls.lower(), native_file=native.lower(), cls=cls, field=field, native=native)
    methods = module.all_methods(common)
    texts = text_forms(methods)
    for method in methods:
        p.print()
        host_method(p, f"{cls}::", method, RESULT_TYPES[method.result], field, method.name,
                    qualified_result(cls, method.result))
        for k in (k for form, k in texts if form is method):
            p.print()
            text_method(p, f"{cls}::", method, qualified_result(cls, method.result), k)
    p.print()
    p.print("$cls$::PostHelper::PostHelper(detail::NativeRef<QZ::$native$> proxy) noexcept\n"
            "    : $field$(std::move(proxy)) {}", cls=cls, native=native, field=field)
    posted = posted_methods(module, common)
    texts = text_forms(posted)
    for method in posted:
        p.print()
        host_method(p, f"{cls}::PostHelper::", method, "int", field, "post." + method.name,
                    "int")
        for k in (k for form, k in texts if form is method):
            p.print()
            text_method(p, f"{cls}::PostHelper::", method, "int", k)
    p.print("\n}  // namespace Velantrix::Proxies")
    return p.text()


def qualified_result(cls, result):
    """The result type as written before `Class::` in a source file."""
    written = RESULT_TYPES[result]
    return f"{cls}::{written}" if written in CLASS_ALIASES else written


def host_method(p, scope, method, result, field, member, written_result):
    p.print("$result$ $scope$$name$($params$) {", result=written_result, scope=scope,
            name=method.name, params=param_list(method))
    ret = "" if result == "void" else "return "
    p.print("  $ret$detail::hostCall($field$, VELANTRIX_NATIVE_METHOD($member$)$args$);\n}",
            ret=ret, field=field, member=member, args=call_args(method))


def text_method(p, scope, method, written_result, text_at):
    p.print("$result$ $scope$$name$($params$) {", result=written_result, scope=scope,
            name=method.name, params=param_list(method, text_at))
    ret = "" if written_result == "void" else "return "
    p.print("  $ret$$name$($args$);\n}", ret=ret, name=method.name,
            args=text_call_args(method, text_at))


def aggregate_header(catalogue, table):
    p = Printer()
    banner(p, table)
    p.print("""\
// Every host proxy, and the untyped Proxy that reaches any module by name.
#ifndef VELANTRIX_PROXIES_H
#define VELANTRIX_PROXIES_H

#include <velantrix/proxies/proxy.h>""")
    for module in catalogue.modules:
        p.print("#include <velantrix/proxies/$file$.h>", file=module.host_class.lower())
    p.print("\n#endif")
    return p.text()
