using System;
using System.Diagnostics;
using System.Globalization;
using System.Text.Json;

namespace Velantrix.Proxies.Benchmarks;

/// <summary>
/// The same calls through the C++ native proxies: bench_native_calls (Google Benchmark),
/// run once per round against the same broker; its real time per call is the baseline.
/// </summary>
internal sealed class NativeBaseline(string program, int port)
{
    /// <summary>Seconds per call of the case <paramref name="benchmark"/> (e.g. "BM_Ping").</summary>
    public double SecondsPerCall(string benchmark, double minSeconds)
    {
        var start = new ProcessStartInfo(program,
            [$"--port={port}", $"--benchmark_filter=^{benchmark}/", "--benchmark_format=json",
             $"--benchmark_min_time={minSeconds.ToString(CultureInfo.InvariantCulture)}"])
        {
            RedirectStandardOutput = true,
            RedirectStandardError = true,
            UseShellExecute = false,
        };
        using var process = Process.Start(start) ?? throw new InvalidOperationException($"cannot start {program}");
        var output = process.StandardOutput.ReadToEndAsync();
        var errors = process.StandardError.ReadToEndAsync();
        if (!process.WaitForExit(120_000))
        {
            process.Kill();
            throw new InvalidOperationException($"{program} did not finish within 120 s");
        }
        using JsonDocument report = JsonDocument.Parse(output.Result);
        foreach (JsonElement run in report.RootElement.GetProperty("benchmarks").EnumerateArray())
        {
            if (run.TryGetProperty("error_occurred", out JsonElement failed) && failed.GetBoolean())
            {
                throw new InvalidOperationException($"{benchmark}: {run.GetProperty("error_message").GetString()}");
            }
            double time = run.GetProperty("real_time").GetDouble();
            return time * UnitSeconds(run.GetProperty("time_unit").GetString());
        }
        throw new InvalidOperationException($"{program} ran no {benchmark}: {errors.Result}");
    }

    private static double UnitSeconds(string? unit) => unit switch
    {
        "ns" => 1e-9,
        "us" => 1e-6,
        "ms" => 1e-3,
        "s" => 1.0,
        _ => throw new InvalidOperationException($"unknown time unit '{unit}'"),
    };
}
