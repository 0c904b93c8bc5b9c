using System;
using System.Linq;
using Velantrix.LanguageCompatibility;
using Convert = Velantrix.LanguageCompatibility.Convert;
using Velantrix.Proxies.Tests.Support;
using Xunit;

namespace Velantrix.Proxies.Tests.Conversion;

/// <summary>The managed form of a native value: a well-formed buffer is taken (and copied),
/// anything else refused before it could be read past its end.</summary>
public class QZValueTests
{
    [Theory]
    [InlineData("", "the header is cut short")]
    [InlineData("03 04 00 00", "the header is cut short")]
    [InlineData("08 00 00 00 00", "unknown kind 8")]
    [InlineData("00 01 00 00 00 00", "does not fit kind 0")]
    [InlineData("02 02 00 00 00 01 01", "does not fit kind 2")]
    [InlineData("03 02 00 00 00 01 01", "does not fit kind 3")]
    [InlineData("05 05 00 00 00 61", "does not fit kind 5")]
    [InlineData("07 FF FF FF FF 00", "does not fit kind 7")]
    [InlineData("01 02 00 00 00 00 00 00 00 00", "does not fit kind 1")]
    [InlineData("01 01 00 00 00 05 05 00 00 00 61", "does not fit kind 5")]
    [InlineData("03 04 00 00 00 01 00 00 00 00", "1 bytes after the value")]
    public void Malformed_buffers_are_refused_saying_where(string hex, string what)
    {
        var refused = Assert.Throws<ArgumentException>(() => QZValue.FromEncoded(Bytes.Hex(hex)));
        Assert.Contains(what, refused.Message, StringComparison.Ordinal);
    }

    [Fact]
    public void Nesting_past_256_levels_is_refused()
    {
        byte[] Nested(int arrays) =>
            Enumerable.Repeat(Bytes.Hex("01 01 00 00 00"), arrays).SelectMany(b => b)
                      .Concat(Bytes.Hex("00 00 00 00 00")).ToArray();

        Assert.Equal(QZValueKind.Array, QZValue.FromEncoded(Nested(255)).Kind);
        var refused = Assert.Throws<ArgumentException>(() => QZValue.FromEncoded(Nested(256)));
        Assert.Contains("deeper than 256 levels", refused.Message, StringComparison.Ordinal);
    }

    [Fact]
    public void A_value_is_its_own_copy_of_the_bytes()
    {
        byte[] bytes = Bytes.Hex("05 01 00 00 00 61");
        QZValue value = QZValue.FromEncoded(bytes);
        bytes[5] = 0x62;
        Assert.Equal(QZValueKind.String, value.Kind);
        Assert.Equal("a", Convert.ToDotNetType(value));
        Assert.Equal("String (6 bytes encoded)", value.ToString());
    }
}
