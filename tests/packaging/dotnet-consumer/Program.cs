// A .NET application that knows the library only as the NuGet package Velantrix.Proxies:
// dotnet_consumer_test.sh copies it into a project outside the repository, restores the
// package from a local folder and runs it against a simulated broker.
using System;
using System.Collections;
using System.Collections.Generic;
using System.Linq;
using Velantrix.Proxies;

int port = int.Parse(args[0]);
using var motion = new MotionProxy("127.0.0.1", port);
using var memory = new MemoryProxy("127.0.0.1", port);
if (!motion.ping()) throw new InvalidOperationException("ping answered false");

var value = new ArrayList { "caf\u00e9", 42, 2.5f, true, new byte[] { 1, 2, 3 }, new ArrayList() };
memory.insertData("consumer/value", value);
var back = (ArrayList)memory.getData("consumer/value");
bool same = back.Count == 6 && (string)back[0]! == "caf\u00e9" && (int)back[1]! == 42 &&
            (float)back[2]! == 2.5f && (bool)back[3]! && ((byte[])back[4]!).SequenceEqual(new byte[] { 1, 2, 3 }) &&
            ((ArrayList)back[5]!).Count == 0;
if (!same) throw new InvalidOperationException("the value came back changed");

List<float> angles = motion.getAngles(new ArrayList { "HeadYaw" }, false);
try
{
    using var missing = new Proxy("QZNoSuchModule", "127.0.0.1", port);
    throw new InvalidOperationException("an unknown module was found");
}
catch (Exception e) when (e.GetType() == typeof(Exception))
{
    Console.WriteLine($"unknown module refused: {e.Message.Split('\n')[0].Trim()}");
}
Console.WriteLine($"consumer: ping true, a value of 6 kinds round-tripped, {angles.Count} angle read");
