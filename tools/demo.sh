#!/usr/bin/env bash
# The demo on a built tree: starts the simulated broker on an ephemeral loopback port,
# runs examples/hello_robot against it (and with --dotnet its C# twin
# examples/dotnet/HelloRobot, built on this tree's libqzremote.so; then, where the tree
# has the Python module, the Python twin examples/python/hello_robot.py), and stops the
# broker again.
#
#   tools/demo.sh BUILD_DIR [--dotnet]
#
# Exits with the first failing example's status; the broker is stopped however the
# script ends.
set -uo pipefail

build=${1:?usage: tools/demo.sh BUILD_DIR [--dotnet]}
with_dotnet=false
[ "${2:-}" = "--dotnet" ] && with_dotnet=true
repo=$(cd "$(dirname "$0")/.." && pwd)
broker=$build/simbroker/qzbroker-sim
example=$build/examples/hello_robot
for program in "$broker" "$example"; do
  if [ ! -x "$program" ]; then
    echo "demo: $program is not built" >&2
    exit 1
  fi
done

# The picture goes beside the build, named by its full path so it can be opened at once.
picture=$(cd "$build" && pwd)/hello_robot.png
scratch=$(mktemp -d)
broker_pid=""
example_pid=""

stop_broker() {
  [ -n "$broker_pid" ] || return 0
  if kill -0 "$broker_pid" 2>/dev/null; then
    kill -TERM "$broker_pid" 2>/dev/null
    for _ in $(seq 50); do  # up to 5 s for a clean stop
      kill -0 "$broker_pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$broker_pid" 2>/dev/null; then
      echo "demo: the simulated broker ignored SIGTERM; killing it" >&2
      kill -KILL "$broker_pid" 2>/dev/null
    fi
  fi
  wait "$broker_pid" 2>/dev/null
  broker_pid=""
  echo "demo: simulated broker stopped"
}
cleanup() {
  if [ -n "$example_pid" ]; then
    kill -TERM "$example_pid" 2>/dev/null
    wait "$example_pid" 2>/dev/null
  fi
  stop_broker
  rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The broker prints "listening on ADDRESS:PORT" once it accepts connections; reading
# that line (with a time limit) is the readiness check, and it names the port.
coproc BROKER { exec "$broker" --bind 127.0.0.1 --port 0 2>"$scratch/broker.err"; }
broker_pid=$BROKER_PID
exec {broker_out}<&"${BROKER[0]}"

line=""
read -r -t 10 -u "$broker_out" line
if [[ "$line" != "listening on "*:* ]]; then
  echo "demo: the simulated broker did not start within 10 s (it said: '$line')" >&2
  cat "$scratch/broker.err" >&2
  exit 1
fi
port=${line##*:}
# Whatever else the broker prints is read away, so that it never blocks on output.
cat <&"$broker_out" >/dev/null &
exec {broker_out}<&-

echo "demo: simulated broker $line (pid $broker_pid)"

# run_example NAME PICTURE COMMAND...: one example, waited for in the background so
# that a signal to this script is handled at once.
run_example() {
  local name=$1 picture=$2; shift 2
  echo
  echo "demo: running $name 127.0.0.1 $port"
  echo
  "$@" 127.0.0.1 "$port" "$picture" &
  example_pid=$!
  wait "$example_pid"
  local status=$?
  example_pid=""
  echo
  if [ "$status" -eq 0 ]; then
    echo "demo: $name finished; its picture is $picture"
  else
    echo "demo: $name failed with status $status" >&2
  fi
  return "$status"
}

run_example examples/hello_robot "$picture" "$example" || exit
build_path=$(cd "$build" && pwd)
if $with_dotnet; then
  native=$(cd "$build" && pwd)
  run_example examples/dotnet/HelloRobot "$native/hello_robot_dotnet.png" \
    dotnet run -c Release --project "$repo/examples/dotnet/HelloRobot" \
      -p:QZNativeDir="$native" -- || exit
fi
# Debian's python3, which the module is built for (PATH may find another first).
if [ -d "$build/python/qzremote" ]; then
  run_example examples/python/hello_robot.py "$build_path/hello_robot_python.png" \
    env PYTHONPATH="$build_path/python" /usr/bin/python3 -B "$repo/examples/python/hello_robot.py" \
    || exit
else
  echo
  echo "demo: $build has no Python module (python/): examples/python/hello_robot.py is skipped"
fi
