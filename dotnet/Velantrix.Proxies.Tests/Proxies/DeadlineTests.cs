using System;
using System.Diagnostics;
using System.Net;
using System.Net.Sockets;
using System.Threading;
using System.Threading.Tasks;
using Velantrix.Proxies.Tests.Support;
using Xunit;

namespace Velantrix.Proxies.Tests.Proxies;

/// <summary>Time-outs, cancelling and the one-call-at-a-time guard, as .NET sees them:
/// TimeoutException for a call that runs out, System.Exception for a cancelled or refused
/// one, each carrying the native text.</summary>
public sealed class DeadlineTests : IDisposable
{
    // How late a cut-short call may end after its bound on a busy test machine.
    private static readonly TimeSpan Slack = TimeSpan.FromMilliseconds(1500);

    // Released at the end, so that no broker thread stays in a held call.
    private readonly ManualResetEventSlim _release = new();
    // Set once the broker holds a call: the moment to cancel it or to try a second one.
    private readonly ManualResetEventSlim _holding = new();
    private readonly RecordingBroker _broker;

    public DeadlineTests()
    {
        // "silent" holds its answer until the test ends, "late" gives it after half a second.
        _broker = new RecordingBroker
        {
            OnCall = call =>
            {
                if (call.Method == "getAngles")
                {
                    _holding.Set();
                    _release.Wait(TimeSpan.FromSeconds(20));
                }
                else if (call.Method == "getBrokerName")
                {
                    _holding.Set();
                    Thread.Sleep(500);
                }
                return BrokerReply.Result(call.Method == "getBrokerName" ? BrokerAnswers.String("late")
                                                                         : BrokerAnswers.Bool(true));
            },
        };
    }

    public void Dispose()
    {
        _release.Set();
        _broker.Dispose();
        _release.Dispose();
        _holding.Dispose();
    }

    private string Waiting => $"waiting for http://127.0.0.1:{_broker.Port}";

    [Fact]
    public void The_bound_is_infinite_by_default_and_takes_the_runtimes_time_out_values()
    {
        using var motion = new MotionProxy("127.0.0.1", _broker.Port);
        Assert.Equal(Timeout.InfiniteTimeSpan, motion.Timeout);
        motion.Timeout = TimeSpan.FromMilliseconds(250);
        Assert.Equal(TimeSpan.FromMilliseconds(250), motion.Timeout);
        motion.Timeout = TimeSpan.FromTicks(1);  // part of a millisecond counts as one
        Assert.Equal(TimeSpan.FromMilliseconds(1), motion.Timeout);
        motion.Timeout = Timeout.InfiniteTimeSpan;
        Assert.Equal(Timeout.InfiniteTimeSpan, motion.Timeout);
        foreach (TimeSpan wrong in new[] { TimeSpan.Zero, TimeSpan.FromMilliseconds(-5), TimeSpan.FromDays(30) })
        {
            Assert.Throws<ArgumentOutOfRangeException>(() => motion.Timeout = wrong);
        }
        Assert.Throws<ArgumentOutOfRangeException>(() => new MotionProxy("127.0.0.1", _broker.Port, -1));
        using var bounded = new Proxy("QZMemory", "127.0.0.1", _broker.Port, 400);
        Assert.Equal(TimeSpan.FromMilliseconds(400), bounded.Timeout);
    }

    [Fact]
    public void A_call_that_runs_out_raises_TimeoutException_and_the_proxy_stays_usable()
    {
        using var motion = new MotionProxy("127.0.0.1", _broker.Port, 300);
        var clock = Stopwatch.StartNew();
        var late = Assert.Throws<TimeoutException>(() => motion.getAngles("HeadYaw", true));
        Assert.True(clock.Elapsed < TimeSpan.FromMilliseconds(300) + Slack, $"took {clock.Elapsed}");
        Assert.Equal(typeof(TimeoutException), late.GetType());
        Assert.Equal($"\tQZMotion::getAngles\n\ttimed out after 300 ms {Waiting}", late.Message);
        Assert.Null(late.InnerException);
        Assert.True(motion.ping());  // a new connection; the held answer is never read
    }

    [Fact]
    public void The_bound_of_the_constructor_covers_the_lookup()
    {
        var silent = new TcpListener(IPAddress.Loopback, 0);  // accepts, never answers
        silent.Start();
        try
        {
            int port = ((IPEndPoint)silent.LocalEndpoint).Port;
            var late = Assert.Throws<TimeoutException>(() => new MemoryProxy("127.0.0.1", port, 250));
            Assert.Equal($"\tQZMemory::getModuleByName\n\ttimed out after 250 ms looking the module up at http://127.0.0.1:{port}",
                         late.Message);
        }
        finally
        {
            silent.Stop();
        }
    }

    [Fact]
    public async Task Cancel_from_another_thread_ends_the_call_at_once()
    {
        using var motion = new MotionProxy("127.0.0.1", _broker.Port);
        motion.Cancel();  // nothing in progress: nothing happens
        Task<Exception> held = Task.Run(() => Record(() => motion.getAngles("HeadYaw", true)));
        Assert.True(_holding.Wait(TimeSpan.FromSeconds(10)), "the call never reached the broker");
        var clock = Stopwatch.StartNew();
        motion.Cancel();
        Exception cancelled = await held.WaitAsync(TimeSpan.FromSeconds(10));
        Assert.True(clock.Elapsed < TimeSpan.FromMilliseconds(500), $"took {clock.Elapsed}");
        Assert.Equal(typeof(Exception), cancelled.GetType());
        Assert.Equal($"\tQZMotion::getAngles\n\tthe call was cancelled {Waiting}", cancelled.Message);
        Assert.True(motion.ping());
    }

    [Fact]
    public async Task A_second_thread_is_refused_at_once_and_the_first_call_goes_on()
    {
        using var motion = new MotionProxy("127.0.0.1", _broker.Port);
        Task<string> first = Task.Run(motion.getBrokerName);
        Assert.True(_holding.Wait(TimeSpan.FromSeconds(10)), "the call never reached the broker");
        var refused = Assert.Throws<Exception>(() => motion.post.stop(1));
        Assert.Equal("\tQZMotion::stop\n\tthe proxy is in use by another thread; a proxy makes one call at a time",
                     refused.Message);
        Assert.Equal("late", await first.WaitAsync(TimeSpan.FromSeconds(10)));
    }

    [Fact]
    public void Timeout_and_Cancel_after_dispose_raise_ObjectDisposedException()
    {
        var motion = new MotionProxy("127.0.0.1", _broker.Port);
        motion.Dispose();
        Assert.Throws<ObjectDisposedException>(() => motion.Timeout);
        Assert.Throws<ObjectDisposedException>(() => motion.Timeout = TimeSpan.FromSeconds(1));
        Assert.Throws<ObjectDisposedException>(motion.Cancel);
    }

    private static Exception Record(Action call)
    {
        try
        {
            call();
        }
        catch (Exception e)
        {
            return e;
        }
        throw new InvalidOperationException("the call was not cut short");
    }
}
