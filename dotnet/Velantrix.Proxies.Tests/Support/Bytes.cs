using System;
using System.Linq;

namespace Velantrix.Proxies.Tests.Support;

/// <summary>Byte strings written the way tests read best: "05 03 00 00 00 61 62 63".</summary>
internal static class Bytes
{
    public static byte[] Hex(string text) =>
        text.Split(' ', StringSplitOptions.RemoveEmptyEntries)
            .Select(pair => System.Convert.ToByte(pair, 16))
            .ToArray();

    public static string Show(ReadOnlySpan<byte> bytes) =>
        string.Join(" ", bytes.ToArray().Select(b => b.ToString("X2", System.Globalization.CultureInfo.InvariantCulture)));
}
