using System;
using System.Collections.Generic;
using Velantrix.Proxies.Native;
using Velantrix.Proxies.Tests.Support;
using Xunit;

namespace Velantrix.Proxies.Tests.Native;

/// <summary>The argument buffer a call hands to the library: one Array of the arguments,
/// or Invalid for none, built in the thread's reused writer.</summary>
public class ArgumentBufferTests
{
    private static string Finish(Action<ValueWriter> write)
    {
        ValueWriter writer = ValueWriter.Rent();
        writer.BeginArguments();
        write(writer);
        string shown = Bytes.Show(writer.FinishArguments());
        ValueWriter.Return(writer);
        return shown;
    }

    [Fact]
    public void A_call_without_arguments_carries_invalid_not_an_empty_array()
    {
        Assert.Equal("00 00 00 00 00", Finish(_ => { }));
    }

    [Fact]
    public void The_arguments_form_one_array_in_declared_order()
    {
        string shown = Finish(w =>
        {
            w.NextArgument();
            w.WriteString("a");
            w.NextArgument();
            w.WriteInt(2);
            w.NextArgument();
            w.WriteBool(true);
        });
        Assert.Equal("01 03 00 00 00 05 01 00 00 00 61 03 04 00 00 00 02 00 00 00 02 01 00 00 00 01", shown);
    }

    [Fact]
    public void A_list_argument_stays_one_element()
    {
        string shown = Finish(w =>
        {
            w.NextArgument();
            w.WriteFloatList(new List<float> { 1f, -2f });
            w.NextArgument();
            w.WriteStringList(new List<string> { "x" });
        });
        Assert.Equal("01 02 00 00 00" +
                     " 01 02 00 00 00 04 04 00 00 00 00 00 80 3F 04 04 00 00 00 00 00 00 C0" +
                     " 01 01 00 00 00 05 01 00 00 00 78", shown);
    }

    [Fact]
    public void The_writer_grows_for_big_arguments_and_is_reused_clean()
    {
        var big = new byte[1 << 20];
        big[^1] = 0xAB;
        ValueWriter first = ValueWriter.Rent();
        first.BeginArguments();
        first.NextArgument();
        first.WriteObject(big, 2);
        ReadOnlySpan<byte> buffer = first.FinishArguments();
        Assert.Equal(5 + 5 + big.Length, buffer.Length);
        Assert.Equal(0xAB, buffer[^1]);
        ValueWriter.Return(first);

        ValueWriter second = ValueWriter.Rent();
        Assert.Same(first, second);
        second.BeginArguments();
        Assert.Equal("00 00 00 00 00", Bytes.Show(second.FinishArguments()));
        ValueWriter.Return(second);
    }

    [Fact]
    public void A_writer_in_use_is_never_handed_out_twice()
    {
        ValueWriter outer = ValueWriter.Rent();
        ValueWriter inner = ValueWriter.Rent();
        Assert.NotSame(outer, inner);
        ValueWriter.Return(inner);
        ValueWriter.Return(outer);
    }
}
