using System;
using System.Diagnostics.CodeAnalysis;

namespace Velantrix.Proxies.Native;

/// <summary>Turns native failures into host exceptions.</summary>
internal static unsafe class NativeErrors
{
    /// <summary>The failure a native function reported with <paramref name="status"/> in
    /// <paramref name="result"/>, as the plain <see cref="Exception"/> the proxies raise: its
    /// message is the native text up to its first NUL, and it has no inner exception. A call
    /// that ran out of its time-out raises <see cref="TimeoutException"/> with that text
    /// instead. Frees the result.</summary>
    [SuppressMessage("Usage", "CA2201:Do not raise reserved exception types",
                     Justification = "Native failures surface as exactly System.Exception.")]
    internal static Exception Take(int status, NativeResult* result)
    {
        string text = NativeText.UpToNul(result->Bytes);
        NativeResults.Free(result);
        return status == NativeMethods.StatusTimedOut ? new TimeoutException(text) : new Exception(text);
    }

    /// <summary>The exception for a use of a disposed proxy, naming its class.</summary>
    internal static ObjectDisposedException Disposed(string ownerName) => new(ownerName);

    [DoesNotReturn]
    internal static void ThrowDisposed(string ownerName) => throw Disposed(ownerName);
}

/// <summary>Releases what a native function left in a result.</summary>
internal static unsafe class NativeResults
{
    /// <summary>Frees the result's storage; a result that holds none (a number, a bool, a
    /// float, a task id) needs no call into the library.</summary>
    internal static void Free(NativeResult* result)
    {
        if (result->Storage != null)
        {
            NativeMethods.ResultFree(result);
        }
    }
}
