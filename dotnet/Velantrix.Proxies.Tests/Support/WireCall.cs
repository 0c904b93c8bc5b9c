using System;
using System.Collections.Generic;

namespace Velantrix.Proxies.Tests.Support;

/// <summary>One broker request as it arrived: the operation, the module, the method, and
/// the <c>xsi:type</c> of each item directly inside the request and inside its argument
/// Array.</summary>
internal sealed record WireCall(string Operation, string Module, string Method,
                              IReadOnlyList<string> Top, IReadOnlyList<string> Args)
{
    /// <summary>Reads a request body; the writer puts every item on one line and escapes
    /// '&lt;' in texts, so every '&lt;' starts a tag.</summary>
    public static WireCall Parse(string body)
    {
        string operation = "";
        foreach (string name in new[] { "callTamsa2", "callTamsa", "getModuleByName" })
        {
            if (body.Contains($"<qzbroker:{name}>", StringComparison.Ordinal))
            {
                operation = name;
                break;
            }
        }
        if (operation == "getModuleByName")
        {
            return new WireCall(operation, ElementText(body, "qzbroker:pModuleName"), "", [], []);
        }
        var top = new List<string>();
        var second = new List<string>();
        ScanItems(ElementText(body, "qzbroker:p"), top, second);
        IReadOnlyList<string> args = top.Count == 1 && top[0] == "Array" ? second : [];
        return new WireCall(operation, ElementText(body, "qzbroker:mod"), ElementText(body, "qzbroker:meth"), top, args);
    }

    private static string ElementText(string body, string tag)
    {
        string open = $"<{tag}>", close = $"</{tag}>";
        int start = body.IndexOf(open, StringComparison.Ordinal);
        if (start < 0)
        {
            return "";
        }
        int end = body.IndexOf(close, start, StringComparison.Ordinal);
        return end < 0 ? "" : body[(start + open.Length)..end];
    }

    private static void ScanItems(string xml, List<string> top, List<string> second)
    {
        int depth = 0, at = 0;
        for (int tags = 0; tags < 1_000_000; tags++)
        {
            int open = xml.IndexOf('<', at);
            if (open < 0)
            {
                return;
            }
            int close = xml.IndexOf('>', open);
            string tag = xml[open..(close + 1)];
            at = close + 1;
            if (tag.StartsWith("</item", StringComparison.Ordinal))
            {
                depth--;
                continue;
            }
            string type = Attribute(tag, "xsi:type");
            if (depth == 0)
            {
                top.Add(type);
            }
            else if (depth == 1)
            {
                second.Add(type);
            }
            depth++;
        }
        throw new InvalidOperationException("runaway item list");
    }

    private static string Attribute(string tag, string name)
    {
        string key = $" {name}=\"";
        int start = tag.IndexOf(key, StringComparison.Ordinal);
        if (start < 0)
        {
            return "";
        }
        start += key.Length;
        return tag[start..tag.IndexOf('"', start)];
    }
}
