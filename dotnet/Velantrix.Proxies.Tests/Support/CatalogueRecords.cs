namespace Velantrix.Proxies.Tests.Support;

/// <summary>One module of the catalogue: its broker name, its host class and every method
/// form, the common ones first.</summary>
internal sealed record CatalogueModule(string Module, string HostClass, CatalogueMethod[] Methods);

/// <summary>One method form: name, result type ("void", "int", "list of strings"...) and
/// parameters, as the catalogue writes them.</summary>
internal sealed record CatalogueMethod(string Name, string Result, CatalogueParam[] Params)
{
    public override string ToString() =>
        $"{Name}({string.Join(", ", System.Linq.Enumerable.Select(Params, p => $"{p.Type} {p.Name}"))}) -> {Result}";
}

/// <summary>One parameter: its catalogue type and its name.</summary>
internal sealed record CatalogueParam(string Type, string Name);
