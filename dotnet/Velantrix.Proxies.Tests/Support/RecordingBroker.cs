using System;
using System.Collections.Generic;
using System.Diagnostics;
using System.Net;
using System.Net.Sockets;
using System.Text;
using System.Threading;

namespace Velantrix.Proxies.Tests.Support;

/// <summary>What the recording broker sends back: an HTTP status and a SOAP envelope.</summary>
internal sealed record BrokerReply(string Status, string Envelope)
{
    /// <summary>A callTamsa answer holding <paramref name="itemXml"/> as it is.</summary>
    public static BrokerReply Value(string itemXml) =>
        new("200 OK", BrokerAnswers.Answer("callTamsaResponse", itemXml));

    /// <summary>A callTamsa answer as the broker wraps a result: [Int 1, value].</summary>
    public static BrokerReply Result(string itemXml) => Value(BrokerAnswers.StatusPair(itemXml));

    public static BrokerReply Fault(string faultString, string detail) =>
        new("500 Internal Server Error", BrokerAnswers.Fault(faultString, detail));
}

/// <summary>A loopback HTTP/1.1 broker with keep-alive that records what arrives: every
/// lookup finds the module here (at <see cref="LookupAddress"/> and this port), every
/// call is answered by <see cref="OnCall"/>, every posted call with the next task id from
/// 7001 on. It counts the connections it accepted and those still open.</summary>
internal sealed class RecordingBroker : IDisposable
{
    private const int MaxHeaderBytes = 64 * 1024;
    private const int MaxBodyBytes = 64 * 1024 * 1024;

    private readonly TcpListener _listener = new(IPAddress.Loopback, 0);
    private readonly Thread _acceptor;
    private readonly object _lock = new();
    private readonly List<WireCall> _calls = [];
    private readonly List<(TcpClient Client, Thread Thread)> _connections = [];
    private int _taskId = 7000;
    private int _open;
    private bool _stopping;

    public RecordingBroker()
    {
        _listener.Start();
        Port = ((IPEndPoint)_listener.LocalEndpoint).Port;
        _acceptor = new Thread(AcceptAll) { IsBackground = true, Name = "recording broker" };
        _acceptor.Start();
    }

    public int Port { get; }

    /// <summary>The address the module lookup reports ("0.0.0.0" means the one asked).</summary>
    public string LookupAddress { get; set; } = "127.0.0.1";

    /// <summary>Modules whose lookup fails with a SOAP fault.</summary>
    public ISet<string> UnknownModules { get; } = new HashSet<string>();

    /// <summary>The answer to each callTamsa; by default the result of a void method.</summary>
    public Func<WireCall, BrokerReply> OnCall { get; set; } = _ => BrokerReply.Result(BrokerAnswers.Nil);

    /// <summary>The answer to each callTamsa2 instead of the next task id, when set.</summary>
    public Func<WireCall, BrokerReply>? OnPost { get; set; }

    /// <summary>The task id the last posted call was given.</summary>
    public int LastTaskId
    {
        get
        {
            lock (_lock)
            {
                return _taskId;
            }
        }
    }

    public int ConnectionsAccepted
    {
        get
        {
            lock (_lock)
            {
                return _connections.Count;
            }
        }
    }

    public int ConnectionsOpen
    {
        get
        {
            lock (_lock)
            {
                return _open;
            }
        }
    }

    public IReadOnlyList<WireCall> Calls
    {
        get
        {
            lock (_lock)
            {
                return _calls.ToArray();
            }
        }
    }

    public WireCall LastCall
    {
        get
        {
            lock (_lock)
            {
                return _calls.Count > 0 ? _calls[^1] : throw new InvalidOperationException("no request arrived");
            }
        }
    }

    /// <summary>Waits until exactly <paramref name="count"/> connections are open, at most
    /// <paramref name="limit"/>; true when they are.</summary>
    public bool WaitForOpenConnections(int count, TimeSpan limit)
    {
        var clock = Stopwatch.StartNew();
        lock (_lock)
        {
            while (_open != count)
            {
                TimeSpan left = limit - clock.Elapsed;
                if (left <= TimeSpan.Zero)
                {
                    return false;
                }
                Monitor.Wait(_lock, left);
            }
            return true;
        }
    }

    public void Dispose()
    {
        List<(TcpClient Client, Thread Thread)> connections;
        lock (_lock)
        {
            _stopping = true;
            connections = [.. _connections];
        }
        _listener.Stop();
        _acceptor.Join(TimeSpan.FromSeconds(5));
        foreach ((TcpClient client, Thread thread) in connections)
        {
            client.Dispose();
            thread.Join(TimeSpan.FromSeconds(5));
        }
    }

