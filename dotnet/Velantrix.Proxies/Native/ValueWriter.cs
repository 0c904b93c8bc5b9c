using System;
using System.Buffers.Binary;
using System.Collections;
using System.Collections.Generic;
using System.Runtime.CompilerServices;
using System.Runtime.InteropServices;
using System.Text;

namespace Velantrix.Proxies.Native;

/// <summary>Encodes host values into one value buffer: a kind byte, a 4-byte little-endian
/// length, then the payload; an Array's length counts its elements. One writer per thread
/// is reused from call to call (see <see cref="Rent"/>), so a call allocates nothing for
/// its arguments once the buffer has grown to fit them.</summary>
internal sealed class ValueWriter
{
    private const int InitialCapacity = 256;
    private const int LargestKeptCapacity = 4 << 20;  // bigger buffers go to the collector

    [ThreadStatic]
    private static ValueWriter? t_spare;

    private byte[] _buffer = new byte[InitialCapacity];
    private int _length;
    private int _argumentCount = -1;  // -1: the buffer holds one whole value

    /// <summary>The thread's spare writer, emptied, or a new one while the spare is in use
    /// (a list whose indexer itself calls a proxy, for example).</summary>
    internal static ValueWriter Rent()
    {
        ValueWriter writer = t_spare ?? new ValueWriter();
        t_spare = null;
        writer._length = 0;
        writer._argumentCount = -1;
        return writer;
    }

    /// <summary>Gives the writer back for the thread's next call.</summary>
    internal static void Return(ValueWriter writer)
    {
        if (writer._buffer.Length <= LargestKeptCapacity)
        {
            t_spare = writer;
        }
    }

    /// <summary>What has been written so far.</summary>
    internal ReadOnlySpan<byte> Written => _buffer.AsSpan(0, _length);

    // ---- argument lists -------------------------------------------------------------

    /// <summary>Starts an argument list: an Array whose element count is known only at
    /// the end, so its header is left open until <see cref="FinishArguments"/>.</summary>
    internal void BeginArguments()
    {
        Reserve(ValueKinds.HeaderSize);
        _length = ValueKinds.HeaderSize;
        _argumentCount = 0;
    }

    /// <summary>Counts one more argument; the caller then writes it.</summary>
    internal void NextArgument() => _argumentCount++;

    /// <summary>The finished buffer: the argument Array, or Invalid when the call has no
    /// arguments (a call without arguments carries nothing, not an empty Array).</summary>
    internal ReadOnlySpan<byte> FinishArguments()
    {
        if (_argumentCount < 0)
        {
            return Written;
        }
        if (_argumentCount == 0)
        {
            WriteHeaderAt(0, ValueKinds.Invalid, 0);
        }
        else
        {
            WriteHeaderAt(0, ValueKinds.Array, (uint)_argumentCount);
        }
        return Written;
    }

    // ---- the catalogue's argument types ------------------------------------------------

    internal void WriteInt(int value)
    {
        Span<byte> at = Append(ValueKinds.HeaderSize + 4);
        PutHeader(at, ValueKinds.Int, 4);
        BinaryPrimitives.WriteInt32LittleEndian(at[ValueKinds.HeaderSize..], value);
    }

    internal void WriteBool(bool value)
    {
        Span<byte> at = Append(ValueKinds.HeaderSize + 1);
        PutHeader(at, ValueKinds.Bool, 1);
        at[ValueKinds.HeaderSize] = value ? (byte)1 : (byte)0;
    }

    internal void WriteFloat(float value)
    {
        Span<byte> at = Append(ValueKinds.HeaderSize + 4);
        PutHeader(at, ValueKinds.Float, 4);
        BinaryPrimitives.WriteSingleLittleEndian(at[ValueKinds.HeaderSize..], value);
    }

    /// <summary>A String of the text's UTF-8 bytes; an unpaired surrogate becomes U+FFFD.
    /// A null text raises the encoder's own ArgumentNullException.</summary>
    internal void WriteString(string value)
    {
        int count = Encoding.UTF8.GetByteCount(value);
        Span<byte> at = Append(ValueKinds.HeaderSize + count);
        PutHeader(at, ValueKinds.String, (uint)count);
        Encoding.UTF8.GetBytes(value, at[ValueKinds.HeaderSize..]);
    }

    /// <summary>An Array of Strings; a null list raises NullReferenceException, a null
    /// element the encoder's ArgumentNullException.</summary>
    internal void WriteStringList(List<string> values)
    {
        int count = values.Count;
        WriteHeader(ValueKinds.Array, (uint)count);
        for (int i = 0; i < count; i++)
        {
            WriteString(values[i]);
        }
    }

    /// <summary>An Array of Floats, written in one pass over the list's storage. A null
    /// list raises NullReferenceException.</summary>
    internal void WriteFloatList(List<float> values)
    {
        _ = values.Count;  // a null list fails here, as the host runtime fails
        WriteFloats(CollectionsMarshal.AsSpan(values));
    }

    private void WriteFloats(ReadOnlySpan<float> floats)
    {
        const int elementSize = ValueKinds.HeaderSize + 4;
        Span<byte> at = Append(checked(ValueKinds.HeaderSize + floats.Length * elementSize));
        PutHeader(at, ValueKinds.Array, (uint)floats.Length);
        at = at[ValueKinds.HeaderSize..];
        for (int i = 0; i < floats.Length; i++)
        {
            Span<byte> element = at.Slice(i * elementSize, elementSize);
            PutHeader(element, ValueKinds.Float, 4);
            BinaryPrimitives.WriteSingleLittleEndian(element[ValueKinds.HeaderSize..], floats[i]);
        }
    }

