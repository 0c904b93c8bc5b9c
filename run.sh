#!/usr/bin/env bash
# The project's two commands:
#   ./run.sh demo   build in Release, start the simulated broker on loopback, run the
#                   example application against it, stop the broker
#   ./run.sh test   build with AddressSanitizer and UndefinedBehaviorSanitizer and run
#                   the whole CTest suite, then on a Release native library the Python
#                   module's pytest suite, the .NET assembly's tests and the package
#                   consumer test; exits non-zero on any failure
# Also: ./run.sh bench (Release benchmarks), ./run.sh fuzz [seconds] (libFuzzer targets,
# 60 s each by default), ./run.sh tsan (the suite under ThreadSanitizer), ./run.sh soak
# [calls] [seed] (the long soak against a broker that fails on purpose, in the sanitized
# build of ./run.sh test), ./run.sh deps (install packages only).
# Missing Debian packages are installed with apt-get first.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake g++ make pkg-config python3 gsoap libgsoap-dev libtinyxml-dev
          libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libpng-dev
          pybind11-dev python3-dev python3-pytest)
JOBS=$(nproc 2>/dev/null || echo 2)

install_missing() {  # [more packages than PACKAGES...]
  local missing=()
  for package in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
      || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
}

configure_and_build() {  # <build dir> <cmake args...>
  local dir=$1; shift
  cmake -S . -B "$dir" "$@"
  cmake --build "$dir" -j "$JOBS"
}

# The .NET SDK is not a Debian package: where it is missing, the .NET parts are skipped.
have_dotnet() {
  command -v dotnet >/dev/null 2>&1 && return 0
  echo "dotnet is not installed: the .NET assembly, its tests and its example are skipped"
  return 1
}

# The native library and simulated broker that .NET loads: Release, without sanitizers.
build_native() {  # <build dir> <more cmake args...>
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DQZ_BUILD_TESTS=OFF "$@"
}

# The Python module is configured where pybind11 and the headers of Debian's python3 are
# found (python/QZPythonFind.cmake); elsewhere its parts are skipped.
have_python_module() {  # <build dir>
  grep -q '^QZ_BUILD_PYTHON:BOOL=ON' "$1/CMakeCache.txt" 2>/dev/null && return 0
  echo "the Python module qzremote is not configured in $1: its tests, example and benchmark are skipped"
  return 1
}

# The pytest suite against the module of a build folder, with Debian's python3 (the one the
# module is built for; PATH may find another first).
run_python_tests() {  # <build dir>
  local dir=$PWD/$1
  PYTHONPATH="$dir/python" QZBROKER_SIM="$dir/simbroker/qzbroker-sim" QZ_BUILD_DIR="$dir" \
    /usr/bin/python3 -B -m pytest -q -p no:cacheprovider tests/python
}

run_tests() {
  local status=0
  configure_and_build build/test -DCMAKE_BUILD_TYPE=Debug -DQZ_SANITIZE=ON -DQZ_BUILD_BENCH=OFF
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build/test --output-on-failure -j "$JOBS" --timeout 300 || status=1
  build_native build/native -DQZ_BUILD_BENCH=OFF
  if have_python_module build/native; then
    cmake --build build/native -j "$JOBS" --target qzremote qzbroker-sim qzremote_python
    run_python_tests build/native || status=1
  fi
  if have_dotnet; then
    cmake --build build/native -j "$JOBS" --target qzremote qzbroker-sim
    dotnet test dotnet/QZRemote.sln -c Release -p:QZNativeDir="$PWD/build/native" \
      --logger "console;verbosity=minimal" || status=1
    tests/packaging/dotnet_consumer_test.sh build/native || status=1
  fi
  [ "$status" -eq 0 ] && echo "run.sh test: every suite passed" || echo "run.sh test: FAILED" >&2
  return "$status"
}

# Every CTest case in a ThreadSanitizer build: proxies on many threads, cancel(), the
# simulated broker's threads, the C ABI under .NET-like use.
run_tsan() {
  configure_and_build build/tsan -DCMAKE_BUILD_TYPE=Debug -DQZ_TSAN=ON -DQZ_BUILD_BENCH=OFF
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    ctest --test-dir build/tsan --output-on-failure -j "$JOBS" --timeout 600
}

# The soak of tests/soak with many calls (10000 by default) and a fresh seed unless one
# is given; QZ_SOAK_BUILD names another build folder of the same configuration.
run_soak() {  # [calls] [seed]
  local dir=${QZ_SOAK_BUILD:-build/test}
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DQZ_SANITIZE=ON -DQZ_BUILD_BENCH=OFF
  cmake --build "$dir" -j "$JOBS" --target soak_tests
  QZ_SOAK_CALLS=${1:-10000} QZ_SOAK_SEED=${2:-$(date +%s)} \
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$dir/tests/soak/soak_tests" --gtest_filter='Soak.*'
}

run_bench() {
  configure_and_build build/release -DCMAKE_BUILD_TYPE=Release -DQZ_BUILD_TESTS=OFF
  for bench in build/release/bench/bench_*; do
    # bench_callcount is no benchmark: bench/callgrind.sh runs it under valgrind.
    [ "$(basename "$bench")" = bench_callcount ] && continue
    echo "== $bench"
    "$bench" --benchmark_min_time=0.2
  done
  echo "Instruction counts per call: bench/callgrind.sh build/release"
  if have_dotnet; then
    echo "== dotnet/Velantrix.Proxies.Benchmarks (C# against the C++ native proxies)"
    dotnet run -c Release --project dotnet/Velantrix.Proxies.Benchmarks \
      -p:QZNativeDir="$PWD/build/release"
  fi
  if have_python_module build/release; then
    echo "== bench/python (Python against the C++ native proxies and against zeep)"
    PYTHONPATH="$PWD/build/release/python" /usr/bin/python3 -B bench/python/bench_calls.py build/release
  fi
}

run_demo() {
  configure_and_build build/release -DCMAKE_BUILD_TYPE=Release -DQZ_BUILD_TESTS=OFF -DQZ_BUILD_BENCH=OFF
  if [ ! -x tools/demo.sh ] || [ ! -x build/release/simbroker/qzbroker-sim ]; then
    echo "The demo needs the simulated broker and the example application, which are not built yet."
    echo "Nothing was run. './run.sh test' builds and checks what exists so far."
    exit 1
  fi
  if have_dotnet; then
    tools/demo.sh build/release --dotnet
  else
    tools/demo.sh build/release
  fi
}

case "${1:-}" in
  test) install_missing; run_tests ;;
  demo) install_missing; run_demo ;;
  bench) install_missing python3-zeep; run_bench ;;
  fuzz) install_missing; tools/fuzz.sh "${2:-60}" ;;
  tsan) install_missing; run_tsan ;;
  soak) install_missing; run_soak "${2:-}" "${3:-}" ;;
  deps) install_missing ;;
  *) echo "usage: $0 demo|test|bench|fuzz [seconds]|tsan|soak [calls] [seed]|deps" >&2; exit 2 ;;
esac
