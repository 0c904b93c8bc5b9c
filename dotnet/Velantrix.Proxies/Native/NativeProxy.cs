using System;
using System.Runtime.InteropServices;
using System.Text;

namespace Velantrix.Proxies.Native;

/// <summary>The native proxy of one module, as a public proxy class holds it: the handle,
/// and the class name that ObjectDisposedException reports. A typed proxy and its
/// PostHelper share one.</summary>
internal sealed unsafe class NativeProxy : IDisposable
{
    // A name or buffer of no bytes still needs an address: the library refuses null ones.
    private static readonly byte[] s_nothing = new byte[1];

    private readonly ProxyHandle _handle;
    private readonly string _ownerName;

    // Set by Dispose. The handle alone cannot tell: it counts as closed only once the last
    // call using it has returned, and a call started meanwhile would share the connection.
    private volatile bool _disposed;

    private NativeProxy(ProxyHandle handle, string ownerName)
    {
        _handle = handle;
        _ownerName = ownerName;
    }

    /// <summary>Looks <paramref name="module"/> up on the broker at address:port. A null
    /// address raises the UTF-8 encoder's ArgumentNullException before anything native is
    /// made; a failed lookup raises the native text, and nothing is left allocated.</summary>
    internal static NativeProxy Open(ReadOnlySpan<byte> module, string address, int port, int timeoutMs,
                                     string ownerName)
    {
        byte[] addressBytes = Encoding.UTF8.GetBytes(address);
        return Open(module, addressBytes, port, CheckedTimeout(timeoutMs), ownerName);
    }

    /// <summary>The same for a module named at run time: the address is converted first,
    /// then the module name.</summary>
    internal static NativeProxy Open(string module, string address, int port, int timeoutMs, string ownerName)
    {
        byte[] addressBytes = Encoding.UTF8.GetBytes(address);
        return Open(Encoding.UTF8.GetBytes(module), addressBytes, port, CheckedTimeout(timeoutMs), ownerName);
    }

    private static int CheckedTimeout(int timeoutMs) =>
        timeoutMs >= 0 ? timeoutMs
                       : throw new ArgumentOutOfRangeException(nameof(timeoutMs), timeoutMs,
                                                               "A time-out is 0 (no bound) or a positive number of milliseconds.");

    private static NativeProxy Open(ReadOnlySpan<byte> module, ReadOnlySpan<byte> address, int port, int timeoutMs,
                                    string ownerName)
    {
        NativeResult error = default;
        ProxyHandle handle;
        int status;
        fixed (byte* modulePointer = &Pin(module))
        fixed (byte* addressPointer = &Pin(address))
        {
            status = NativeMethods.ProxyOpen(modulePointer, (nuint)module.Length, addressPointer,
                                             (nuint)address.Length, port, timeoutMs, out handle, &error);
        }
        if (status != NativeMethods.StatusOk)
        {
            handle.Dispose();  // holds no native proxy: the library released what it made
            throw NativeErrors.Take(status, &error);
        }
        return new NativeProxy(handle, ownerName);
    }

    /// <summary>Starts a call of <paramref name="method"/>: checks that the proxy is not
    /// disposed, then collects the arguments that the returned call is given.</summary>
    internal NativeCall Call(ReadOnlySpan<byte> method)
    {
        ThrowIfDisposed();
        ValueWriter args = ValueWriter.Rent();
        args.BeginArguments();
        return new NativeCall(this, method, args);
    }

    /// <summary>Starts a call whose arguments are one host value converted whole, as the
    /// untyped Proxy sends them: <paramref name="args"/> first, then the method name.</summary>
    internal NativeCall CallWhole(string methodName, object args)
    {
        ThrowIfDisposed();
        ValueWriter writer = ValueWriter.Rent();
        writer.WriteObject(args, 1);
        return new NativeCall(this, Encoding.UTF8.GetBytes(methodName), writer);
    }

    internal void ThrowIfDisposed()
    {
        if (_disposed)
        {
            NativeErrors.ThrowDisposed(_ownerName);
        }
    }