    // ---- any host value ---------------------------------------------------------------

    /// <summary>The general conversion of a host value at nesting level
    /// <paramref name="depth"/> (1 at the top). The run-time type decides, exactly: byte[]
    /// and short[] become Binary (empty ones Invalid), any other IList an Array, boxed
    /// bool, float and int and strings their kinds, everything else Invalid. A null value
    /// raises NullReferenceException.</summary>
    internal void WriteObject(object param, int depth)
    {
        CheckDepth(depth);
        Type type = param.GetType();  // a null reference fails here, as the host runtime fails
        if (type == typeof(byte[]))
        {
            WriteBytes(((byte[])param).AsSpan());
        }
        else if (type == typeof(short[]))
        {
            WriteShorts(((short[])param).AsSpan());
        }
        else if (type == typeof(List<float>) || type == typeof(float[]))
        {
            // What the element-by-element walk below gives, without boxing every float.
            ReadOnlySpan<float> floats = param is float[] array
                ? array
                : CollectionsMarshal.AsSpan((List<float>)param);
            if (!floats.IsEmpty)
            {
                CheckDepth(depth + 1);
            }
            WriteFloats(floats);
        }
        else if (param is IList list)
        {
            int count = list.Count;
            WriteHeader(ValueKinds.Array, (uint)count);
            for (int i = 0; i < count; i++)
            {
                WriteObject(list[i]!, depth + 1);
            }
        }
        else if (type == typeof(bool))
        {
            WriteBool((bool)param);
        }
        else if (type == typeof(float))
        {
            WriteFloat((float)param);
        }
        else if (type == typeof(int))
        {
            WriteInt((int)param);
        }
        else if (type == typeof(string))
        {
            WriteString((string)param);
        }
        else
        {
            WriteHeader(ValueKinds.Invalid, 0);  // any other host type travels as Invalid
        }
    }

    /// <summary>Refuses a value at nesting level <paramref name="depth"/> when the native
    /// library would: lists that deep, or a list that contains itself, which would otherwise
    /// recurse until the stack runs out.</summary>
    private static void CheckDepth(int depth)
    {
        if (depth > NativeMethods.MaxValueDepth)
        {
            throw new ArgumentException(
                $"The value is nested deeper than {NativeMethods.MaxValueDepth} levels, or a list contains itself.");
        }
    }

    /// <summary>A Binary copy of the bytes; no bytes give Invalid.</summary>
    private void WriteBytes(ReadOnlySpan<byte> bytes)
    {
        if (bytes.IsEmpty)
        {
            WriteHeader(ValueKinds.Invalid, 0);
            return;
        }
        Span<byte> at = Append(ValueKinds.HeaderSize + bytes.Length);
        PutHeader(at, ValueKinds.Binary, (uint)bytes.Length);
        bytes.CopyTo(at[ValueKinds.HeaderSize..]);
    }

    /// <summary>A Binary of two bytes per sample, low byte first; no samples give Invalid.</summary>
    private void WriteShorts(ReadOnlySpan<short> samples)
    {
        if (samples.IsEmpty)
        {
            WriteHeader(ValueKinds.Invalid, 0);
            return;
        }
        long size = 2L * samples.Length;
        Span<byte> at = Append(checked((int)(ValueKinds.HeaderSize + size)));
        PutHeader(at, ValueKinds.Binary, (uint)size);
        Span<byte> payload = at[ValueKinds.HeaderSize..];
        if (BitConverter.IsLittleEndian)
        {
            MemoryMarshal.AsBytes(samples).CopyTo(payload);
            return;
        }
        for (int i = 0; i < samples.Length; i++)
        {
            BinaryPrimitives.WriteInt16LittleEndian(payload[(2 * i)..], samples[i]);
        }
    }

    // ---- the buffer -------------------------------------------------------------------

    private void WriteHeader(byte kind, uint length) =>
        PutHeader(Append(ValueKinds.HeaderSize), kind, length);

    private void WriteHeaderAt(int offset, byte kind, uint length) =>
        PutHeader(_buffer.AsSpan(offset, ValueKinds.HeaderSize), kind, length);

    [MethodImpl(MethodImplOptions.AggressiveInlining)]
    private static void PutHeader(Span<byte> at, byte kind, uint length)
    {
        at[0] = kind;
        BinaryPrimitives.WriteUInt32LittleEndian(at[1..], length);
    }

    /// <summary>Grows the written part by <paramref name="count"/> bytes and returns them.</summary>
    [MethodImpl(MethodImplOptions.AggressiveInlining)]
    private Span<byte> Append(int count)
    {
        Reserve(count);
        Span<byte> span = _buffer.AsSpan(_length, count);
        _length += count;
        return span;
    }

    private void Reserve(int count)
    {
        if (_buffer.Length - _length >= count)
        {
            return;
        }
        long needed = (long)_length + count;
        if (needed > System.Array.MaxLength)
        {
            throw new ArgumentException(
                $"The arguments of one call need {needed} bytes, more than one buffer holds ({System.Array.MaxLength}).");
        }
        long capacity = Math.Max(needed, Math.Min(2L * _buffer.Length, System.Array.MaxLength));
        byte[] grown = new byte[capacity];
        _buffer.AsSpan(0, _length).CopyTo(grown);
        _buffer = grown;
    }
}
