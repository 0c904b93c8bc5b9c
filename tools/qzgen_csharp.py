"""C# layer of the code generator: for each module of the catalogue, the public
class Velantrix.Proxies.<HostClass> with its nested PostHelper, in one file
<HostClass>.g.cs, for the .NET assembly Velantrix.Proxies.

Every method is one expression over the module's native proxy: start the call
by its method name (which checks that the proxy is not disposed), add each
argument by its catalogue type, then finish it with the kind of result the
catalogue declares (or post it, in PostHelper).  The bodies use no locals, and
every type they name is written from global::, so that no method or parameter
name of the catalogue can hide one.
"""

from qzgen_printer import (Printer, banner, check_class_suffix, check_member_names, check_paths,
                           posted_methods)

# The C# keywords: a method may not take one of them as its name, and a parameter
# that does is written with '@'.
CSHARP_KEYWORDS = frozenset("""
    abstract as base bool break byte case catch char checked class const continue
    decimal default delegate do double else enum event explicit extern false finally
    fixed float for foreach goto if implicit in int interface internal is lock long
    namespace new null object operator out override params private protected public
    readonly ref return sbyte sealed short sizeof stackalloc static string struct
    switch this throw true try typeof uint ulong unchecked unsafe ushort using virtual
    void volatile while""".split())
# Members every generated class has (its own and those of System.Object).
CLASS_MEMBERS = frozenset("""
    Dispose post PostHelper Timeout Cancel Equals GetHashCode GetType ToString Finalize
    MemberwiseClone ReferenceEquals""".split())

# A method of this name would capture the constructor's nameof(...) expression.
BODY_NAMES = frozenset(("nameof",))

PROXY_SUFFIX = "Proxy"  # a class named just that would be the hand-written untyped Proxy
NATIVE_PROXY = "global::Velantrix.Proxies.Native.NativeProxy"
LIST = "global::System.Collections.Generic.List"

PARAM_TYPES = {
    "string": "string",
    "int": "int",
    "float": "float",
    "bool": "bool",
    "object": "object",
    "list of strings": f"{LIST}<string>",
    "list of floats": f"{LIST}<float>",
}
RESULT_TYPES = dict(PARAM_TYPES, void="void")

# The call's finishing step for each result type, and what its <returns> says.
FINISH = {
    "void": "Invoke",
    "string": "InvokeString",
    "int": "InvokeInt",
    "float": "InvokeFloat",
    "bool": "InvokeBool",
    "object": "InvokeObject",
    "list of strings": "InvokeStringList",
    "list of floats": "InvokeFloatList",
}
RETURNS = {
    "string": "The answer's text, up to its first NUL character.",
    "int": "The answer, an int.",
    "float": "The answer, a float.",
    "bool": "The answer, a bool.",
    "object": "The answer as a host value: an ArrayList for an Array, a byte[] for "
              "bytes.",
    "list of strings": "The answer, a new list of strings.",
    "list of floats": "The answer, a new list of floats.",
}


def field_name(module):
    """MotionProxy -> fMotion, DCMProxy -> fDCM."""
    return "f" + module.host_class[: -len(PROXY_SUFFIX)]


def file_path(module):
    return f"{module.host_class}.g.cs"


def check(catalogue):
    """Rejects names the generated code cannot carry."""
    seen = {}
    for module in catalogue.modules:
        check_class_suffix("host class", module.host_class, module, PROXY_SUFFIX,
                           " after a name of its own")
        # Names that differ in case only would share a file where case is not told apart.
        check_paths(module, (file_path(module).lower(),), seen)
        own = {module.host_class, field_name(module)}
        reserved = CSHARP_KEYWORDS | CLASS_MEMBERS | BODY_NAMES | own
        check_member_names(module, module.all_methods(catalogue.common), reserved,
                           {field_name(module)}, "the C# class")


