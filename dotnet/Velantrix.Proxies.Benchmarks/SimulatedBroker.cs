using System;
using System.Diagnostics;

namespace Velantrix.Proxies.Benchmarks;

/// <summary>qzbroker-sim on an ephemeral loopback port, stopped on Dispose.</summary>
internal sealed class SimulatedBroker : IDisposable
{
    private readonly Process _process;

    public SimulatedBroker(string program)
    {
        var start = new ProcessStartInfo(program, ["--bind", "127.0.0.1", "--port", "0"])
        {
            RedirectStandardOutput = true,
            UseShellExecute = false,
        };
        _process = Process.Start(start) ?? throw new InvalidOperationException($"cannot start {program}");
        // It prints "listening on ADDRESS:PORT" once it accepts connections.
        var read = _process.StandardOutput.ReadLineAsync();
        string? line = read.Wait(TimeSpan.FromSeconds(10)) ? read.Result : null;
        if (line is null || !line.StartsWith("listening on ", StringComparison.Ordinal))
        {
            Dispose();
            throw new InvalidOperationException($"{program} did not start within 10 s (it said: '{line}')");
        }
        Port = int.Parse(line[(line.LastIndexOf(':') + 1)..], System.Globalization.CultureInfo.InvariantCulture);
    }

    public int Port { get; }

    public void Dispose()
    {
        if (!_process.HasExited)
        {
            _process.Kill();
            _process.WaitForExit(5000);
        }
        _process.Dispose();
    }
}