    private void AcceptAll()
    {
        while (true)
        {
            TcpClient client;
            try
            {
                client = _listener.AcceptTcpClient();
            }
            catch (Exception e) when (e is SocketException or ObjectDisposedException or InvalidOperationException)
            {
                return;  // stopped
            }
            client.NoDelay = true;
            var thread = new Thread(() => Serve(client)) { IsBackground = true, Name = "recording broker connection" };
            lock (_lock)
            {
                if (_stopping)
                {
                    client.Dispose();
                    return;
                }
                _connections.Add((client, thread));
                _open++;
                Monitor.PulseAll(_lock);
            }
            thread.Start();
        }
    }

    private void Serve(TcpClient client)
    {
        try
        {
            var reader = new RequestReader(client.GetStream());
            while (reader.Next() is string body)
            {
                WireCall call = WireCall.Parse(body);
                lock (_lock)
                {
                    _calls.Add(call);
                }
                BrokerReply reply = ReplyTo(call);
                byte[] envelope = Encoding.UTF8.GetBytes(reply.Envelope);
                byte[] head = Encoding.ASCII.GetBytes(
                    $"HTTP/1.1 {reply.Status}\r\nServer: qztest\r\nContent-Type: text/xml; charset=utf-8\r\n" +
                    $"Content-Length: {envelope.Length}\r\nConnection: keep-alive\r\n\r\n");
                // One write: a head and a body sent apart wait on delayed acknowledgements.
                client.GetStream().Write([.. head, .. envelope]);
            }
        }
        catch (Exception e) when (e is System.IO.IOException or SocketException or ObjectDisposedException or InvalidOperationException)
        {
            // the client went away, or the broker is stopping
        }
        finally
        {
            client.Dispose();
            lock (_lock)
            {
                _open--;
                Monitor.PulseAll(_lock);
            }
        }
    }

    private BrokerReply ReplyTo(WireCall call)
    {
        switch (call.Operation)
        {
            case "getModuleByName":
                return UnknownModules.Contains(call.Module)
                    ? BrokerReply.Fault("no such module", call.Module)
                    : new BrokerReply("200 OK", BrokerAnswers.ModuleRecord(call.Module, LookupAddress, Port));
            case "callTamsa2" when OnPost is not null:
                return OnPost(call);
            case "callTamsa2":
                int taskId;
                lock (_lock)
                {
                    taskId = ++_taskId;
                }
                return new BrokerReply("200 OK", BrokerAnswers.Answer("callTamsa2Response", BrokerAnswers.Int(taskId)));
            default:
                return OnCall(call);
        }
    }

    /// <summary>Reads HTTP requests off one connection: the head up to its blank line, then
    /// as many body bytes as Content-Length says.</summary>
    private sealed class RequestReader(NetworkStream stream)
    {
        private readonly byte[] _buffer = new byte[64 * 1024];
        private int _start, _end;

        /// <summary>The next request's body, or null when the client closed the connection.</summary>
        public string? Next()
        {
            int headEnd;
            while ((headEnd = HeadEnd()) < 0)
            {
                if (_end - _start >= MaxHeaderBytes || !Fill())
                {
                    return null;
                }
            }
            string head = Encoding.ASCII.GetString(_buffer, _start, headEnd - _start);
            _start = headEnd + 4;
            int length = ContentLength(head);
            var body = new byte[length];
            int have = 0;
            while (have < length)
            {
                if (_start == _end && !Fill())
                {
                    return null;
                }
                int take = Math.Min(length - have, _end - _start);
                Buffer.BlockCopy(_buffer, _start, body, have, take);
                _start += take;
                have += take;
            }
            return Encoding.Latin1.GetString(body);
        }

        private int HeadEnd()
        {
            for (int i = _start; i + 3 < _end; i++)
            {
                if (_buffer[i] == '\r' && _buffer[i + 1] == '\n' && _buffer[i + 2] == '\r' && _buffer[i + 3] == '\n')
                {
                    return i;
                }
            }
            return -1;
        }

        private bool Fill()
        {
            if (_start > 0)
            {
                Buffer.BlockCopy(_buffer, _start, _buffer, 0, _end - _start);
                _end -= _start;
                _start = 0;
            }
            int read = stream.Read(_buffer, _end, _buffer.Length - _end);
            _end += read;
            return read > 0;
        }

        private static int ContentLength(string head)
        {
            foreach (string line in head.Split("\r\n"))
            {
                if (line.StartsWith("Content-Length:", StringComparison.OrdinalIgnoreCase))
                {
                    int length = int.Parse(line["Content-Length:".Length..].Trim(), System.Globalization.CultureInfo.InvariantCulture);
                    return length is >= 0 and <= MaxBodyBytes ? length : throw new InvalidOperationException($"body of {length} bytes");
                }
            }
            return 0;
        }
    }
}
