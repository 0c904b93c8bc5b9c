using System.Collections;
using Velantrix.LanguageCompatibility;
using Convert = Velantrix.LanguageCompatibility.Convert;
using Velantrix.Proxies.Tests.Support;
using Xunit;

namespace Velantrix.Proxies.Tests.Conversion;

/// <summary>Native values back into host values, from their encoded bytes.</summary>
public class ToHostTests
{
    private static object Host(string hex) => Convert.ToDotNetType(QZValue.FromEncoded(Bytes.Hex(hex)));

    [Fact]
    public void Scalars_come_back_boxed()
    {
        Assert.Equal(true, Host("02 01 00 00 00 01"));
        Assert.Equal(false, Host("02 01 00 00 00 00"));
        Assert.Equal(-2, Assert.IsType<int>(Host("03 04 00 00 00 FE FF FF FF")));
        Assert.Equal(1.5f, Assert.IsType<float>(Host("04 04 00 00 00 00 00 C0 3F")));
    }

    [Fact]
    public void Strings_decode_as_utf8_whole()
    {
        Assert.Equal("\u00e9", Host("05 02 00 00 00 C3 A9"));
        Assert.Equal("a\0b", Host("05 03 00 00 00 61 00 62"));
        Assert.Equal("", Host("05 00 00 00 00"));
        Assert.Equal("a\ufffdb", Host("05 03 00 00 00 61 FF 62"));
        Assert.Equal("\ufffd(", Host("05 02 00 00 00 C3 28"));
    }

    [Fact]
    public void Binary_comes_back_as_a_new_byte_array()
    {
        QZValue native = QZValue.FromEncoded(Bytes.Hex("07 02 00 00 00 00 FF"));
        byte[] first = Assert.IsType<byte[]>(Convert.ToDotNetType(native));
        byte[] second = Assert.IsType<byte[]>(Convert.ToDotNetType(native));
        Assert.Equal(new byte[] { 0, 0xFF }, first);
        Assert.NotSame(first, second);
        first[0] = 9;
        Assert.Equal(0, ((byte[])Convert.ToDotNetType(native))[0]);
    }

    [Fact]
    public void Invalid_and_object_values_come_back_as_new_plain_objects_never_null()
    {
        object invalid = Host("00 00 00 00 00");
        object opaque = Host("06 03 00 00 00 01 02 03");
        Assert.Equal(typeof(object), invalid.GetType());
        Assert.Equal(typeof(object), opaque.GetType());
        Assert.NotSame(invalid, Host("00 00 00 00 00"));
    }

    [Fact]
    public void Arrays_come_back_as_arraylists_at_every_depth_with_capacity_equal_to_count()
    {
        var outer = Assert.IsType<ArrayList>(
            Host("01 03 00 00 00 03 04 00 00 00 01 00 00 00 01 01 00 00 00 05 01 00 00 00 78 01 00 00 00 00"));
        Assert.Equal(3, outer.Count);
        Assert.Equal(3, outer.Capacity);
        Assert.Equal(1, outer[0]);
        var inner = Assert.IsType<ArrayList>(outer[1]);
        Assert.Equal(new object[] { "x" }, inner.ToArray());
        Assert.Equal(1, inner.Capacity);
        var empty = Assert.IsType<ArrayList>(outer[2]);
        Assert.Empty(empty);
    }
}
