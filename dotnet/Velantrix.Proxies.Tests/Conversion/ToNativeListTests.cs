using System;
using System.Collections;
using System.Collections.Generic;
using Velantrix.LanguageCompatibility;
using Convert = Velantrix.LanguageCompatibility.Convert;
using Velantrix.Proxies.Tests.Support;
using Xunit;

namespace Velantrix.Proxies.Tests.Conversion;

/// <summary>Host lists into Arrays: elements in order, nested lists, empty lists, null
/// elements, and lists too deep to send.</summary>
public class ToNativeListTests
{
    private static string Encoded(object value) => Bytes.Show(Convert.ToNativeType(value).Encoded.Span);

    [Fact]
    public void An_arraylist_of_five_values_becomes_an_array_of_their_kinds()
    {
        var list = new ArrayList { "s", 1, true, 2.5f, new ArrayList() };
        Assert.Equal("01 05 00 00 00" +
                     " 05 01 00 00 00 73" +
                     " 03 04 00 00 00 01 00 00 00" +
                     " 02 01 00 00 00 01" +
                     " 04 04 00 00 00 00 00 20 40" +
                     " 01 00 00 00 00",
                     Encoded(list));
    }

    [Fact]
    public void Generic_lists_are_lists_too()
    {
        Assert.Equal("01 02 00 00 00 05 01 00 00 00 61 05 01 00 00 00 62",
                     Encoded(new List<string> { "a", "b" }));
        Assert.Equal("01 01 00 00 00 04 04 00 00 00 00 00 80 3F", Encoded(new List<float> { 1f }));
        Assert.Equal("01 02 00 00 00 03 04 00 00 00 05 00 00 00 00 00 00 00 00",
                     Encoded(new List<object> { 5, 5.0 }));
    }

    [Fact]
    public void Nested_lists_become_nested_arrays()
    {
        var nested = new ArrayList { new ArrayList { new ArrayList { 7 } }, Array.Empty<int>() };
        Assert.Equal("01 02 00 00 00 01 01 00 00 00 01 01 00 00 00 03 04 00 00 00 07 00 00 00 01 00 00 00 00",
                     Encoded(nested));
    }

    [Fact]
    public void A_null_element_raises_the_null_reference_error()
    {
        Assert.Throws<NullReferenceException>(() => Convert.ToNativeType(new ArrayList { 1, null }));
        Assert.Throws<NullReferenceException>(() => Convert.ToNativeType(new object?[] { new ArrayList { null } }));
    }

    [Fact]
    public void Lists_nest_down_to_the_native_bound_of_256_levels()
    {
        QZValue deepest = Convert.ToNativeType(Nest(255, 1));  // 255 Arrays around an Int
        Assert.Equal(QZValueKind.Array, deepest.Kind);
        Assert.Equal(Nest(255, 1).Count, ((ArrayList)Convert.ToDotNetType(deepest)).Count);

        var tooDeep = Assert.Throws<ArgumentException>(() => Convert.ToNativeType(Nest(256, 1)));
        Assert.Contains("256", tooDeep.Message, StringComparison.Ordinal);
    }

    [Fact]
    public void A_list_that_contains_itself_is_refused_instead_of_overflowing_the_stack()
    {
        var loop = new ArrayList();
        loop.Add(loop);
        var refused = Assert.Throws<ArgumentException>(() => Convert.ToNativeType(loop));
        Assert.Contains("256 levels", refused.Message, StringComparison.Ordinal);
        Assert.Contains("contains itself", refused.Message, StringComparison.Ordinal);

        var absurd = new object[] { null! };
        absurd[0] = absurd;
        Assert.Throws<ArgumentException>(() => Convert.ToNativeType(absurd));
    }

    [Fact]
    public void A_conversion_after_a_refused_one_starts_clean()
    {
        var loop = new ArrayList();
        loop.Add(loop);
        Assert.Throws<ArgumentException>(() => Convert.ToNativeType(loop));
        Assert.Throws<NullReferenceException>(() => Convert.ToNativeType(new ArrayList { 1, null }));
        Assert.Equal("03 04 00 00 00 09 00 00 00", Encoded(9));
    }

    /// <summary><paramref name="levels"/> ArrayLists nested, the innermost holding <paramref name="leaf"/>.</summary>
    private static ArrayList Nest(int levels, object leaf)
    {
        var list = new ArrayList { leaf };
        for (int i = 1; i < levels; i++)
        {
            list = new ArrayList { list };
        }
        return list;
    }
}
