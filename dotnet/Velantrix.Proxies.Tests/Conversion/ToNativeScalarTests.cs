using System;
using Velantrix.LanguageCompatibility;
using Convert = Velantrix.LanguageCompatibility.Convert;
using Velantrix.Proxies.Tests.Support;
using Xunit;

namespace Velantrix.Proxies.Tests.Conversion;

/// <summary>Scalars and strings into native values: the exact encoded bytes of each kind,
/// and the host types that have no native kind.</summary>
public class ToNativeScalarTests
{
    private static string Encoded(object value) => Bytes.Show(Convert.ToNativeType(value).Encoded.Span);

    [Theory]
    [InlineData(true, "02 01 00 00 00 01")]
    [InlineData(false, "02 01 00 00 00 00")]
    [InlineData(1, "03 04 00 00 00 01 00 00 00")]
    [InlineData(-2, "03 04 00 00 00 FE FF FF FF")]
    [InlineData(1.5f, "04 04 00 00 00 00 00 C0 3F")]
    [InlineData("abc", "05 03 00 00 00 61 62 63")]
    [InlineData("", "05 00 00 00 00")]
    public void Each_kind_is_encoded_as_kind_byte_length_and_payload(object value, string bytes)
    {
        Assert.Equal(bytes, Encoded(value));
    }

    [Fact]
    public void Text_travels_as_utf8_with_its_nuls_and_a_lone_surrogate_as_the_replacement_character()
    {
        Assert.Equal("05 02 00 00 00 C3 A9", Encoded("\u00e9"));
        Assert.Equal("05 03 00 00 00 61 00 62", Encoded("a\0b"));
        Assert.Equal("05 03 00 00 00 EF BF BD", Encoded("\ud800"));
        Assert.Equal("05 04 00 00 00 F0 9F 98 80", Encoded("\U0001F600"));
    }

    public static TheoryData<object> ValuesWithoutANativeKind() => new()
    {
        1.5,             // double: no widening to Float
        (short)1,        // integers other than 32-bit ones
        (byte)1,
        (sbyte)1,
        (ushort)1,
        1u,
        1L,
        1UL,
        'c',
        1.5m,
        DayOfWeek.Monday,  // an enum is not its underlying int
        new object(),
        new Uri("http://example.org"),
        (IntPtr)1,
    };

    [Theory]
    [MemberData(nameof(ValuesWithoutANativeKind))]
    public void Host_types_without_a_native_kind_become_invalid_without_error(object value)
    {
        QZValue native = Convert.ToNativeType(value);
        Assert.Equal(QZValueKind.Invalid, native.Kind);
        Assert.Equal("00 00 00 00 00", Bytes.Show(native.Encoded.Span));
    }

    [Fact]
    public void A_null_value_raises_the_runtimes_null_reference_error()
    {
        Assert.Throws<NullReferenceException>(() => Convert.ToNativeType((object)null!));
    }
}
