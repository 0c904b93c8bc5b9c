#!/usr/bin/env bash
# Installs the built project into a scratch prefix, runs the installed programs from
# there, then configures, builds and runs a consumer project that finds it with
# find_package(QZRemote).
# Usage: consumer_test.sh <build dir> <consumer source dir> <c++ compiler>
set -euo pipefail
build_dir=$1 consumer_src=$2 compiler=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --install "$build_dir" --prefix "$scratch/prefix" >/dev/null
# The installed programs find their library from any prefix, with no LD_LIBRARY_PATH.
env -u LD_LIBRARY_PATH "$scratch/prefix/bin/qzbroker-sim" --help >/dev/null
env -u LD_LIBRARY_PATH "$scratch/prefix/bin/qzcall" --help >/dev/null
cmake -S "$consumer_src" -B "$scratch/build" -DCMAKE_CXX_COMPILER="$compiler" \
      -DCMAKE_PREFIX_PATH="$scratch/prefix" >/dev/null
cmake --build "$scratch/build" >/dev/null
LD_LIBRARY_PATH="$scratch/prefix/lib:${LD_LIBRARY_PATH:-}" "$scratch/build/consumer"
test -f "$scratch/prefix/lib/pkgconfig/qzremote.pc"
