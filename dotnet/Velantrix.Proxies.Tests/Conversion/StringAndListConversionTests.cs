using System;
using System.Collections.Generic;
using Velantrix.LanguageCompatibility;
using Convert = Velantrix.LanguageCompatibility.Convert;
using Velantrix.Proxies.Tests.Support;
using Xunit;

namespace Velantrix.Proxies.Tests.Conversion;

/// <summary>The string conversions and the typed lists, both ways.</summary>
public class StringAndListConversionTests
{
    [Fact]
    public void Text_converts_to_its_utf8_bytes_and_back()
    {
        Assert.Equal(new byte[] { 0xC3, 0xA9 }, Convert.ToNativeType("\u00e9"));
        Assert.Equal(new byte[] { 0x61, 0, 0x62 }, Convert.marshalString("a\0b"));
        Assert.Equal(new byte[] { 0xEF, 0xBF, 0xBD }, Convert.marshalString("\udc00"));
        Assert.Empty(Convert.ToNativeType(""));
        Assert.Equal("\u00e9\0", Convert.marshalString(QZValue.FromEncoded(Bytes.Hex("05 03 00 00 00 C3 A9 00"))));
    }

    [Fact]
    public void Null_text_raises_the_encoders_argument_null_error()
    {
        Assert.Throws<ArgumentNullException>(() => Convert.ToNativeType((string)null!));
        Assert.Throws<ArgumentNullException>(() => Convert.marshalString((string)null!));
    }

    [Fact]
    public void Only_a_string_value_has_a_text()
    {
        var wrong = Assert.Throws<ArgumentException>(() => Convert.marshalString(Convert.ToNativeType(3)));
        Assert.Contains("Int", wrong.Message, StringComparison.Ordinal);
    }

    [Fact]
    public void String_lists_keep_order_count_and_every_byte()
    {
        var texts = new List<string> { "b", "", "\u00e9", "a\0b" };
        byte[][] native = Convert.ToNativeType(texts);
        Assert.Equal(4, native.Length);
        Assert.Equal(new byte[] { 0xC3, 0xA9 }, native[2]);
        Assert.Equal(texts, Convert.ToDotNetType(native));
        Assert.Empty(Convert.ToNativeType(new List<string>()));
        Assert.Empty(Convert.ToDotNetType(System.Array.Empty<byte[]>()));
        Assert.Equal(new List<string> { "\ufffd" }, Convert.ToDotNetType(new[] { new byte[] { 0xFF } }));
    }

    [Fact]
    public void Float_lists_keep_order_count_and_value()
    {
        var floats = new List<float> { 1.5f, float.NaN, -0f, float.MaxValue };
        float[] native = Convert.ToNativeType(floats);
        Assert.Equal(floats, native);
        List<float> back = Convert.ToDotNetType(native);
        Assert.Equal(floats, back);
        Assert.NotSame(floats, back);
        Assert.Empty(Convert.ToNativeType(new List<float>()));
        Assert.Empty(Convert.ToDotNetType(System.Array.Empty<float>()));
    }

    [Fact]
    public void Null_lists_raise_the_null_reference_error_and_a_null_text_in_a_list_the_encoders()
    {
        Assert.Throws<NullReferenceException>(() => Convert.ToNativeType((List<string>)null!));
        Assert.Throws<NullReferenceException>(() => Convert.ToNativeType((List<float>)null!));
        Assert.Throws<ArgumentNullException>(() => Convert.ToNativeType(new List<string> { "a", null! }));
    }
}
