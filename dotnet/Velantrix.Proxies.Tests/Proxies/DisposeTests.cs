using System;
using System.Runtime.CompilerServices;
using System.Threading;
using System.Threading.Tasks;
using Velantrix.Proxies.Tests.Support;
using Xunit;

namespace Velantrix.Proxies.Tests.Proxies;

/// <summary>The life of a native proxy: released exactly once, by Dispose or by the
/// collector, never under a call that is still using it, and never used after.</summary>
public sealed class DisposeTests : IDisposable
{
    private static readonly TimeSpan Limit = TimeSpan.FromSeconds(10);

    private readonly RecordingBroker _broker = new() { OnCall = _ => BrokerReply.Result(BrokerAnswers.Bool(true)) };

    public void Dispose() => _broker.Dispose();

    [Fact]
    public void Dispose_closes_the_connection_and_a_second_dispose_does_nothing()
    {
        var motion = new MotionProxy("127.0.0.1", _broker.Port);
        Assert.True(_broker.WaitForOpenConnections(1, Limit));
        motion.Dispose();
        Assert.True(_broker.WaitForOpenConnections(0, Limit), "Dispose leaves the connection open");
        motion.Dispose();
        Assert.Equal(1, _broker.ConnectionsAccepted);
    }

    [Fact]
    public void Every_use_after_dispose_raises_object_disposed_naming_the_class_and_sends_nothing()
    {
        var memory = new MemoryProxy("127.0.0.1", _broker.Port);
        int requests = _broker.Calls.Count;
        memory.Dispose();

        void Disposed(Action use)
        {
            var refused = Assert.Throws<ObjectDisposedException>(use);
            Assert.Equal("MemoryProxy", refused.ObjectName);
        }

        Disposed(() => memory.ping());
        Disposed(() => memory.insertData("k", 1));
        Disposed(() => memory.getData("k"));
        Disposed(() => memory.post.removeData("k"));
        Disposed(() => memory.post.exit());
        Disposed(() => memory.insertData(null!, (object)null!));  // disposal is checked first
        Assert.Equal(requests, _broker.Calls.Count);
    }

    [Fact]
    public void The_untyped_proxy_is_disposed_the_same_way()
    {
        var proxy = new Proxy("QZMemory", "127.0.0.1", _broker.Port);
        proxy.Dispose();
        proxy.Dispose();
        Assert.Equal("Proxy", Assert.Throws<ObjectDisposedException>(() => proxy.genericCall("ping", new object())).ObjectName);
        Assert.Throws<ObjectDisposedException>(() => proxy.genericVoidCall("exit", new object()));
        Assert.Throws<ObjectDisposedException>(() => proxy.genericPost("exit", new object()));
        Assert.True(_broker.WaitForOpenConnections(0, Limit));
    }

    [Fact]
    public void A_proxy_nobody_disposed_is_released_when_the_collector_finds_it()
    {
        using var kept = new MotionProxy("127.0.0.1", _broker.Port);
        ForgetAProxy(_broker.Port);
        Assert.True(_broker.WaitForOpenConnections(2, Limit));
        bool released = false;
        for (int round = 0; round < 100 && !released; round++)
        {
            GC.Collect();
            GC.WaitForPendingFinalizers();
            released = _broker.WaitForOpenConnections(1, TimeSpan.FromMilliseconds(100));
        }
        Assert.True(released, "the collector never released the native proxy");
        Assert.True(kept.ping(), "the collector released a proxy still in use");
        Assert.Equal(1, _broker.ConnectionsOpen);
    }

    [Fact]
    public async Task Dispose_during_a_call_waits_for_the_call_to_finish_before_releasing()
    {
        using var entered = new ManualResetEventSlim();
        using var release = new ManualResetEventSlim();
        _broker.OnCall = _ =>
        {
            entered.Set();
            release.Wait(Limit);
            return BrokerReply.Result(BrokerAnswers.Bool(true));
        };
        var motion = new MotionProxy("127.0.0.1", _broker.Port);
        Task<bool> call = Task.Run(() => motion.ping());
        Assert.True(entered.Wait(Limit));

        motion.Dispose();
        Assert.Throws<ObjectDisposedException>(() => motion.ping());
        Assert.Equal(1, _broker.ConnectionsOpen);

        release.Set();
        Assert.True(await call.WaitAsync(Limit));
        Assert.True(_broker.WaitForOpenConnections(0, Limit), "the release after the call never came");
    }

    [MethodImpl(MethodImplOptions.NoInlining)]
    private static void ForgetAProxy(int port)
    {
        var forgotten = new LedsProxy("127.0.0.1", port);
        GC.KeepAlive(forgotten);
    }
}
