using System;
using System.Buffers.Binary;
using System.Collections.Generic;
using System.Runtime.InteropServices;
using System.Text;

namespace Velantrix.Proxies.Native;

/// <summary>The host forms of the native results that are not value buffers: texts, string
/// lists and float lists, each read from the bytes the native result points at.</summary>
internal static class NativeText
{
    /// <summary>A typed string result or an error text: the bytes up to the first NUL,
    /// decoded as UTF-8 (the host's narrow code page on this platform).</summary>
    internal static string UpToNul(ReadOnlySpan<byte> bytes)
    {
        int nul = bytes.IndexOf((byte)0);
        return Encoding.UTF8.GetString(nul < 0 ? bytes : bytes[..nul]);
    }

    /// <summary>A string list result: <paramref name="count"/> entries, each a 4-byte
    /// little-endian length and that many bytes, every string decoded whole as UTF-8.</summary>
    internal static List<string> StringList(ReadOnlySpan<byte> bytes, int count)
    {
        if (count > bytes.Length / 4)
        {
            throw Damaged("string list", count, bytes.Length);
        }
        var list = new List<string>(count);
        int at = 0;
        for (int i = 0; i < count; i++)
        {
            if (bytes.Length - at < 4)
            {
                throw Damaged("string list", count, bytes.Length);
            }
            uint length = BinaryPrimitives.ReadUInt32LittleEndian(bytes[at..]);
            at += 4;
            if (length > (uint)(bytes.Length - at))
            {
                throw Damaged("string list", count, bytes.Length);
            }
            list.Add(Encoding.UTF8.GetString(bytes.Slice(at, (int)length)));
            at += (int)length;
        }
        return list;
    }

    /// <summary>A float list result: <paramref name="count"/> little-endian floats, copied
    /// into the new list in one block.</summary>
    internal static List<float> FloatList(ReadOnlySpan<byte> bytes, int count)
    {
        if (count > bytes.Length / 4)
        {
            throw Damaged("float list", count, bytes.Length);
        }
        var list = new List<float>(count);
        CollectionsMarshal.SetCount(list, count);
        Span<float> target = CollectionsMarshal.AsSpan(list);
        ReadOnlySpan<byte> source = bytes[..(4 * count)];
        if (BitConverter.IsLittleEndian)
        {
            source.CopyTo(MemoryMarshal.AsBytes(target));
        }
        else
        {
            for (int i = 0; i < count; i++)
            {
                target[i] = BinaryPrimitives.ReadSingleLittleEndian(source[(4 * i)..]);
            }
        }
        return list;
    }

    private static InvalidOperationException Damaged(string what, int count, int size) =>
        new($"The native library returned a {what} of {count} elements in {size} bytes.");
}
