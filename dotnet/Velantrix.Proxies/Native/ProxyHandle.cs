using System.Runtime.InteropServices;

namespace Velantrix.Proxies.Native;

/// <summary>One native module proxy (its connection to the broker). Closed exactly once:
/// by <c>Dispose</c>, or by the collector when the handle becomes unreachable; a call in
/// progress holds a reference that defers the close until it returns.</summary>
internal sealed class ProxyHandle : SafeHandle
{
    /// <summary>An empty handle, which the native open fills in.</summary>
    public ProxyHandle() : base(nint.Zero, ownsHandle: true)
    {
    }

    public override bool IsInvalid => handle == nint.Zero;

    protected override bool ReleaseHandle()
    {
        NativeMethods.ProxyClose(handle);
        return true;
    }
}
