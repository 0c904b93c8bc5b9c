namespace Velantrix.Proxies.Native;

/// <summary>The kind bytes of the value buffer, numbered as the native value numbers its
/// kinds.</summary>
internal static class ValueKinds
{
    internal const byte Invalid = 0;
    internal const byte Array = 1;
    internal const byte Bool = 2;
    internal const byte Int = 3;
    internal const byte Float = 4;
    internal const byte String = 5;
    internal const byte Object = 6;
    internal const byte Binary = 7;

    /// <summary>Kind byte and 4-byte little-endian length.</summary>
    internal const int HeaderSize = 5;
}
