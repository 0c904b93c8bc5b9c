using System;
using System.Collections;
using System.Collections.Generic;
using System.Linq;
using Velantrix.Proxies.Tests.Support;
using Xunit;

namespace Velantrix.Proxies.Tests.Proxies;

/// <summary>Values stored in the simulated broker's memory and read back: every kind,
/// through the typed and the untyped proxies, big ones included.</summary>
public sealed class MemoryRoundTripTests : IClassFixture<SimulatedBroker>, IDisposable
{
    private readonly MemoryProxy _memory;

    public MemoryRoundTripTests(SimulatedBroker broker)
    {
        _memory = new MemoryProxy(broker.Address, broker.Port);
        Broker = broker;
    }

    private SimulatedBroker Broker { get; }

    public void Dispose() => _memory.Dispose();

    private object RoundTrip(string key, object value)
    {
        _memory.insertData(key, value);
        return _memory.getData(key);
    }

    [Fact]
    public void Scalars_and_text_come_back_as_they_went()
    {
        Assert.Equal(true, RoundTrip("kinds/bool", true));
        Assert.Equal(-17, RoundTrip("kinds/int", -17));
        Assert.Equal(2.5f, RoundTrip("kinds/float", 2.5f));
        Assert.Equal("r\u00e9sum\u00e9 \u65e5\u672c", RoundTrip("kinds/string", "r\u00e9sum\u00e9 \u65e5\u672c"));
        Assert.Equal("", RoundTrip("kinds/empty", ""));
    }

    [Fact]
    public void The_typed_overloads_store_their_kinds()
    {
        _memory.insertData("typed/string", "text");
        _memory.insertData("typed/int", 5);
        _memory.insertData("typed/float", 0.5f);
        Assert.Equal("text", _memory.getData("typed/string"));
        Assert.Equal(5, _memory.getData("typed/int"));
        Assert.Equal(0.5f, _memory.getData("typed/float"));
    }

    [Fact]
    public void Kinds_without_a_value_are_stored_as_nothing_which_only_the_untyped_proxy_reads_back()
    {
        _memory.insertData("kinds/double", 1.5);
        _memory.insertData("kinds/empty-bytes", Array.Empty<byte>());
        var failure = Assert.Throws<Exception>(() => _memory.getData("kinds/double"));
        Assert.Equal("\tQZProxy::call\n\tWaiting for the result of a void function", failure.Message);

        using var proxy = new Proxy("QZMemory", Broker.Address, Broker.Port);
        Assert.Equal(typeof(object), proxy.genericCall("getData", new ArrayList { "kinds/empty-bytes" }).GetType());
    }

    [Fact]
    public void Nested_lists_come_back_as_arraylists()
    {
        var value = new ArrayList { "a", 1, new ArrayList { true, new ArrayList() }, new byte[] { 1, 2 } };
        var back = Assert.IsType<ArrayList>(RoundTrip("kinds/nested", value));
        Assert.Equal(4, back.Count);
        Assert.Equal("a", back[0]);
        Assert.Equal(1, back[1]);
        var inner = Assert.IsType<ArrayList>(back[2]);
        Assert.Equal(true, inner[0]);
        Assert.Empty(Assert.IsType<ArrayList>(inner[1]));
        Assert.Equal(new byte[] { 1, 2 }, back[3]);
    }

    [Fact]
    public void Shorts_come_back_as_their_bytes()
    {
        Assert.Equal(new byte[] { 2, 1, 0xFF, 0xFF }, RoundTrip("kinds/shorts", new short[] { 0x0102, -1 }));
    }

    [Fact]
    public void A_block_of_one_mebibyte_comes_back_intact()
    {
        byte[] block = new byte[1 << 20];
        new Random(42).NextBytes(block);
        Assert.Equal(block, Assert.IsType<byte[]>(RoundTrip("big/block", block)));
    }

    [Fact]
    public void A_hundred_thousand_floats_come_back_in_order()
    {
        List<float> floats = Enumerable.Range(0, 100_000).Select(i => i * 0.5f - 1000f).ToList();
        var back = Assert.IsType<ArrayList>(RoundTrip("big/floats", floats));
        Assert.Equal(floats, back.Cast<float>());
    }

    [Fact]
    public void Lists_of_keys_come_back_as_lists_of_strings()
    {
        _memory.insertData("listing/\u00e9/one", 1);
        _memory.insertData("listing/\u00e9/two", 2);
        List<string> keys = _memory.getDataList("listing/\u00e9/");
        Assert.Equal(new[] { "listing/\u00e9/one", "listing/\u00e9/two" }, keys.Where(k => k.StartsWith("listing/", StringComparison.Ordinal)).Order());
    }

    [Fact]
    public void The_untyped_proxy_sends_its_arguments_whole()
    {
        using var proxy = new Proxy("QZMemory", Broker.Address, Broker.Port);
        proxy.genericVoidCall("insertData", new ArrayList { "untyped/value", new ArrayList { 1, "x" } });
        var back = Assert.IsType<ArrayList>(proxy.genericCall("getData", new ArrayList { "untyped/value" }));
        Assert.Equal(new object[] { 1, "x" }, back.ToArray());
        Assert.True(proxy.genericPost("removeData", new ArrayList { "untyped/value" }) > 0);
    }

    [Fact]
    public void A_key_never_stored_fails_with_the_brokers_fault()
    {
        var failure = Assert.Throws<Exception>(() => _memory.getData("never/stored"));
        Assert.StartsWith("\tQZMemory::SOAP error:QZMemory.getData: no value is stored under the key", failure.Message, StringComparison.Ordinal);
        Assert.EndsWith("\n\tSOAP detail: getData(string key) -> object", failure.Message, StringComparison.Ordinal);
    }
}
