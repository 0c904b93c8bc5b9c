using System;
using System.Collections.Generic;
using System.Linq;
using Velantrix.Proxies.Native;
using Velantrix.Proxies.Tests.Support;
using Xunit;

namespace Velantrix.Proxies.Tests.Native;

/// <summary>The host forms of the native results that are not value buffers: typed strings
/// and error texts, string lists and float lists, read from the bytes the library hands
/// back.</summary>
public class NativeResultFormTests
{
    [Fact]
    public void A_typed_string_or_error_text_ends_at_its_first_nul()
    {
        Assert.Equal("r\u00e9", NativeText.UpToNul(Bytes.Hex("72 C3 A9 00 78")));
        Assert.Equal("", NativeText.UpToNul(Bytes.Hex("00 61")));
        Assert.Equal("\tQZMotion::SOAP error:boom\n\tSOAP detail: ",
                     NativeText.UpToNul("\tQZMotion::SOAP error:boom\n\tSOAP detail: "u8));
        Assert.Equal("\ufffd", NativeText.UpToNul(Bytes.Hex("FF")));
    }

    [Fact]
    public void The_same_bytes_in_a_string_list_come_back_whole()
    {
        List<string> list = NativeText.StringList(Bytes.Hex("05 00 00 00 72 C3 A9 00 78 00 00 00 00 01 00 00 00 62"), 3);
        Assert.Equal(new[] { "r\u00e9\0x", "", "b" }, list);
    }

    [Theory]
    [InlineData("05 00 00 00 61", 1)]        // a length past the end
    [InlineData("01 00 00 00 61", 2)]        // fewer entries than counted
    [InlineData("", 1)]
    public void A_damaged_string_list_is_refused(string hex, int count)
    {
        Assert.Throws<InvalidOperationException>(() => NativeText.StringList(Bytes.Hex(hex), count));
    }

    [Fact]
    public void A_float_list_is_copied_in_one_block()
    {
        float[] floats = Enumerable.Range(0, 100_000).Select(i => i * 0.25f).ToArray();
        byte[] bytes = new byte[floats.Length * 4];
        Buffer.BlockCopy(floats, 0, bytes, 0, bytes.Length);
        List<float> list = NativeText.FloatList(bytes, floats.Length);
        Assert.Equal(floats.Length, list.Count);
        Assert.Equal(floats, list);
        Assert.Empty(NativeText.FloatList([], 0));
        Assert.Throws<InvalidOperationException>(() => NativeText.FloatList(new byte[7], 2));
    }
}
