using System;
using System.Collections.Generic;
using Velantrix.Proxies.Tests.Support;
using Xunit;

namespace Velantrix.Proxies.Tests.Proxies;

/// <summary>What a failing call raises: exactly System.Exception, no inner exception, and
/// the native text to the letter.</summary>
public sealed class ErrorTextTests : IDisposable
{
    private readonly RecordingBroker _broker = new();
    private readonly MotionProxy _motion;

    public ErrorTextTests()
    {
        _motion = new MotionProxy("127.0.0.1", _broker.Port);
    }

    public void Dispose()
    {
        _motion.Dispose();
        _broker.Dispose();
    }

    private static Exception Failure(Action call)
    {
        var failure = Assert.Throws<Exception>(call);
        Assert.Equal(typeof(Exception), failure.GetType());
        Assert.Null(failure.InnerException);
        return failure;
    }

    private void Answer(string itemXml) => _broker.OnCall = _ => BrokerReply.Result(itemXml);

    [Fact]
    public void A_soap_fault_names_the_module_the_fault_string_and_its_detail()
    {
        _broker.OnCall = _ => BrokerReply.Fault("boom", "getMass(string pName) -> float");
        Exception failure = Failure(() => _motion.getMass("Head"));
        Assert.Equal("\tQZMotion::SOAP error:boom\n\tSOAP detail: getMass(string pName) -> float", failure.Message);
    }

    [Fact]
    public void A_fault_with_an_empty_detail_keeps_the_blank_after_detail()
    {
        _broker.OnCall = _ => BrokerReply.Fault("no", "");
        Assert.Equal("\tQZMotion::SOAP error:no\n\tSOAP detail: ", Failure(() => _motion.wakeUp()).Message);
    }

    [Fact]
    public void A_posted_call_reports_its_fault_the_same_way()
    {
        _broker.OnPost = _ => BrokerReply.Fault("busy", "wakeUp() -> void");
        Assert.Equal("\tQZMotion::SOAP error:busy\n\tSOAP detail: wakeUp() -> void",
                     Failure(() => _motion.post.wakeUp()).Message);
    }

    [Theory]
    [InlineData("int", "Float", "Parameter type is Float instead of int")]
    [InlineData("bool", "String", "Parameter type is String instead of bool")]
    [InlineData("float", "String", "Parameter type is String instead of float")]
    [InlineData("string", "Int", "Parameter type is Int instead of string")]
    [InlineData("list of strings", "Int", "Parameter type is Int instead of vector")]
    [InlineData("list of floats", "String", "Parameter type is String instead of vector")]
    public void An_answer_of_the_wrong_kind_names_both_kinds(string result, string sent, string description)
    {
        Answer(sent switch
        {
            "Float" => BrokerAnswers.Float("3"),
            "String" => BrokerAnswers.String("x"),
            _ => BrokerAnswers.Int(3),
        });
        Action call = result switch
        {
            "int" => () => _motion.getMotionCycleTime(),
            "bool" => () => _motion.ping(),
            "float" => () => _motion.getMass("Head"),
            "string" => () => _motion.version(),
            "list of strings" => () => _motion.getMethodList(),
            _ => () => _motion.getRobotVelocity(),
        };
        Assert.Equal("\tconvertFromQZValue::convertFromQZValue\n\t" + description, Failure(call).Message);
    }

    [Fact]
    public void A_typed_result_that_holds_nothing_fails_while_the_untyped_call_gives_an_object()
    {
        Answer(BrokerAnswers.Nil);
        Assert.Equal("\tQZProxy::call\n\tWaiting for the result of a void function",
                     Failure(() => _motion.getRobotConfig()).Message);
        using var proxy = new Proxy("QZMotion", "127.0.0.1", _broker.Port);
        Assert.Equal(typeof(object), proxy.genericCall("getRobotConfig", new object()).GetType());
    }

    [Fact]
    public void Answers_the_converters_accept_convert_as_the_native_proxies_convert_them()
    {
        Answer(BrokerAnswers.Int(5));
        Assert.True(_motion.ping());
        Answer(BrokerAnswers.Int(0));
        Assert.False(_motion.ping());
        Answer(BrokerAnswers.Int(3));
        Assert.Equal(3f, _motion.getMass("Head"));
        Answer(BrokerAnswers.Array(BrokerAnswers.String("a"), BrokerAnswers.Int(1), BrokerAnswers.String("b")));
        Assert.Equal(new List<string> { "a", "b" }, _motion.getMethodList());
    }

    [Fact]
    public void A_typed_string_result_decodes_as_utf8()
    {
        Answer(BrokerAnswers.String("r\u00e9sult"));  // the bytes C3 A9 in the answer
        Assert.Equal("r\u00e9sult", _motion.version());
    }

    [Fact]
    public void The_proxy_stays_usable_after_a_failed_call()
    {
        _broker.OnCall = _ => BrokerReply.Fault("boom", "");
        Failure(() => _motion.ping());
        Answer(BrokerAnswers.Bool(true));
        Assert.True(_motion.ping());
    }
}
