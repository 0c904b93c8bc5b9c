using System;
using System.Buffers.Binary;
using System.Collections.Generic;
using System.Diagnostics;
using System.IO;
using System.IO.Compression;
using System.Linq;
using System.Reflection;
using System.Text;
using Velantrix.Proxies.Tests.Support;
using Xunit;

namespace Velantrix.Proxies.Tests.Examples;

/// <summary>examples/dotnet/HelloRobot run as a newcomer runs it, against the simulated
/// broker: every step, and a PNG picture that an independent reading takes apart.</summary>
public sealed class HelloRobotExampleTests(SimulatedBroker broker) : IClassFixture<SimulatedBroker>
{
    [Fact]
    public void Walks_through_every_step_and_saves_a_png_of_the_camera_frame()
    {
        string folder = Directory.CreateTempSubdirectory("hello-robot-").FullName;
        try
        {
            string picture = Path.Combine(folder, "frame.png");
            (int exitCode, string output, string errors) = Run(broker.Address, broker.Port.ToString(System.Globalization.CultureInfo.InvariantCulture), picture);
            Assert.True(exitCode == 0, output + errors);
            foreach (string step in new[] { "ping: the broker answers", "say: finished",
                                            "head: now at HeadYaw 0.50, HeadPitch -0.20",
                                            "memory: hello_robot/greeting = \"Hello from HelloRobot\"",
                                            $"camera: saved a 320x240 picture to {picture}", "Done." })
            {
                Assert.Contains(step, output);
            }

            (int width, int height, byte[] rgb) = ReadPng(File.ReadAllBytes(picture));
            Assert.Equal((320, 240), (width, height));
            Assert.Equal(320 * 240 * 3, rgb.Length);
            Assert.True(rgb.Distinct().Count() > 16, "the picture is nearly one flat colour");
        }
        finally
        {
            Directory.Delete(folder, recursive: true);
        }
    }

    [Fact]
    public void Reports_an_absent_broker_and_exits_with_one()
    {
        (int exitCode, _, string errors) = Run("127.0.0.1", "1", "unused.png");
        Assert.Equal(1, exitCode);
        Assert.StartsWith("HelloRobot: ", errors, StringComparison.Ordinal);
    }

    private static (int ExitCode, string Output, string Errors) Run(params string[] args)
    {
        string example = typeof(HelloRobotExampleTests).Assembly.GetCustomAttributes<AssemblyMetadataAttribute>()
            .Single(a => a.Key == "QZHelloRobot").Value!;
        var start = new ProcessStartInfo("dotnet") { RedirectStandardOutput = true, RedirectStandardError = true };
        start.ArgumentList.Add(example);
        foreach (string arg in args)
        {
            start.ArgumentList.Add(arg);
        }
        using Process process = Process.Start(start)!;
        var output = process.StandardOutput.ReadToEndAsync();
        var errors = process.StandardError.ReadToEndAsync();
        if (!process.WaitForExit(60_000))
        {
            process.Kill();
            Assert.Fail("HelloRobot did not finish within 60 s");
        }
        return (process.ExitCode, output.Result, errors.Result);
    }

    // A PNG of 8-bit RGB rows without filters, as the example writes it, read chunk by
    // chunk with every CRC checked.
    private static (int Width, int Height, byte[] Rgb) ReadPng(byte[] file)
    {
        Assert.Equal(new byte[] { 0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A }, file[..8]);
        int width = 0, height = 0;
        var compressed = new MemoryStream();
        var types = new List<string>();
        for (int at = 8; at < file.Length;)
        {
            int length = BinaryPrimitives.ReadInt32BigEndian(file.AsSpan(at));
            string type = Encoding.ASCII.GetString(file, at + 4, 4);
            byte[] data = file[(at + 8)..(at + 8 + length)];
            uint crc = BinaryPrimitives.ReadUInt32BigEndian(file.AsSpan(at + 8 + length));
            Assert.Equal(Crc32(file.AsSpan(at + 4, 4 + length)), crc);
            types.Add(type);
            if (type == "IHDR")
            {
                width = BinaryPrimitives.ReadInt32BigEndian(data);
                height = BinaryPrimitives.ReadInt32BigEndian(data.AsSpan(4));
                Assert.Equal(new byte[] { 8, 2, 0, 0, 0 }, data[8..]);  // 8-bit RGB
            }
            if (type == "IDAT")
            {
                compressed.Write(data);
            }
            at += 12 + length;
        }
        Assert.Equal("IHDR", types[0]);
        Assert.Equal("IEND", types[^1]);

        compressed.Position = 0;
        using var rows = new MemoryStream();
        using (var zlib = new ZLibStream(compressed, CompressionMode.Decompress))
        {
            zlib.CopyTo(rows);
        }
        byte[] raw = rows.ToArray();
        int stride = 1 + width * 3;
        Assert.Equal(stride * height, raw.Length);
        var rgb = new byte[width * height * 3];
        for (int row = 0; row < height; row++)
        {
            Assert.Equal(0, raw[row * stride]);  // filter type None
            Array.Copy(raw, row * stride + 1, rgb, row * width * 3, width * 3);
        }
        return (width, height, rgb);
    }

    // The CRC-32 of PNG chunks, bit by bit: slow, and independent of the example's table.
    private static uint Crc32(ReadOnlySpan<byte> bytes)
    {
        uint crc = 0xFFFFFFFFu;
        foreach (byte b in bytes)
        {
            crc ^= b;
            for (int k = 0; k < 8; k++)
            {
                crc = (crc & 1) != 0 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
            }
        }
        return ~crc;
    }
}
