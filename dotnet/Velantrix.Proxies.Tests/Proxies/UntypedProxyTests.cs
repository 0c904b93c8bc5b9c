using System;
using System.Collections;
using Velantrix.Proxies.Tests.Support;
using Xunit;

namespace Velantrix.Proxies.Tests.Proxies;

/// <summary>The untyped Proxy on the wire: its arguments travel as one value, converted whole.</summary>
public sealed class UntypedProxyTests : IDisposable
{
    private readonly RecordingBroker _broker = new() { OnCall = _ => BrokerReply.Result(BrokerAnswers.Int(7)) };
    private readonly Proxy _proxy;

    public UntypedProxyTests()
    {
        _proxy = new Proxy("QZLeds", "127.0.0.1", _broker.Port);
    }

    public void Dispose()
    {
        _proxy.Dispose();
        _broker.Dispose();
    }

    [Fact]
    public void An_arraylist_of_two_values_travels_as_one_array_of_two()
    {
        Assert.Equal(7, _proxy.genericCall("fade", new ArrayList { "FaceLeds", 0.5f }));
        WireCall call = _broker.LastCall;
        Assert.Equal(("callTamsa", "QZLeds", "fade"), (call.Operation, call.Module, call.Method));
        Assert.Equal(new[] { "Array" }, call.Top);
        Assert.Equal(new[] { "xsd:string", "xsd:float" }, call.Args);
    }

    [Fact]
    public void A_single_int_travels_as_one_int_not_an_array()
    {
        _proxy.genericVoidCall("stop", 3);
        Assert.Equal(new[] { "xsd:int" }, _broker.LastCall.Top);
        Assert.Empty(_broker.LastCall.Args);
    }

    [Fact]
    public void Nothing_to_send_sends_nothing()
    {
        _proxy.genericCall("ping", new object());
        Assert.Empty(_broker.LastCall.Top);
    }

    [Fact]
    public void A_post_returns_the_brokers_task_id_unchanged()
    {
        int task = _proxy.genericPost("fadeRGB", new ArrayList { "FaceLeds", 0xFF0000, 1.0f });
        Assert.Equal(_broker.LastTaskId, task);
        Assert.Equal("callTamsa2", _broker.LastCall.Operation);
        Assert.Equal(new[] { "xsd:string", "xsd:int", "xsd:float" }, _broker.LastCall.Args);
    }

    [Fact]
    public void Null_arguments_are_host_errors_raised_before_any_call()
    {
        int before = _broker.Calls.Count;
        Assert.Throws<NullReferenceException>(() => _proxy.genericCall("ping", null!));
        Assert.Throws<ArgumentNullException>(() => _proxy.genericCall(null!, new object()));
        Assert.Throws<NullReferenceException>(() => _proxy.genericPost("ping", new ArrayList { null }));
        Assert.Equal(before, _broker.Calls.Count);
    }

    [Fact]
    public void A_typed_proxy_refuses_null_arguments_the_same_way()
    {
        using var memory = new MemoryProxy("127.0.0.1", _broker.Port);
        int before = _broker.Calls.Count;
        Assert.Throws<ArgumentNullException>(() => memory.getData(null!));
        Assert.Throws<NullReferenceException>(() => memory.insertData("k", (object)null!));
        Assert.Throws<NullReferenceException>(() => memory.getDescriptionList(null!));
        Assert.Throws<ArgumentNullException>(() => memory.getDescriptionList([null!]));
        Assert.Throws<NullReferenceException>(() => memory.post.insertData("k", (object)new object[] { null! }));
        Assert.Equal(before, _broker.Calls.Count);
        Assert.Equal(7, memory.getData("k"));  // and the next call goes through
    }
}
