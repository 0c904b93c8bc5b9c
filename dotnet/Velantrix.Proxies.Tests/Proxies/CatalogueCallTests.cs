using System;
using System.Collections;
using System.Collections.Generic;
using System.Linq;
using System.Reflection;
using Velantrix.Proxies.Tests.Support;
using Xunit;

namespace Velantrix.Proxies.Tests.Proxies;

/// <summary>Every method form of the catalogue, and every posted twin, called once through
/// its generated class against the recording broker: found by reflection with exactly the
/// catalogue's name, parameter names and types, it must send its name and arguments of the
/// declared kinds and convert the answer to its declared result.</summary>
public class CatalogueCallTests
{
    private static readonly Dictionary<string, Type> HostTypes = new()
    {
        ["string"] = typeof(string),
        ["int"] = typeof(int),
        ["float"] = typeof(float),
        ["bool"] = typeof(bool),
        ["object"] = typeof(object),
        ["list of strings"] = typeof(List<string>),
        ["list of floats"] = typeof(List<float>),
        ["void"] = typeof(void),
    };

    // The argument of each type, and the xsi:type it travels as.
    private static readonly Dictionary<string, (Func<object> Value, string Wire)> Arguments = new()
    {
        ["string"] = (() => "arg", "xsd:string"),
        ["int"] = (() => 3, "xsd:int"),
        ["float"] = (() => 0.5f, "xsd:float"),
        ["bool"] = (() => true, "xsd:boolean"),
        ["object"] = (() => new ArrayList { "x", 1 }, "Array"),
        ["list of strings"] = (() => new List<string> { "a", "b" }, "Array"),
        ["list of floats"] = (() => new List<float> { 1f, 2f }, "Array"),
    };

    // The answer to a method of each result type, and the check of what it returns.
    private static readonly Dictionary<string, (string Answer, Action<object?> Check)> Results = new()
    {
        ["void"] = (BrokerAnswers.Nil, result => Assert.Null(result)),
        ["string"] = (BrokerAnswers.String("r\u00e9sult"), result => Assert.Equal("r\u00e9sult", result)),
        ["int"] = (BrokerAnswers.Int(17), result => Assert.Equal(17, result)),
        ["bool"] = (BrokerAnswers.Bool(true), result => Assert.Equal(true, result)),
        ["float"] = (BrokerAnswers.Float("2.5"), result => Assert.Equal(2.5f, result)),
        ["object"] = (BrokerAnswers.Array(BrokerAnswers.Int(7), BrokerAnswers.String("x")),
                      result => Assert.Equal(new object[] { 7, "x" }, Assert.IsType<ArrayList>(result).ToArray())),
        ["list of strings"] = (BrokerAnswers.Array(BrokerAnswers.String("a"), BrokerAnswers.String("b")),
                               result => Assert.Equal(new List<string> { "a", "b" }, result)),
        ["list of floats"] = (BrokerAnswers.Array(BrokerAnswers.Float("1.5"), BrokerAnswers.Float("-2")),
                              result => Assert.Equal(new List<float> { 1.5f, -2f }, result)),
    };

    public static TheoryData<string> Modules() => new(CatalogueTable.Modules.Select(m => m.Module));

    [Fact]
    public void The_table_covers_the_whole_catalogue()
    {
        Assert.Equal(45, CatalogueTable.Modules.Length);
        Assert.Equal(1228, CatalogueTable.Modules.Sum(m => m.Methods.Length));
        Assert.Equal(455, CatalogueTable.Modules.Sum(m => m.Methods.Count(f => f.Result == "void")));
    }

    [Fact]
    public void The_classes_have_no_public_method_the_catalogue_does_not_list()
    {
        foreach (CatalogueModule module in CatalogueTable.Modules)
        {
            Type type = ProxyClasses.Find(module.HostClass);
            // Beside the catalogue's methods, a class has only its own Dispose, Cancel and
            // the accessors of Timeout.
            Assert.Equal(module.Methods.Length,
                         Declared(type).Count(m => m.Name is not ("Dispose" or "Cancel") && !m.IsSpecialName));
            Assert.Equal(["get_Timeout", "set_Timeout"], Declared(type).Where(m => m.IsSpecialName).Select(m => m.Name).Order());
            Type post = type.GetNestedType("PostHelper")!;
            Assert.Equal(module.Methods.Count(m => m.Result == "void"), Declared(post).Length);
        }
    }

