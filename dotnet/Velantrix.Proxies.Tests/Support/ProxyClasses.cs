using System;
using System.Reflection;

namespace Velantrix.Proxies.Tests.Support;

/// <summary>The generated proxy classes, found by name as an application would write them.</summary>
internal static class ProxyClasses
{
    public static Type Find(string hostClass) =>
        typeof(Proxy).Assembly.GetType("Velantrix.Proxies." + hostClass, throwOnError: true)!;

    /// <summary>A new proxy of class <paramref name="hostClass"/>; a failed construction
    /// raises its own exception, not the reflection wrapper.</summary>
    public static IDisposable Create(string hostClass, string address, int port)
    {
        try
        {
            return (IDisposable)Activator.CreateInstance(Find(hostClass), address, port)!;
        }
        catch (TargetInvocationException e) when (e.InnerException is not null)
        {
            System.Runtime.ExceptionServices.ExceptionDispatchInfo.Capture(e.InnerException).Throw();
            throw;
        }
    }

    /// <summary>Calls <paramref name="method"/> on <paramref name="target"/>, raising what
    /// the method raised.</summary>
    public static object? Invoke(MethodInfo method, object target, object?[] args)
    {
        try
        {
            return method.Invoke(target, args);
        }
        catch (TargetInvocationException e) when (e.InnerException is not null)
        {
            System.Runtime.ExceptionServices.ExceptionDispatchInfo.Capture(e.InnerException).Throw();
            throw;
        }
    }
}
