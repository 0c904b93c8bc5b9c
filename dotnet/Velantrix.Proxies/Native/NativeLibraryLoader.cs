using System;
using System.IO;
using System.Reflection;
using System.Runtime.InteropServices;

namespace Velantrix.Proxies.Native;

/// <summary>Finds libqzremote.so where the package puts it: under
/// runtimes/&lt;rid&gt;/native/ beside the assembly, or beside the assembly itself, before
/// the runtime's default probing. No environment variable and no install step.</summary>
internal static class NativeLibraryLoader
{
    internal static void Register(Assembly assembly) =>
        NativeLibrary.SetDllImportResolver(assembly, Resolve);

    private static nint Resolve(string libraryName, Assembly assembly, DllImportSearchPath? searchPath)
    {
        if (libraryName != "qzremote")
        {
            return nint.Zero;
        }
        string location = assembly.Location;
        string folder = string.IsNullOrEmpty(location)
            ? AppContext.BaseDirectory  // an assembly loaded from bytes or bundled in one file
            : Path.GetDirectoryName(location) ?? AppContext.BaseDirectory;
        string file = FileName(libraryName);
        foreach (string candidate in new[]
                 {
                     Path.Combine(folder, "runtimes", RuntimeId(), "native", file),
                     Path.Combine(folder, file),
                 })
        {
            if (File.Exists(candidate) && NativeLibrary.TryLoad(candidate, out nint loaded))
            {
                return loaded;
            }
        }
        return nint.Zero;  // the default probing takes over
    }

    private static string FileName(string name)
    {
        if (OperatingSystem.IsWindows())
        {
            return name + ".dll";
        }
        return OperatingSystem.IsMacOS() ? "lib" + name + ".dylib" : "lib" + name + ".so";
    }

    private static string RuntimeId()
    {
        string os = OperatingSystem.IsWindows() ? "win" : OperatingSystem.IsMacOS() ? "osx" : "linux";
        string arch = RuntimeInformation.ProcessArchitecture.ToString().ToLowerInvariant();
        return os + "-" + arch;
    }
}
