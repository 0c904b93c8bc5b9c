using System.Collections;
using Velantrix.LanguageCompatibility;
using Convert = Velantrix.LanguageCompatibility.Convert;
using Velantrix.Proxies.Tests.Support;
using Xunit;

namespace Velantrix.Proxies.Tests.Conversion;

/// <summary>Byte blocks and 16-bit samples into Binary values, and the arrays that only look
/// like them to the runtime's type tests.</summary>
public class ToNativeBinaryTests
{
    private static string Encoded(object value) => Bytes.Show(Convert.ToNativeType(value).Encoded.Span);

    [Fact]
    public void A_byte_array_becomes_binary_and_comes_back_as_a_byte_array()
    {
        QZValue native = Convert.ToNativeType(new byte[] { 1, 2, 3 });
        Assert.Equal(QZValueKind.Binary, native.Kind);
        Assert.Equal("07 03 00 00 00 01 02 03", Bytes.Show(native.Encoded.Span));
        Assert.Equal(new byte[] { 1, 2, 3 }, Assert.IsType<byte[]>(Convert.ToDotNetType(native)));
    }

    [Fact]
    public void Shorts_become_two_bytes_each_low_byte_first_and_come_back_as_bytes()
    {
        QZValue native = Convert.ToNativeType(new short[] { 0x0102, -1 });
        Assert.Equal("07 04 00 00 00 02 01 FF FF", Bytes.Show(native.Encoded.Span));
        Assert.Equal(new byte[] { 2, 1, 0xFF, 0xFF }, Assert.IsType<byte[]>(Convert.ToDotNetType(native)));
    }

    [Fact]
    public void Empty_blocks_become_invalid_not_empty_binary()
    {
        Assert.Equal("00 00 00 00 00", Encoded(System.Array.Empty<byte>()));
        Assert.Equal("00 00 00 00 00", Encoded(System.Array.Empty<short>()));
    }

    [Fact]
    public void Arrays_the_runtime_lets_pass_as_bytes_or_shorts_are_lists_of_invalid_elements()
    {
        // The runtime says an sbyte[] "is" a byte[] and a ushort[] "is" a short[]; only the
        // exact types are blocks of bytes.
        object signedBytes = new sbyte[] { 1, -1 };
        object unsignedShorts = new ushort[] { 1 };
        Assert.True(signedBytes is byte[]);
        Assert.True(unsignedShorts is short[]);
        Assert.Equal("01 02 00 00 00 00 00 00 00 00 00 00 00 00 00", Encoded(signedBytes));
        Assert.Equal("01 01 00 00 00 00 00 00 00 00", Encoded(unsignedShorts));
    }

    [Fact]
    public void Other_arrays_are_lists_of_their_elements()
    {
        Assert.Equal("01 02 00 00 00 03 04 00 00 00 01 00 00 00 03 04 00 00 00 02 00 00 00",
                     Encoded(new[] { 1, 2 }));
        Assert.Equal("01 01 00 00 00 04 04 00 00 00 00 00 20 40", Encoded(new[] { 2.5f }));
        Assert.Equal("01 01 00 00 00 00 00 00 00 00", Encoded(new[] { 2.5 }));
        Assert.Equal("01 01 00 00 00 05 01 00 00 00 78", Encoded(new[] { "x" }));
    }

    [Fact]
    public void A_block_inside_a_list_stays_a_block()
    {
        Assert.Equal("01 01 00 00 00 07 02 00 00 00 09 08",
                     Encoded(new ArrayList { new byte[] { 9, 8 } }));
    }
}
