using System;
using System.Collections.Generic;
using System.Text;
using Velantrix.Proxies.Native;

namespace Velantrix.LanguageCompatibility;

/// <summary>Conversions between host values and native values. Stateless: every operation
/// is static, and the instance exists only for callers that want one.</summary>
/// <remarks>Host errors leave as they are: a null object, list or list element raises
/// <see cref="NullReferenceException"/>, a null string the UTF-8 encoder's <see
/// cref="ArgumentNullException"/>. Strings are UTF-8 both ways, with explicit lengths, so
/// embedded NUL characters survive.</remarks>
public sealed class Convert : IDisposable
{
    /// <summary>An instance of the stateless class.</summary>
    public Convert()
    {
    }

    /// <summary>Does nothing: the class holds nothing.</summary>
    public void Dispose()
    {
    }

    /// <summary>The general conversion of a host value, decided by its exact run-time type:
    /// a <c>byte[]</c> becomes Binary with its bytes, a <c>short[]</c> Binary with two bytes
    /// per element, low byte first (either one empty becomes Invalid); any other <see
    /// cref="System.Collections.IList"/> an Array of its elements converted in turn; a boxed
    /// <c>bool</c>, <c>float</c> or <c>int</c> and a string their kinds; anything else
    /// (a double, a long, a char, an enum, a decimal...) Invalid.</summary>
    /// <param name="param">The host value.</param>
    /// <returns>The native value.</returns>
    /// <exception cref="NullReferenceException"><paramref name="param"/> or an element of a
    /// list in it is null.</exception>
    /// <exception cref="ArgumentException">Lists nest deeper than 256 levels, or a list
    /// contains itself.</exception>
    public static QZValue ToNativeType(object param)
    {
        ValueWriter writer = ValueWriter.Rent();
        try
        {
            writer.WriteObject(param, 1);
            return QZValue.Own(writer.Written.ToArray());
        }
        finally
        {
            ValueWriter.Return(writer);
        }
    }

    /// <summary>The UTF-8 bytes of a text; an unpaired surrogate becomes EF BF BD.</summary>
    /// <param name="s">The text.</param>
    /// <returns>A new array of the bytes, as many as the encoder gives.</returns>
    /// <exception cref="ArgumentNullException"><paramref name="s"/> is null.</exception>
    public static byte[] ToNativeType(string s) => marshalString(s);

    /// <summary>The native string list of a list of texts: each element's UTF-8 bytes, in
    /// order.</summary>
    /// <param name="pParam">The texts.</param>
    /// <returns>A new array of byte strings, one per element.</returns>
    /// <exception cref="NullReferenceException"><paramref name="pParam"/> is null.</exception>
    /// <exception cref="ArgumentNullException">An element is null.</exception>
    public static byte[][] ToNativeType(List<string> pParam)
    {
        var strings = new byte[pParam.Count][];
        for (int i = 0; i < strings.Length; i++)
        {
            strings[i] = ToNativeType(pParam[i]);
        }
        return strings;
    }

    /// <summary>The native float list of a list of floats, in order.</summary>
    /// <param name="pParam">The floats.</param>
    /// <returns>A new array of the floats.</returns>
    /// <exception cref="NullReferenceException"><paramref name="pParam"/> is null.</exception>
    public static float[] ToNativeType(List<float> pParam) => pParam.ToArray();

    /// <summary>The host form of a native value: an Array becomes a <see
    /// cref="System.Collections.ArrayList"/> at every depth, Bool, Int and Float boxed
    /// values, a String a text decoded as UTF-8 whole (invalid bytes become U+FFFD), Binary a
    /// new <c>byte[]</c>, and Invalid and Object a new plain object (never null).</summary>
    /// <param name="value">The native value.</param>
    /// <returns>A new host value; nothing is shared with <paramref name="value"/>.</returns>
    /// <exception cref="ArgumentNullException"><paramref name="value"/> is null.</exception>
    public static object ToDotNetType(QZValue value)
    {
        ArgumentNullException.ThrowIfNull(value);
        return ValueReader.ToHost(value.Encoded.Span);
    }

    /// <summary>The host list of a native string list, each decoded as UTF-8 whole.</summary>
    /// <param name="pParam">The byte strings.</param>
    /// <returns>A new list of texts in the same order.</returns>
    /// <exception cref="ArgumentNullException"><paramref name="pParam"/> or an element is
    /// null.</exception>
    public static List<string> ToDotNetType(byte[][] pParam)
    {
        ArgumentNullException.ThrowIfNull(pParam);
        var list = new List<string>(pParam.Length);
        foreach (byte[] element in pParam)
        {
            ArgumentNullException.ThrowIfNull(element, nameof(pParam));
            list.Add(Encoding.UTF8.GetString(element));
        }
        return list;
    }

    /// <summary>The host list of a native float list.</summary>
    /// <param name="pParam">The floats.</param>
    /// <returns>A new list of the floats in the same order.</returns>
    /// <exception cref="ArgumentNullException"><paramref name="pParam"/> is null.</exception>
    public static List<float> ToDotNetType(float[] pParam)
    {
        ArgumentNullException.ThrowIfNull(pParam);
        return new List<float>(pParam);
    }

    /// <summary>The UTF-8 bytes of a text, with the runtime's encoder (an unpaired surrogate
    /// becomes EF BF BD); the text may hold NUL characters.</summary>
    /// <param name="s">The text.</param>
    /// <returns>A new array of the bytes.</returns>
    /// <exception cref="ArgumentNullException"><paramref name="s"/> is null.</exception>
    public static byte[] marshalString(string s) => Encoding.UTF8.GetBytes(s);

    /// <summary>The text of a String value: all its bytes (NULs included), decoded as UTF-8;
    /// invalid bytes become U+FFFD.</summary>
    /// <param name="value">A value of kind String.</param>
    /// <returns>The text.</returns>
    /// <exception cref="ArgumentNullException"><paramref name="value"/> is null.</exception>
    /// <exception cref="ArgumentException"><paramref name="value"/> is not a String.</exception>
    public static string marshalString(QZValue value)
    {
        ArgumentNullException.ThrowIfNull(value);
        if (value.Kind != QZValueKind.String)
        {
            throw new ArgumentException($"A {value.Kind} value is not a String.", nameof(value));
        }
        return Encoding.UTF8.GetString(value.Encoded.Span[ValueKinds.HeaderSize..]);
    }
}
