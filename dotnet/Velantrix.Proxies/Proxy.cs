using System;
using Velantrix.Proxies.Native;

namespace Velantrix.Proxies;

/// <summary>Reaches any module of the broker by its name, and any of its methods by theirs.
/// Arguments travel as one host value converted whole (see <see
/// cref="LanguageCompatibility.Convert.ToNativeType(object)"/>): an <see
/// cref="System.Collections.ArrayList"/> of the method's arguments becomes one Array, a
/// single boxed int one Int.</summary>
/// <remarks>A failure of the broker or of the connection arrives as <see
/// cref="Exception"/> carrying the native error text; after <see cref="Dispose()"/> every
/// call raises <see cref="ObjectDisposedException"/>. One proxy serves one thread at a
/// time.</remarks>
public class Proxy : IDisposable
{
    private readonly NativeProxy fProxy;

    /// <summary>Looks <paramref name="moduleName"/> up on the broker at <paramref
    /// name="ip"/> and <paramref name="port"/>.</summary>
    /// <param name="moduleName">The module's name on the broker, for example "QZMemory".</param>
    /// <param name="ip">The broker's IP address or host name.</param>
    /// <param name="port">The broker's TCP port.</param>
    /// <exception cref="ArgumentNullException"><paramref name="ip"/> or <paramref
    /// name="moduleName"/> is null.</exception>
    /// <exception cref="Exception">The broker cannot be reached or does not know the module;
    /// nothing is left allocated.</exception>
    public Proxy(string moduleName, string ip, int port)
        : this(moduleName, ip, port, 0)
    {
    }

    /// <summary>Looks <paramref name="moduleName"/> up as the other constructor does, with
    /// every call, the lookup included, bounded by <paramref name="timeoutMs"/> (see <see
    /// cref="Timeout"/>).</summary>
    /// <param name="moduleName">The module's name on the broker, for example "QZMemory".</param>
    /// <param name="ip">The broker's IP address or host name.</param>
    /// <param name="port">The broker's TCP port.</param>
    /// <param name="timeoutMs">Milliseconds each call may take as a whole; 0 for no bound.</param>
    /// <exception cref="ArgumentNullException"><paramref name="ip"/> or <paramref
    /// name="moduleName"/> is null.</exception>
    /// <exception cref="ArgumentOutOfRangeException"><paramref name="timeoutMs"/> is
    /// negative.</exception>
    /// <exception cref="TimeoutException">The lookup took longer.</exception>
    /// <exception cref="Exception">The broker cannot be reached or does not know the module;
    /// nothing is left allocated.</exception>
    public Proxy(string moduleName, string ip, int port, int timeoutMs)
    {
        fProxy = NativeProxy.Open(moduleName, ip, port, timeoutMs, nameof(Proxy));
    }

    /// <summary>How long each later call may take as a whole: connecting, sending and
    /// receiving the whole answer. <see cref="System.Threading.Timeout.InfiniteTimeSpan"/>,
    /// the default, waits as long as the broker takes. A call that runs out raises <see
    /// cref="TimeoutException"/> with the native text; the proxy stays usable.</summary>
    /// <exception cref="ArgumentOutOfRangeException">The value is zero, negative (other than
    /// infinite) or longer than <see cref="int.MaxValue"/> milliseconds.</exception>
    public TimeSpan Timeout
    {
        get => fProxy.Timeout;
        set => fProxy.Timeout = value;
    }

    /// <summary>Ends the call in progress on this proxy at once, with a <see cref="Exception"/>
    /// saying it was cancelled; does nothing without one. The one member that may be called
    /// from another thread while a call is in progress.</summary>
    public void Cancel() => fProxy.Cancel();

    /// <summary>Calls <paramref name="methodName"/> and waits for its answer.</summary>
    /// <param name="methodName">The remote method's name.</param>
    /// <param name="args">The arguments, converted whole.</param>
    /// <returns>The answer as a host value (a new object when it holds nothing).</returns>
    /// <exception cref="NullReferenceException"><paramref name="args"/> is null.</exception>
    /// <exception cref="ArgumentNullException"><paramref name="methodName"/> is
    /// null.</exception>
    /// <exception cref="Exception">The call failed; the message is the native error
    /// text.</exception>
    /// <exception cref="ObjectDisposedException">The proxy has been disposed.</exception>
    public object genericCall(string methodName, object args) =>
        fProxy.CallWhole(methodName, args).InvokeAny();

    /// <summary>Calls <paramref name="methodName"/>, waits for its answer and drops
    /// it.</summary>
    /// <param name="methodName">The remote method's name.</param>
    /// <param name="args">The arguments, converted whole.</param>
    /// <exception cref="NullReferenceException"><paramref name="args"/> is null.</exception>
    /// <exception cref="ArgumentNullException"><paramref name="methodName"/> is
    /// null.</exception>
    /// <exception cref="Exception">The call failed; the message is the native error
    /// text.</exception>
    /// <exception cref="ObjectDisposedException">The proxy has been disposed.</exception>
    public void genericVoidCall(string methodName, object args) =>
        fProxy.CallWhole(methodName, args).Invoke();

    /// <summary>Starts <paramref name="methodName"/> as a task on the broker.</summary>
    /// <param name="methodName">The remote method's name.</param>
    /// <param name="args">The arguments, converted whole.</param>
    /// <returns>The task id, which the module's wait, isRunning and stop take.</returns>
    /// <exception cref="NullReferenceException"><paramref name="args"/> is null.</exception>
    /// <exception cref="ArgumentNullException"><paramref name="methodName"/> is
    /// null.</exception>
    /// <exception cref="Exception">The call failed; the message is the native error
    /// text.</exception>
    /// <exception cref="ObjectDisposedException">The proxy has been disposed.</exception>
    public int genericPost(string methodName, object args) =>
        fProxy.CallWhole(methodName, args).Post();

    /// <summary>Closes the connection to the broker and releases the native proxy; a second
    /// call does nothing.</summary>
    public void Dispose()
    {
        Dispose(true);
        GC.SuppressFinalize(this);
    }

    /// <summary>Releases the native proxy when <paramref name="disposing"/> is true. A proxy
    /// that is never disposed is released once the collector finds it unreachable.</summary>
    /// <param name="disposing">True when called from <see cref="Dispose()"/>.</param>
    protected virtual void Dispose(bool disposing)
    {
        if (disposing)
        {
            fProxy.Dispose();
        }
    }
}
