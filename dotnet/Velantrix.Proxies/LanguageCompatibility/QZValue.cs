using System;
using Velantrix.Proxies.Native;

namespace Velantrix.LanguageCompatibility;

/// <summary>A native value in its managed form: its kind and its encoded bytes, exactly as
/// they cross into the native library. Immutable; made by <see
/// cref="Convert.ToNativeType(object)"/> or read from bytes by <see
/// cref="FromEncoded"/>.</summary>
/// <remarks>The encoding is one header of five bytes, a kind byte (<see cref="QZValueKind"/>)
/// and a 4-byte little-endian length, then the payload: none for Invalid, the elements one
/// after the other for an Array (whose length counts them), one byte 0 or 1 for Bool, four
/// little-endian bytes for Int and Float, and the bytes themselves for String, Object and
/// Binary. Values nest at most 256 levels deep (an Int at the top is one level).</remarks>
public sealed class QZValue
{
    private readonly byte[] _encoded;

    private QZValue(byte[] encoded, QZValueKind kind)
    {
        _encoded = encoded;
        Kind = kind;
    }

    /// <summary>The value's kind.</summary>
    public QZValueKind Kind { get; }

    /// <summary>The encoded value: header and payload.</summary>
    public ReadOnlyMemory<byte> Encoded => _encoded;

    /// <summary>A value from its encoded form, which is checked and copied.</summary>
    /// <param name="buffer">Exactly one encoded value.</param>
    /// <returns>The value.</returns>
    /// <exception cref="ArgumentException">The bytes are not exactly one well-formed value
    /// (an unknown kind, a length that does not fit, bytes after it, nesting too
    /// deep).</exception>
    public static QZValue FromEncoded(ReadOnlySpan<byte> buffer)
    {
        byte kind = ValueReader.Check(buffer);
        return new QZValue(buffer.ToArray(), (QZValueKind)kind);
    }

    internal static QZValue Own(byte[] encoded) => new(encoded, (QZValueKind)encoded[0]);

    /// <summary>The kind and the size of the encoded form, for diagnostics.</summary>
    /// <returns>For example "String (9 bytes encoded)".</returns>
    public override string ToString() => $"{Kind} ({_encoded.Length} bytes encoded)";
}
