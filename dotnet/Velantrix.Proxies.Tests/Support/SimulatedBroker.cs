using System;
using System.Diagnostics;
using System.IO;
using System.Linq;
using System.Reflection;
using System.Runtime.InteropServices;
using System.Threading.Tasks;

namespace Velantrix.Proxies.Tests.Support;

/// <summary>qzbroker-sim on an ephemeral loopback port, for as long as a test class or
/// collection needs it: started once, stopped with SIGTERM at the end.</summary>
public sealed partial class SimulatedBroker : IDisposable
{
    private static readonly TimeSpan StartLimit = TimeSpan.FromSeconds(10);
    private static readonly TimeSpan StopLimit = TimeSpan.FromSeconds(5);

    private readonly Process _process;
    private readonly Task<string> _errors;

    public SimulatedBroker()
    {
        string program = ProgramPath();
        if (!File.Exists(program))
        {
            throw new InvalidOperationException($"The simulated broker is not built: {program}");
        }
        var start = new ProcessStartInfo(program)
        {
            RedirectStandardOutput = true,
            RedirectStandardError = true,
            UseShellExecute = false,
        };
        foreach (string arg in new[] { "--bind", "127.0.0.1", "--port", "0" })
        {
            start.ArgumentList.Add(arg);
        }
        _process = Process.Start(start) ?? throw new InvalidOperationException($"{program} did not start");
        _errors = _process.StandardError.ReadToEndAsync();

        // "listening on 127.0.0.1:PORT" once it accepts connections: the readiness check.
        Task<string?> line = _process.StandardOutput.ReadLineAsync();
        if (!line.Wait(StartLimit) || line.Result is not string text || !text.StartsWith("listening on ", StringComparison.Ordinal))
        {
            Dispose();
            throw new InvalidOperationException($"The simulated broker did not start: {_errors.Result}");
        }
        Port = int.Parse(text[(text.LastIndexOf(':') + 1)..], System.Globalization.CultureInfo.InvariantCulture);
        // Whatever it prints later is read away, so that it never blocks on a full pipe.
        _ = _process.StandardOutput.ReadToEndAsync();
    }

    public string Address { get; } = "127.0.0.1";

    public int Port { get; }

    public static string ProgramPath() =>
        typeof(SimulatedBroker).Assembly.GetCustomAttributes<AssemblyMetadataAttribute>()
            .Single(a => a.Key == "QZBrokerSim").Value!;

    public void Dispose()
    {
        if (!_process.HasExited)
        {
            _ = Kill(_process.Id, SigTerm);
            if (!_process.WaitForExit(StopLimit))
            {
                _process.Kill();
                _process.WaitForExit(StopLimit);
            }
        }
        _process.Dispose();
    }

    private const int SigTerm = 15;

    [LibraryImport("libc", EntryPoint = "kill")]
    private static partial int Kill(int pid, int signal);
}
