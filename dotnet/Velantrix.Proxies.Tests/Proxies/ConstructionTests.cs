using System;
using System.Net;
using System.Net.Sockets;
using Velantrix.Proxies.Tests.Support;
using Xunit;

namespace Velantrix.Proxies.Tests.Proxies;

/// <summary>Constructing proxies: the lookup on the broker, and what a failed construction
/// reports and leaves behind.</summary>
public sealed class ConstructionTests : IDisposable
{
    private readonly RecordingBroker _broker = new() { OnCall = _ => BrokerReply.Result(BrokerAnswers.Bool(true)) };

    public void Dispose() => _broker.Dispose();

    [Fact]
    public void A_proxy_looks_its_module_up_and_keeps_one_connection()
    {
        using var motion = new MotionProxy("127.0.0.1", _broker.Port);
        Assert.NotNull(motion.post);
        WireCall lookup = _broker.Calls[0];
        Assert.Equal("getModuleByName", lookup.Operation);
        Assert.Equal("QZMotion", lookup.Module);

        motion.ping();
        Assert.Equal(("callTamsa", "QZMotion", "ping"), (_broker.LastCall.Operation, _broker.LastCall.Module, _broker.LastCall.Method));
        Assert.Equal(1, _broker.ConnectionsAccepted);
    }

    [Fact]
    public void A_null_address_raises_argument_null_before_anything_reaches_the_broker()
    {
        Assert.Throws<ArgumentNullException>(() => new MotionProxy(null!, _broker.Port));
        Assert.Throws<ArgumentNullException>(() => new Proxy("QZMotion", null!, _broker.Port));
        Assert.Throws<ArgumentNullException>(() => new Proxy(null!, "127.0.0.1", _broker.Port));
        Assert.Empty(_broker.Calls);
        Assert.Equal(0, _broker.ConnectionsAccepted);
    }

    [Fact]
    public void A_module_the_broker_does_not_know_fails_with_the_lookup_text_and_leaves_nothing_open()
    {
        _broker.UnknownModules.Add("QZMotion");
        var failure = Assert.Throws<Exception>(() => new MotionProxy("127.0.0.1", _broker.Port));
        Assert.Equal($"\tQZNetwork::getModuleByName\n\tfailed to get module QZMotion http://127.0.0.1:{_broker.Port}",
                     failure.Message);
        Assert.Null(failure.InnerException);
        Assert.True(_broker.WaitForOpenConnections(0, TimeSpan.FromSeconds(5)), "the lookup's connection stays open");
    }

    [Fact]
    public void The_untyped_proxy_fails_the_same_way()
    {
        _broker.UnknownModules.Add("QZNoSuchModule");
        var failure = Assert.Throws<Exception>(() => new Proxy("QZNoSuchModule", "127.0.0.1", _broker.Port));
        Assert.Equal($"\tQZNetwork::getModuleByName\n\tfailed to get module QZNoSuchModule http://127.0.0.1:{_broker.Port}",
                     failure.Message);
    }

    [Fact]
    public void An_unreachable_broker_fails_with_the_lookup_text_naming_the_endpoint()
    {
        int port = ClosedPort();
        var failure = Assert.Throws<Exception>(() => new TextToSpeechProxy("127.0.0.1", port));
        Assert.Equal(typeof(Exception), failure.GetType());
        Assert.Equal($"\tQZNetwork::getModuleByName\n\tfailed to get module QZTextToSpeech http://127.0.0.1:{port}",
                     failure.Message);
    }

    /// <summary>A loopback port on which nothing listens.</summary>
    private static int ClosedPort()
    {
        var listener = new TcpListener(IPAddress.Loopback, 0);
        listener.Start();
        int port = ((IPEndPoint)listener.LocalEndpoint).Port;
        listener.Stop();
        return port;
    }
}
