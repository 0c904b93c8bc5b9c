#!/usr/bin/env bash
# Fuzzes the wire parsers with libFuzzer:
#   tools/fuzz.sh [seconds]   runs each target that long (default 60)
# Every folder tests/fuzz/corpus/<name> belongs to the target fuzz_<name>; the target
# runs on a copy of it, so the checked-in corpus stays as written. Builds with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer in build/fuzz. Exits non-zero when a
# target finds a crash, a leak, a time-out or a broken invariant; the input that did it
# is kept in build/fuzz/findings/<name>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

missing=()
for package in clang libclang-rt-dev; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
    || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
fi

build=build/fuzz
# The whole library gets coverage instrumentation, so the fuzzer is guided inside it too.
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQZ_SANITIZE=ON -DQZ_BUILD_BENCH=OFF -DQZ_INSTALL=OFF \
  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link

names=()
for corpus in tests/fuzz/corpus/*/; do
  names+=("$(basename "$corpus")")
done
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target "${names[@]/#/fuzz_}"

status=0
for name in "${names[@]}"; do
  work="$build/corpus/$name"
  findings="$build/findings/$name"
  rm -rf "$work"
  mkdir -p "$work" "$findings"
  cp tests/fuzz/corpus/"$name"/* "$work"/
  echo "== fuzz_$name for ${seconds} s"
  # -close_fd_mask=1: the reader's own stdout lines would only drown the fuzzer's report.
  if ! "$build/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2048 -close_fd_mask=1 -artifact_prefix="$findings/" "$work"; then
    echo "fuzz_$name FAILED; inputs in $findings" >&2
    status=1
  fi
done
exit $status
