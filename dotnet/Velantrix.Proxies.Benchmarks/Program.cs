// The .NET binding against the C++ native proxies, in one run against one simulated
// broker: ping; 100,000 floats sent to QZVideoDevice.getAngPosFromImgPos and received as
// List<float>; a 1 MiB byte[] stored in QZMemory and read back. Each case alternates
// rounds of C# calls with runs of bench_native_calls making the same calls, and reports
// the medians as a ratio with its goal.
//
//   dotnet run -c Release --project dotnet/Velantrix.Proxies.Benchmarks -p:QZNativeDir=build/release [-- ROUNDS]
using System;
using System.Collections.Generic;
using System.Diagnostics;
using System.Globalization;
using System.IO;
using System.Linq;
using System.Reflection;
using Velantrix.Proxies;
using Velantrix.Proxies.Benchmarks;

int rounds = args.Length > 0 ? int.Parse(args[0], CultureInfo.InvariantCulture) : 5;
string nativeDir = typeof(SimulatedBroker).Assembly.GetCustomAttributes<AssemblyMetadataAttribute>()
    .First(a => a.Key == "QZNativeDir").Value!;
string brokerProgram = Path.Combine(nativeDir, "simbroker", "qzbroker-sim");
string baselineProgram = Path.Combine(nativeDir, "bench", "bench_native_calls");
foreach (string program in new[] { brokerProgram, baselineProgram })
{
    if (!File.Exists(program))
    {
        Console.Error.WriteLine($"{program} is not built: build the native folder with -DQZ_BUILD_BENCH=ON");
        return 2;
    }
}

using var broker = new SimulatedBroker(brokerProgram);
var baseline = new NativeBaseline(baselineProgram, broker.Port);
const double RoundSeconds = 0.5;
const string Host = "127.0.0.1";

using var motion = new MotionProxy(Host, broker.Port);
using var video = new VideoDeviceProxy(Host, broker.Port);
using var memory = new MemoryProxy(Host, broker.Port);
var positions = Enumerable.Repeat(0.25f, 100_000).ToList();
var block = new byte[1 << 20];
Array.Fill(block, (byte)0x5a);

var cases = new BenchCase[]
{
    new("ping", "BM_Ping", Higher: false, Goal: 1.10, () => motion.ping()),
    new("100,000 floats as List<float>", "BM_Floats100k", Higher: true, Goal: 0.70, () =>
    {
        List<float> angles = video.getAngPosFromImgPos(positions);
        if (angles.Count != positions.Count) throw new InvalidOperationException("floats lost");
    }),
    new("1 MiB byte[] through QZMemory", "BM_Binary1MiB", Higher: true, Goal: 0.80, () =>
    {
        memory.insertData("bench/binary", block);
        if (memory.getData("bench/binary") is not byte[] back || back.Length != block.Length)
            throw new InvalidOperationException("bytes lost");
    }),
};

Console.WriteLine($"simulated broker on 127.0.0.1:{broker.Port}; {rounds} rounds of {RoundSeconds} s a side");
bool allMet = true;
foreach (BenchCase c in cases)
{
    c.Run();  // warm-up: JIT and the broker's first allocations
    var csharp = new List<double>();
    var native = new List<double>();
    for (int round = 0; round < rounds; round++)
    {
        // Alternating which side goes first spreads any drift of the machine evenly.
        if (round % 2 == 0)
        {
            csharp.Add(SecondsPerCall(c.Run, RoundSeconds));
            native.Add(baseline.SecondsPerCall(c.NativeName, RoundSeconds));
        }
        else
        {
            native.Add(baseline.SecondsPerCall(c.NativeName, RoundSeconds));
            csharp.Add(SecondsPerCall(c.Run, RoundSeconds));
        }
    }
    double ours = Median(csharp), theirs = Median(native);
    // Times for ping (lower is better), throughputs for the bulk cases (higher is better).
    double ratio = c.Higher ? theirs / ours : ours / theirs;
    bool met = c.Higher ? ratio >= c.Goal : ratio <= c.Goal;
    allMet &= met;
    Console.WriteLine(string.Create(CultureInfo.InvariantCulture,
        $"{c.Name}: C# {Format(ours)} per call, C++ {Format(theirs)} per call; " +
        $"{(c.Higher ? "throughput" : "time")} x{ratio:F3} of C++, goal {(c.Higher ? ">=" : "<=")} x{c.Goal:F2}: {(met ? "met" : "MISSED")}"));
}
Console.WriteLine(allMet ? "All goals met." : "Some goals missed.");
return 0;

static double SecondsPerCall(Action call, double seconds)
{
    var clock = Stopwatch.StartNew();
    long calls = 0;
    while (calls < 3 || clock.Elapsed.TotalSeconds < seconds)
    {
        call();
        calls++;
    }
    return clock.Elapsed.TotalSeconds / calls;
}

static double Median(List<double> values)
{
    var sorted = values.Order().ToList();
    int middle = sorted.Count / 2;
    return sorted.Count % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

static string Format(double seconds) => seconds >= 1e-3
    ? string.Create(CultureInfo.InvariantCulture, $"{seconds * 1e3:F2} ms")
    : string.Create(CultureInfo.InvariantCulture, $"{seconds * 1e6:F1} us");

/// <summary>One benchmark case: the C# call and the name of its native twin.</summary>
internal sealed record BenchCase(string Name, string NativeName, bool Higher, double Goal, Action Run);
