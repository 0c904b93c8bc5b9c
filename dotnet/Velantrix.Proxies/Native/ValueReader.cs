using System;
using System.Buffers.Binary;
using System.Collections;
using System.Text;

namespace Velantrix.Proxies.Native;

/// <summary>Reads one value buffer back: into host values (<see cref="ToHost"/>) or just to
/// check its form (<see cref="Check"/>). Every length is checked against the bytes that are
/// there, Arrays against the bytes their elements need at least, and nesting against the
/// native bound, so a damaged buffer is refused, never read past its end.</summary>
internal ref struct ValueReader
{
    private readonly ReadOnlySpan<byte> _buffer;
    private int _position;

    private ValueReader(ReadOnlySpan<byte> buffer)
    {
        _buffer = buffer;
        _position = 0;
    }

    /// <summary>The host value of a buffer: an ArrayList (capacity = count) for an Array at
    /// every depth, boxed bool, int and float, a string decoded as UTF-8 whole (invalid bytes
    /// become U+FFFD), a new byte[] for Binary, and a new object for Invalid and Object.</summary>
    internal static object ToHost(ReadOnlySpan<byte> buffer)
    {
        var reader = new ValueReader(buffer);
        object value = reader.ReadHost(1);
        reader.ExpectEnd();
        return value;
    }

    /// <summary>The kind of a well-formed buffer; ArgumentException for any other.</summary>
    internal static byte Check(ReadOnlySpan<byte> buffer)
    {
        var reader = new ValueReader(buffer);
        byte kind = reader.Skip(1);
        reader.ExpectEnd();
        return kind;
    }

    private object ReadHost(int depth)
    {
        (byte kind, uint length) = ReadHeader(depth);
        switch (kind)
        {
            case ValueKinds.Array:
                var list = new ArrayList((int)length);
                for (uint i = 0; i < length; i++)
                {
                    list.Add(ReadHost(depth + 1));
                }
                return list;
            case ValueKinds.Bool:
                return Payload(length)[0] != 0;
            case ValueKinds.Int:
                return BinaryPrimitives.ReadInt32LittleEndian(Payload(length));
            case ValueKinds.Float:
                return BinaryPrimitives.ReadSingleLittleEndian(Payload(length));
            case ValueKinds.String:
                return Encoding.UTF8.GetString(Payload(length));
            case ValueKinds.Binary:
                return Payload(length).ToArray();
            default:  // Invalid and Object have no host form: a new plain object stands for them
                Payload(length);
                return new object();
        }
    }

    private byte Skip(int depth)
    {
        (byte kind, uint length) = ReadHeader(depth);
        if (kind == ValueKinds.Array)
        {
            for (uint i = 0; i < length; i++)
            {
                Skip(depth + 1);
            }
        }
        else
        {
            Payload(length);
        }
        return kind;
    }

    /// <summary>The next header, checked: a known kind, a length that fits the kind and
    /// the bytes left, and nesting within the bound.</summary>
    private (byte Kind, uint Length) ReadHeader(int depth)
    {
        int at = _position;
        if (depth > NativeMethods.MaxValueDepth)
        {
            throw Malformed(at, $"nesting deeper than {NativeMethods.MaxValueDepth} levels");
        }
        if (_buffer.Length - at < ValueKinds.HeaderSize)
        {
            throw Malformed(at, "the header is cut short");
        }
        byte kind = _buffer[at];
        uint length = BinaryPrimitives.ReadUInt32LittleEndian(_buffer[(at + 1)..]);
        _position = at + ValueKinds.HeaderSize;
        uint left = (uint)(_buffer.Length - _position);
        bool fits = kind switch
        {
            ValueKinds.Invalid => length == 0,
            ValueKinds.Array => length <= left / ValueKinds.HeaderSize,
            ValueKinds.Bool => length == 1,
            ValueKinds.Int or ValueKinds.Float => length == 4,
            ValueKinds.String or ValueKinds.Object or ValueKinds.Binary => length <= left,
            _ => throw Malformed(at, $"unknown kind {kind}"),
        };
        if (!fits)
        {
            throw Malformed(at, $"length {length} does not fit kind {kind} with {left} bytes left");
        }
        return (kind, length);
    }

    private ReadOnlySpan<byte> Payload(uint length)
    {
        ReadOnlySpan<byte> payload = _buffer.Slice(_position, (int)length);
        _position += (int)length;
        return payload;
    }

    private readonly void ExpectEnd()
    {
        if (_position != _buffer.Length)
        {
            throw Malformed(_position, $"{_buffer.Length - _position} bytes after the value");
        }
    }

    private static ArgumentException Malformed(int offset, string what) =>
        new($"The value buffer is malformed at byte {offset}: {what}.");
}
