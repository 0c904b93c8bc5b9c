#!/usr/bin/env bash
# Counts the client's instructions per small call with callgrind, for this library
# (QZProxyRemote::callRemote<bool>("ping")) and for a plain gSOAP echo client, both
# against the in-process bench broker, and prints their ratio. Builds nothing.
#
#   bench/callgrind.sh RELEASE_BUILD_DIR [CALLS] [--annotate[=MODE]] [--keep]
#
# RELEASE_BUILD_DIR holds bench/bench_callcount (cmake --build DIR --target bench_callcount).
# CALLS        counted calls per client (default 200), after one uncounted first call.
# --annotate   also prints callgrind_annotate's inclusive and exclusive tables of MODE
#              (default ours; also gsoap, ours-floats, ours-dime, gsoap-dime).
# --keep       keeps the callgrind output files and says where.
set -euo pipefail

usage() { sed -n '6,12p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
[ $# -ge 1 ] || usage
build=$1
shift
calls=200
annotate=""
keep=0
for arg in "$@"; do
  case $arg in
    --annotate) annotate=ours ;;
    --annotate=*) annotate=${arg#--annotate=} ;;
    --keep) keep=1 ;;
    ''|*[!0-9]*) usage ;;
    *) calls=$arg ;;
  esac
done
[ "$calls" -ge 1 ] && [ "$calls" -le 100000 ] || { echo "CALLS must be 1 to 100000" >&2; exit 2; }

program=$build/bench/bench_callcount
[ -x "$program" ] || { echo "$program not found: build the target bench_callcount first" >&2; exit 2; }

if ! command -v valgrind >/dev/null || ! command -v callgrind_annotate >/dev/null; then
  echo "installing valgrind" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -q valgrind >/dev/null 2>&1 || { apt-get update -q >/dev/null && apt-get install -y -q valgrind >/dev/null; }
fi

out=$(mktemp -d /tmp/qz-callgrind.XXXXXX)
if [ "$keep" = 1 ]; then echo "callgrind files kept in $out" >&2; else trap 'rm -rf "$out"' EXIT; fi

# Collection is on only inside qzbench_counted_call, and callgrind toggles it per
# thread: the broker's threads in the same process are not counted.
run_callgrind() {  # MODE CALLS
  timeout 900 valgrind --tool=callgrind --dump-instr=no --collect-atstart=no \
    --toggle-collect=qzbench_counted_call --callgrind-out-file="$out/$1.out" \
    "$program" "$1" "$2" >"$out/$1.log" 2>&1 || { echo "callgrind run of $1 failed:" >&2; cat "$out/$1.log" >&2; exit 1; }
  awk '/^summary:/ { print $2; exit }' "$out/$1.out"
}

ours=$(run_callgrind ours "$calls")
gsoap=$(run_callgrind gsoap "$calls")
awk -v o="$ours" -v g="$gsoap" -v n="$calls" 'BEGIN {
  printf "client instructions per call (callgrind Ir, %d calls each)\n", n
  printf "  ours  (callRemote<bool>(\"ping\"), status pair answer): %10.0f\n", o / n
  printf "  gsoap (plain gSOAP echo of \"ping\"):                   %10.0f\n", g / n
  printf "  ratio ours / gsoap: %.2f\n", o / g
}'

if [ -n "$annotate" ]; then
  if [ ! -s "$out/$annotate.out" ]; then
    case $annotate in ours-floats) n=2 ;; *-dime) n=10 ;; *) n=$calls ;; esac
    run_callgrind "$annotate" "$n" >/dev/null
  fi
  echo
  echo "=== $annotate: inclusive ==="
  callgrind_annotate --inclusive=yes "$out/$annotate.out" 2>/dev/null | sed -n '1,60p'
  echo
  echo "=== $annotate: exclusive ==="
  callgrind_annotate "$out/$annotate.out" 2>/dev/null | sed -n '1,45p'
fi
