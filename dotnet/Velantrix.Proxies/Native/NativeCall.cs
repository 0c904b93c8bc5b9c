using System;
using System.Collections.Generic;

namespace Velantrix.Proxies.Native;

/// <summary>One call being put together: the method name, then each argument in declared
/// order, then one finishing step that sends it and converts the answer. The arguments
/// go into the writer, a reference shared by every copy of this value, so chaining
/// <c>Arg</c> calls loses nothing.</summary>
internal readonly unsafe ref struct NativeCall
{
    private readonly NativeProxy _proxy;
    private readonly ReadOnlySpan<byte> _method;
    private readonly ValueWriter _args;

    internal NativeCall(NativeProxy proxy, ReadOnlySpan<byte> method, ValueWriter args)
    {
        _proxy = proxy;
        _method = method;
        _args = args;
    }

    // ---- arguments, one overload per catalogue type -------------------------------------

    public NativeCall Arg(int value)
    {
        _args.NextArgument();
        _args.WriteInt(value);
        return this;
    }

    public NativeCall Arg(bool value)
    {
        _args.NextArgument();
        _args.WriteBool(value);
        return this;
    }

    public NativeCall Arg(float value)
    {
        _args.NextArgument();
        _args.WriteFloat(value);
        return this;
    }

    public NativeCall Arg(string value)
    {
        _args.NextArgument();
        _args.WriteString(value);
        return this;
    }

    public NativeCall Arg(object value)
    {
        _args.NextArgument();
        _args.WriteObject(value, 2);  // inside the argument Array
        return this;
    }

    public NativeCall Arg(List<string> value)
    {
        _args.NextArgument();
        _args.WriteStringList(value);
        return this;
    }

    public NativeCall Arg(List<float> value)
    {
        _args.NextArgument();
        _args.WriteFloatList(value);
        return this;
    }

    // ---- finishing steps, one per result type --------------------------------------------

    public void Invoke()
    {
        NativeResult result = default;
        Send(ResultKind.None, &result);
        NativeResults.Free(&result);
    }

    public int InvokeInt()
    {
        NativeResult result = default;
        Send(ResultKind.Int, &result);
        int answer = result.Number;
        NativeResults.Free(&result);  // a number holds no storage: no native call then
        return answer;
    }

    public bool InvokeBool()
    {
        NativeResult result = default;
        Send(ResultKind.Bool, &result);
        bool answer = result.Number != 0;
        NativeResults.Free(&result);  // a number holds no storage: no native call then
        return answer;
    }

    public float InvokeFloat()
    {
        NativeResult result = default;
        Send(ResultKind.Float, &result);
        float answer = result.Real;
        NativeResults.Free(&result);  // a number holds no storage: no native call then
        return answer;
    }

    /// <summary>A typed string result: its bytes up to the first NUL.</summary>
    public string InvokeString()
    {
        NativeResult result = default;
        Send(ResultKind.String, &result);
        try
        {
            return NativeText.UpToNul(result.Bytes);
        }
        finally
        {
            NativeResults.Free(&result);
        }
    }

    /// <summary>A typed object result: the answer must hold a value.</summary>
    public object InvokeObject() => InvokeValue(ResultKind.Object);

    /// <summary>An untyped result: the answer as it comes, nothing included.</summary>
    public object InvokeAny() => InvokeValue(ResultKind.Value);

    public List<string> InvokeStringList()
    {
        NativeResult result = default;
        Send(ResultKind.StringList, &result);
        try
        {
            return NativeText.StringList(result.Bytes, result.ElementCount);
        }
        finally
        {
            NativeResults.Free(&result);
        }
    }

    public List<float> InvokeFloatList()
    {
        NativeResult result = default;
        Send(ResultKind.FloatList, &result);
        try
        {
            return NativeText.FloatList(result.Bytes, result.ElementCount);
        }
        finally
        {
            NativeResults.Free(&result);
        }
    }

    /// <summary>Posts the call instead: returns the broker's task id at once.</summary>
    public int Post()
    {
        try
        {
            return _proxy.Post(_method, _args.FinishArguments());
        }
        finally
        {
            ValueWriter.Return(_args);
        }
    }

    private object InvokeValue(ResultKind kind)
    {
        NativeResult result = default;
        Send(kind, &result);
        try
        {
            return ValueReader.ToHost(result.Bytes);
        }
        finally
        {
            NativeResults.Free(&result);
        }
    }

    private void Send(ResultKind kind, NativeResult* result)
    {
        try
        {
            _proxy.Invoke(_method, _args.FinishArguments(), kind, result);
        }
        finally
        {
            ValueWriter.Return(_args);
        }
    }
}
