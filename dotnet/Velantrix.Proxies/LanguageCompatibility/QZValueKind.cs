using System.Diagnostics.CodeAnalysis;

namespace Velantrix.LanguageCompatibility;

/// <summary>The kinds of a native value, numbered as the native library numbers them.</summary>
[SuppressMessage("Naming", "CA1720:Identifier contains type name",
                 Justification = "The kinds carry the names the native value gives them.")]
public enum QZValueKind
{
    /// <summary>No value.</summary>
    Invalid = 0,

    /// <summary>An ordered list of further values.</summary>
    Array = 1,

    /// <summary>A boolean.</summary>
    Bool = 2,

    /// <summary>A 32-bit signed integer.</summary>
    Int = 3,

    /// <summary>A 32-bit float.</summary>
    Float = 4,

    /// <summary>A byte string (UTF-8 text at the host surface).</summary>
    String = 5,

    /// <summary>An opaque object of the broker; it has no host form.</summary>
    Object = 6,

    /// <summary>A block of bytes.</summary>
    Binary = 7,
}
