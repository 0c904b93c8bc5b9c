using System;
using System.Runtime.InteropServices;

namespace Velantrix.Proxies.Native;

/// <summary>The native qz_result record: a result, or the text of a failure. The library
/// owns what <see cref="Storage"/> holds until <see cref="NativeMethods.ResultFree"/>.</summary>
[StructLayout(LayoutKind.Sequential)]
internal unsafe struct NativeResult
{
    public int Number;
    public float Real;
    public byte* Data;
    public nuint Size;
    public nuint Count;
    public void* Storage;

    /// <summary>The bytes at <see cref="Data"/>; valid until the record is freed.</summary>
    public readonly ReadOnlySpan<byte> Bytes =>
        Data == null ? ReadOnlySpan<byte>.Empty : new ReadOnlySpan<byte>(Data, checked((int)Size));

    /// <summary>The element count of a list result.</summary>
    public readonly int ElementCount => checked((int)Count);
}

/// <summary>The forms in which qz_call hands an answer back. <see cref="Value"/> takes
/// the answer as it comes (an untyped call); every later kind first checks that a value
/// came back, as a typed call does.</summary>
internal enum ResultKind
{
    None = 0,
    Value = 1,
    Int = 2,
    Bool = 3,
    Float = 4,
    String = 5,
    StringList = 6,
    FloatList = 7,
    Object = 8,
}