    [Theory]
    [MemberData(nameof(Modules))]
    public void Every_method_and_posted_twin_calls_the_remote_method_of_its_name(string moduleName)
    {
        CatalogueModule module = CatalogueTable.Modules.Single(m => m.Module == moduleName);
        using var broker = new RecordingBroker();
        // Half of the modules are reported at "0.0.0.0", which means the address asked.
        if (Array.IndexOf(CatalogueTable.Modules, module) % 2 == 1)
        {
            broker.LookupAddress = "0.0.0.0";
        }
        using IDisposable proxy = ProxyClasses.Create(module.HostClass, "127.0.0.1", broker.Port);
        Type type = proxy.GetType();
        object post = type.GetField("post")!.GetValue(proxy)!;
        int calls = 0, posts = 0;

        foreach (CatalogueMethod form in module.Methods)
        {
            MethodInfo method = Find(type, form);
            Assert.Equal(HostTypes[form.Result], method.ReturnType);
            (string answer, Action<object?> check) = Results[form.Result];
            broker.OnCall = _ => BrokerReply.Result(answer);
            check(ProxyClasses.Invoke(method, proxy, ArgumentsOf(form)));
            ExpectRequest(broker.LastCall, "callTamsa", module, form);
            calls++;

            if (form.Result == "void")
            {
                MethodInfo twin = Find(post.GetType(), form);
                Assert.Equal(typeof(int), twin.ReturnType);
                Assert.Equal(broker.LastTaskId + 1, ProxyClasses.Invoke(twin, post, ArgumentsOf(form)));
                ExpectRequest(broker.LastCall, "callTamsa2", module, form);
                posts++;
            }
        }

        Assert.Equal(module.Methods.Length, calls);
        Assert.Equal(module.Methods.Count(m => m.Result == "void"), posts);
        Assert.Equal(1 + calls + posts, broker.Calls.Count);
        Assert.Equal("getModuleByName", broker.Calls[0].Operation);
        Assert.Equal(module.Module, broker.Calls[0].Module);
        Assert.Equal(1, broker.ConnectionsAccepted);
    }

    private static MethodInfo[] Declared(Type type) =>
        type.GetMethods(BindingFlags.Public | BindingFlags.Instance | BindingFlags.DeclaredOnly);

    /// <summary>The method of exactly this name and these parameter types, whose parameters
    /// carry exactly the catalogue's names.</summary>
    private static MethodInfo Find(Type type, CatalogueMethod form)
    {
        Type[] types = form.Params.Select(p => HostTypes[p.Type]).ToArray();
        MethodInfo? method = type.GetMethod(form.Name, BindingFlags.Public | BindingFlags.Instance, types);
        Assert.True(method is not null, $"{type.Name} has no method {form}");
        Assert.Equal(form.Params.Select(p => p.Name), method!.GetParameters().Select(p => p.Name));
        return method;
    }

    private static object?[] ArgumentsOf(CatalogueMethod form) =>
        form.Params.Select(p => Arguments[p.Type].Value()).ToArray();

    private static void ExpectRequest(WireCall call, string operation, CatalogueModule module, CatalogueMethod form)
    {
        string where = $"{module.Module}.{form}";
        Assert.True(call.Operation == operation, $"{where}: {call.Operation} instead of {operation}");
        Assert.True(call.Module == module.Module, $"{where}: sent to {call.Module}");
        Assert.True(call.Method == form.Name, $"{where}: sent as {call.Method}");
        string[] kinds = form.Params.Select(p => Arguments[p.Type].Wire).ToArray();
        Assert.True(kinds.SequenceEqual(call.Args), $"{where}: arguments {string.Join(",", call.Args)}");
        // Without arguments the call carries nothing; with them, one Array.
        Assert.Equal(kinds.Length == 0 ? 0 : 1, call.Top.Count);
    }
}