def plan(catalogue, table):
    """The files of this layer: (path below the output folder, function that
    returns the file's text).  `table` names the catalogue in the banners."""
    check(catalogue)
    return [(file_path(m), lambda m=m: module_file(m, catalogue.common, table))
            for m in catalogue.modules]


# ---- pieces of a method ---------------------------------------------------------

def identifier(name):
    return "@" + name if name in CSHARP_KEYWORDS else name


def param_list(method):
    return ", ".join(f"{PARAM_TYPES[p.type]} {identifier(p.name)}" for p in method.params)


def call_chain(field, method, finish):
    args = "".join(f".Arg({identifier(p.name)})" for p in method.params)
    return f'{field}.Call("{method.name}"u8){args}.{finish}()'


def xml_text(text):
    return text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")


# ---- sections -------------------------------------------------------------------

def module_file(module, common, table):
    p = Printer(unit="    ")
    p.print("// <auto-generated>")
    banner(p, table)
    p.print("""\
// </auto-generated>
#nullable enable

namespace Velantrix.Proxies;
""")
    class_declaration(p, module, common)
    return p.text()


def class_declaration(p, module, common):
    cls, field = module.host_class, field_name(module)
    p.print("""\
/// <summary>Calls the methods of the broker module <c>$name$</c>; each call waits for the
/// broker's answer.</summary>
/// <remarks>A failure of the broker or of the connection arrives as <see
/// cref="global::System.Exception"/> carrying the native error text. After <see cref="Dispose()"/>
/// every call, through the proxy or its <see cref="post"/>, raises <see
/// cref="global::System.ObjectDisposedException"/>. One proxy serves one thread at a time;
/// distinct proxies may be used from distinct threads at once.</remarks>
public class $cls$ : global::System.IDisposable
{""", name=module.name, cls=cls)
    with p.indented():
        p.print("""\
private readonly $native$ $field$;

/// <summary>Starts the methods of <c>$name$</c> that have no result as tasks on the broker;
/// each returns the task id, which <c>wait</c>, <c>isRunning</c> and <c>stop</c>
/// take.</summary>
public readonly PostHelper post;

/// <summary>Looks the module <c>$name$</c> up on the broker at <paramref name="pIP"/> and
/// <paramref name="pPort"/>, and connects to where the broker says it lives.</summary>
/// <param name="pIP">The broker's IP address, or a host name (a name without a leading digit
/// and without ".local" is looked up with ".local." appended).</param>
/// <param name="pPort">The broker's TCP port.</param>
/// <exception cref="global::System.ArgumentNullException"><paramref name="pIP"/> is
/// null.</exception>
/// <exception cref="global::System.Exception">The broker cannot be reached or does not know
/// the module; nothing is left allocated.</exception>
public $cls$(string pIP, int pPort)
    : this(pIP, pPort, 0)
{
}

/// <summary>Looks the module <c>$name$</c> up as the other constructor does, with every
/// call, the lookup included, bounded by <paramref name="timeoutMs"/> (see <see
/// cref="Timeout"/>).</summary>
/// <param name="pIP">The broker's IP address, or a host name.</param>
/// <param name="pPort">The broker's TCP port.</param>
/// <param name="timeoutMs">Milliseconds each call may take as a whole; 0 for no bound.</param>
/// <exception cref="global::System.ArgumentNullException"><paramref name="pIP"/> is
/// null.</exception>
/// <exception cref="global::System.ArgumentOutOfRangeException"><paramref name="timeoutMs"/>
/// is negative.</exception>
/// <exception cref="global::System.TimeoutException">The lookup took longer.</exception>
/// <exception cref="global::System.Exception">The broker cannot be reached or does not know
/// the module; nothing is left allocated.</exception>
public $cls$(string pIP, int pPort, int timeoutMs)
{
    $field$ = $native$.Open("$name$"u8, pIP, pPort, timeoutMs, nameof($cls$));
    post = new PostHelper($field$);
}

/// <summary>How long each later call may take as a whole: connecting, sending and
/// receiving the whole answer. <see cref="global::System.Threading.Timeout.InfiniteTimeSpan"/>,
/// the default, waits as long as the broker takes. A call that runs out raises <see
/// cref="global::System.TimeoutException"/> with the native text ("... timed out after N ms
/// ..."); the proxy stays usable.</summary>
/// <exception cref="global::System.ArgumentOutOfRangeException">The value is zero, negative
/// (other than infinite) or longer than <see cref="int.MaxValue"/> milliseconds.</exception>
public global::System.TimeSpan Timeout
{
    get => $field$.Timeout;
    set => $field$.Timeout = value;
}

/// <summary>Ends the call in progress on this proxy or its <see cref="post"/> at once, with a
/// <see cref="global::System.Exception"/> saying it was cancelled; does nothing without one.
/// The one member that may be called from another thread while a call is in progress.</summary>
public void Cancel() => $field$.Cancel();

/// <summary>Closes the connection to the broker and releases the native proxy; a second
/// call does nothing.</summary>
public void Dispose()
{
    Dispose(true);
    global::System.GC.SuppressFinalize(this);
}

/// <summary>Releases the native proxy when <paramref name="disposing"/> is true. A proxy
/// that is never disposed is released once the collector finds it unreachable.</summary>
/// <param name="disposing">True when called from <see cref="Dispose()"/>.</param>
protected virtual void Dispose(bool disposing)
{
    if (disposing)
    {
        $field$.Dispose();
    }
}""", native=NATIVE_PROXY, field=field, name=module.name, cls=cls)
        for method in module.all_methods(common):
            p.print()
            method_definition(p, module, method, field)
        p.print()
        post_helper(p, module, common, field)
    p.print("}")


