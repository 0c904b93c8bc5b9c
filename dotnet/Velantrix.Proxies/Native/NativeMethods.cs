using System.Runtime.InteropServices;

namespace Velantrix.Proxies.Native;

/// <summary>Every entry point of the native library's C ABI (qzcapi.h), with blittable
/// signatures. Nothing else in the assembly declares a foreign function.</summary>
internal static unsafe partial class NativeMethods
{
    private const string Library = "qzremote";

    /// <summary>The call was made; the result holds its answer.</summary>
    internal const int StatusOk = 0;

    /// <summary>The call ran out of the proxy's time-out; the result holds the text.</summary>
    internal const int StatusTimedOut = 3;

    /// <summary>The largest nesting of a value buffer: an Int at the top is one level.</summary>
    internal const int MaxValueDepth = 256;

    // The resolver must be in place before the first call looks the library up.
    static NativeMethods() => NativeLibraryLoader.Register(typeof(NativeMethods).Assembly);

    [LibraryImport(Library, EntryPoint = "qz_proxy_open")]
    internal static partial int ProxyOpen(byte* module, nuint moduleSize, byte* address,
                                          nuint addressSize, int port, int timeoutMs,
                                          out ProxyHandle proxy, NativeResult* error);

    [LibraryImport(Library, EntryPoint = "qz_proxy_set_timeout")]
    internal static partial int ProxySetTimeout(ProxyHandle proxy, int milliseconds, NativeResult* error);

    [LibraryImport(Library, EntryPoint = "qz_proxy_get_timeout")]
    internal static partial int ProxyGetTimeout(ProxyHandle proxy);

    [LibraryImport(Library, EntryPoint = "qz_proxy_cancel")]
    internal static partial void ProxyCancel(ProxyHandle proxy);

    [LibraryImport(Library, EntryPoint = "qz_proxy_close")]
    internal static partial void ProxyClose(nint proxy);

    [LibraryImport(Library, EntryPoint = "qz_call")]
    internal static partial int Call(ProxyHandle proxy, byte* method, nuint methodSize,
                                     byte* args, nuint argsSize, int resultKind,
                                     NativeResult* result);

    [LibraryImport(Library, EntryPoint = "qz_post")]
    internal static partial int Post(ProxyHandle proxy, byte* method, nuint methodSize,
                                     byte* args, nuint argsSize, NativeResult* result);

    [LibraryImport(Library, EntryPoint = "qz_result_free")]
    internal static partial void ResultFree(NativeResult* result);
}
