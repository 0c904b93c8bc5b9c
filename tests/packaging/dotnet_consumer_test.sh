#!/usr/bin/env bash
# The .NET package as an application outside the repository sees it: packs
# Velantrix.Proxies, checks that its native library needs only the C and C++ runtimes,
# creates a console project in a scratch folder that references the package from a
# local folder source (nothing else), builds it and runs it against qzbroker-sim.
#
#   tests/packaging/dotnet_consumer_test.sh NATIVE_DIR
#
# NATIVE_DIR is a Release build folder holding libqzremote.so and simbroker/qzbroker-sim.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
native=$(cd "${1:?usage: dotnet_consumer_test.sh NATIVE_DIR}" && pwd)
scratch=$(mktemp -d)
broker_pid=""
cleanup() {
  [ -n "$broker_pid" ] && kill -TERM "$broker_pid" 2>/dev/null && wait "$broker_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

echo "consumer: packing Velantrix.Proxies"
dotnet pack "$repo/dotnet/Velantrix.Proxies/Velantrix.Proxies.csproj" -c Release --nologo -v quiet \
  -p:QZNativeDir="$native" -o "$scratch/feed" >/dev/null
package=$(ls "$scratch/feed"/Velantrix.Proxies.*.nupkg)
version=$(basename "$package" .nupkg); version=${version#Velantrix.Proxies.}

# What the package carries, and what its native library needs.
listing=$(python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$package")
for entry in lib/net10.0/Velantrix.Proxies.dll lib/net10.0/Velantrix.Proxies.xml \
             runtimes/linux-x64/native/libqzremote.so; do
  grep -qx "$entry" <<<"$listing" || { echo "consumer: the package lacks $entry" >&2; exit 1; }
done
python3 -c 'import sys, zipfile; open(sys.argv[2], "wb").write(zipfile.ZipFile(sys.argv[1]).read("runtimes/linux-x64/native/libqzremote.so"))' \
  "$package" "$scratch/libqzremote.so"
needed=$(readelf -d "$scratch/libqzremote.so" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
others=$(grep -v -E '^(libc|libm|libstdc\+\+|libgcc_s|ld-linux-x86-64)\.so' <<<"$needed" || true)
if [ -n "$others" ]; then
  echo "consumer: the packaged library needs more than the C and C++ runtimes: $others" >&2
  exit 1
fi
echo "consumer: the packaged libqzremote.so needs only: $(echo $needed)"

# The application: its own folder, its own package cache, the local feed as only source.
app=$scratch/app
mkdir -p "$app"
cp "$here/dotnet-consumer/Program.cs" "$app/"
cat >"$app/Consumer.csproj" <<PROJECT
<Project Sdk="Microsoft.NET.Sdk">
  <PropertyGroup>
    <OutputType>Exe</OutputType>
    <TargetFramework>net10.0</TargetFramework>
    <Nullable>enable</Nullable>
    <TreatWarningsAsErrors>true</TreatWarningsAsErrors>
  </PropertyGroup>
  <ItemGroup>
    <PackageReference Include="Velantrix.Proxies" Version="$version" />
  </ItemGroup>
</Project>
PROJECT
cat >"$app/nuget.config" <<CONFIG
<?xml version="1.0" encoding="utf-8"?>
<configuration>
  <packageSources>
    <clear />
    <add key="local" value="$scratch/feed" />
  </packageSources>
</configuration>
CONFIG
echo "consumer: building a console project that references Velantrix.Proxies $version"
NUGET_PACKAGES=$scratch/packages dotnet build "$app/Consumer.csproj" -c Release --nologo -v quiet \
  -o "$app/out" >/dev/null

coproc BROKER { exec "$native/simbroker/qzbroker-sim" --bind 127.0.0.1 --port 0; }
broker_pid=$BROKER_PID
line=""
read -r -t 10 -u "${BROKER[0]}" line || true
[[ "$line" == "listening on "*:* ]] || { echo "consumer: the simulated broker did not start" >&2; exit 1; }
port=${line##*:}
# No LD_LIBRARY_PATH: the library loads from the package's runtimes folder.
env -u LD_LIBRARY_PATH dotnet "$app/out/Consumer.dll" "$port"
