using System.Collections;
using System.Collections.Generic;
using Velantrix.Proxies.Tests.Support;
using Xunit;

namespace Velantrix.Proxies.Tests.Proxies;

/// <summary>The generator's golden classes of its fixture table, compiled into the tests and
/// called: overloads of one remote method, parameters named like C# keywords, a module
/// named without the QZ prefix.</summary>
public sealed class GoldenClassTests : System.IDisposable
{
    private readonly RecordingBroker _broker = new();

    public void Dispose() => _broker.Dispose();

    [Fact]
    public void Two_overloads_call_one_remote_method_with_their_own_arguments()
    {
        using var wheels = new WheelsProxy("127.0.0.1", _broker.Port);
        wheels.move(1f, 2f);
        Assert.Equal(("QZWheels", "move"), (_broker.LastCall.Module, _broker.LastCall.Method));
        Assert.Equal(new[] { "xsd:float", "xsd:float" }, _broker.LastCall.Args);
        wheels.move(1f, 2f, 0.5f, true);
        Assert.Equal("move", _broker.LastCall.Method);
        Assert.Equal(new[] { "xsd:float", "xsd:float", "xsd:float", "xsd:boolean" }, _broker.LastCall.Args);
    }

    [Fact]
    public void A_parameter_named_like_a_keyword_is_an_ordinary_argument()
    {
        _broker.OnCall = _ => BrokerReply.Result(BrokerAnswers.String("done"));
        using var dcm = new DCMLikeProxy("127.0.0.1", _broker.Port);
        Assert.Equal("done", dcm.report(new ArrayList { 1 }, 2));
        Assert.Equal(("DCMLike", "report"), (_broker.LastCall.Module, _broker.LastCall.Method));
        Assert.Equal(new[] { "Array", "xsd:int" }, _broker.LastCall.Args);
        Assert.Equal(_broker.LastTaskId + 1, dcm.post.special("x"));
    }

    [Fact]
    public void Lists_travel_as_arrays_and_come_back_as_typed_lists()
    {
        _broker.OnCall = _ => BrokerReply.Result(BrokerAnswers.Array(BrokerAnswers.Float("0.25"), BrokerAnswers.Int(2)));
        using var wheels = new WheelsProxy("127.0.0.1", _broker.Port);
        Assert.Equal(new List<float> { 0.25f, 2f }, wheels.getSpeeds(["left", "right"]));
        Assert.Equal(new[] { "Array" }, _broker.LastCall.Args);
    }
}