    /// <summary>Sends the call and waits; on success <paramref name="result"/> holds the
    /// answer in the form <paramref name="kind"/> names, and the caller frees it.</summary>
    internal void Invoke(ReadOnlySpan<byte> method, ReadOnlySpan<byte> args, ResultKind kind, NativeResult* result)
    {
        int status;
        try
        {
            fixed (byte* methodPointer = &Pin(method))
            fixed (byte* argsPointer = &Pin(args))
            {
                status = NativeMethods.Call(_handle, methodPointer, (nuint)method.Length, argsPointer,
                                            (nuint)args.Length, (int)kind, result);
            }
        }
        catch (ObjectDisposedException)
        {
            throw NativeErrors.Disposed(_ownerName);  // disposed after the check, before the call
        }
        if (status != NativeMethods.StatusOk)
        {
            throw NativeErrors.Take(status, result);
        }
    }

    /// <summary>Posts the call; returns the broker's task id.</summary>
    internal int Post(ReadOnlySpan<byte> method, ReadOnlySpan<byte> args)
    {
        NativeResult result = default;
        int status;
        try
        {
            fixed (byte* methodPointer = &Pin(method))
            fixed (byte* argsPointer = &Pin(args))
            {
                status = NativeMethods.Post(_handle, methodPointer, (nuint)method.Length, argsPointer,
                                            (nuint)args.Length, &result);
            }
        }
        catch (ObjectDisposedException)
        {
            throw NativeErrors.Disposed(_ownerName);
        }
        if (status != NativeMethods.StatusOk)
        {
            throw NativeErrors.Take(status, &result);
        }
        int taskId = result.Number;
        NativeResults.Free(&result);
        return taskId;
    }

    /// <summary>How long each call may take as a whole; <see
    /// cref="System.Threading.Timeout.InfiniteTimeSpan"/> for no bound. Values follow the
    /// runtime's own time-outs: infinite, or more than zero and at most int.MaxValue
    /// milliseconds (a fraction of a millisecond counts as a whole one).</summary>
    internal TimeSpan Timeout
    {
        get
        {
            ThrowIfDisposed();
            int milliseconds;
            try
            {
                milliseconds = NativeMethods.ProxyGetTimeout(_handle);
            }
            catch (ObjectDisposedException)
            {
                throw NativeErrors.Disposed(_ownerName);  // disposed after the check
            }
            return milliseconds == 0 ? System.Threading.Timeout.InfiniteTimeSpan : TimeSpan.FromMilliseconds(milliseconds);
        }
        set
        {
            int milliseconds;
            if (value == System.Threading.Timeout.InfiniteTimeSpan)
            {
                milliseconds = 0;
            }
            else if (value > TimeSpan.Zero && value.TotalMilliseconds <= int.MaxValue)
            {
                milliseconds = (int)Math.Ceiling(value.TotalMilliseconds);
            }
            else
            {
                throw new ArgumentOutOfRangeException(nameof(value), value,
                    "A time-out is Timeout.InfiniteTimeSpan, or more than zero and at most int.MaxValue milliseconds.");
            }
            ThrowIfDisposed();
            NativeResult error = default;
            int status;
            try
            {
                status = NativeMethods.ProxySetTimeout(_handle, milliseconds, &error);
            }
            catch (ObjectDisposedException)
            {
                throw NativeErrors.Disposed(_ownerName);
            }
            if (status != NativeMethods.StatusOk)
            {
                throw NativeErrors.Take(status, &error);
            }
        }
    }

    /// <summary>Ends the call in progress on this proxy, from any thread; nothing without
    /// one.</summary>
    internal void Cancel()
    {
        ThrowIfDisposed();
        try
        {
            NativeMethods.ProxyCancel(_handle);
        }
        catch (ObjectDisposedException)
        {
            throw NativeErrors.Disposed(_ownerName);
        }
    }

    /// <summary>Releases the native proxy once no call is using it any more; a second call
    /// does nothing.</summary>
    public void Dispose()
    {
        _disposed = true;
        _handle.Dispose();
    }

    private static ref readonly byte Pin(ReadOnlySpan<byte> bytes) =>
        ref bytes.IsEmpty ? ref s_nothing[0] : ref MemoryMarshal.GetReference(bytes);
}
