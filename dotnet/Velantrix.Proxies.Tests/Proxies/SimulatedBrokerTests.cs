using System;
using System.Collections;
using System.Collections.Generic;
using System.Linq;
using System.Threading;
using System.Threading.Tasks;
using Velantrix.Proxies.Tests.Support;
using Xunit;

namespace Velantrix.Proxies.Tests.Proxies;

/// <summary>Every class against the simulated broker, and proxies used from many threads at
/// once.</summary>
public sealed class SimulatedBrokerTests(SimulatedBroker broker) : IClassFixture<SimulatedBroker>
{
    public static TheoryData<string> HostClasses() => new(CatalogueTable.Modules.Select(m => m.HostClass));

    [Theory]
    [MemberData(nameof(HostClasses))]
    public void Every_class_reaches_its_module_and_pings_it(string hostClass)
    {
        using IDisposable proxy = ProxyClasses.Create(hostClass, broker.Address, broker.Port);
        Type type = proxy.GetType();
        Assert.Equal(true, type.GetMethod("ping")!.Invoke(proxy, null));
        Assert.NotNull(type.GetField("post")!.GetValue(proxy));
    }

    [Fact]
    public async Task Distinct_proxies_work_on_eight_threads_at_once()
    {
        const int threads = 8, rounds = 25;
        using var start = new Barrier(threads);
        Task[] workers = Enumerable.Range(0, threads).Select(t => Task.Factory.StartNew(() =>
        {
            using var memory = new MemoryProxy(broker.Address, broker.Port);
            start.SignalAndWait(TimeSpan.FromSeconds(30));
            for (int i = 0; i < rounds; i++)
            {
                string key = $"threads/{t}/{i}";
                memory.insertData(key, new ArrayList { t, i, key });
                var back = Assert.IsType<ArrayList>(memory.getData(key));
                Assert.Equal(new object[] { t, i, key }, back.ToArray());
            }
        }, TaskCreationOptions.LongRunning)).ToArray();
        await Task.WhenAll(workers).WaitAsync(TimeSpan.FromSeconds(60));
    }

    [Fact]
    public void A_posted_task_is_the_one_wait_and_isRunning_address()
    {
        using var speech = new TextToSpeechProxy(broker.Address, broker.Port);
        int task = speech.post.say("Hello from the tests");
        Assert.True(task > 0);
        Assert.True(speech.wait(task, 0));
        Assert.False(speech.isRunning(task));
        Assert.NotEqual(task, speech.post.say("again"));
    }
}