def method_definition(p, module, method, field):
    p.print("/// <summary>Calls <c>$method$</c> of the module <c>$module$</c> and waits for the "
            "answer:\n/// <c>$signature$</c>.</summary>", method=method.name,
            module=module.name, signature=xml_text(str(method)))
    param_docs(p, method)
    if not method.is_void:
        p.print("/// <returns>$text$</returns>", text=RETURNS[method.result])
    exception_docs(p)
    p.print("public $result$ $name$($params$) =>\n    $chain$;",
            result=RESULT_TYPES[method.result], name=method.name, params=param_list(method),
            chain=call_chain(field, method, FINISH[method.result]))


def post_helper(p, module, common, field):
    p.print("""\
/// <summary>The methods of <c>$name$</c> without result, posted: each starts the method as a
/// task on the broker and returns its task id at once.</summary>
public sealed class PostHelper
{""", name=module.name)
    with p.indented():
        p.print("""\
private readonly $native$ $field$;

internal PostHelper($native$ proxy)
{
    $field$ = proxy;
}""", native=NATIVE_PROXY, field=field)
        for method in posted_methods(module, common):
            p.print()
            p.print("/// <summary>Starts <c>$method$</c> of the module <c>$module$</c> as a task "
                    "on the broker:\n/// <c>$signature$</c>.</summary>", method=method.name,
                    module=module.name, signature=xml_text(str(method)))
            param_docs(p, method)
            p.print("/// <returns>The task id, which wait, isRunning and stop of the proxy "
                    "take.</returns>")
            exception_docs(p)
            p.print("public int $name$($params$) =>\n    $chain$;", name=method.name,
                    params=param_list(method), chain=call_chain(field, method, "Post"))
    p.print("}")


def param_docs(p, method):
    for param in method.params:
        p.print('/// <param name="$name$">The argument <c>$name$</c> ($type$).</param>',
                name=param.name, type=param.type)


def exception_docs(p):
    p.print("""\
/// <exception cref="global::System.Exception">The call failed; the message is the native
/// error text.</exception>
/// <exception cref="global::System.ObjectDisposedException">The proxy has been
/// disposed.</exception>""")
