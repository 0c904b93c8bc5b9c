#!/usr/bin/env python3
"""The Python module against the C++ native proxies and against a generic SOAP client, in
one run against one simulated broker:

  ping                            qzremote against the C++ native proxy (bench_native_calls,
                                  the Google Benchmark program the bindings share)
  ping against zeep               the same callTamsa sent by zeep (raw_response=True: zeep
                                  cannot read the broker's value types)
  100,000 floats as list[float]   QZVideoDevice.getAngPosFromImgPos, which returns the list
                                  it is given, against the C++ native proxy

Each case alternates rounds of Python calls with rounds of the other side and reports the
medians as a ratio with its goal.

    PYTHONPATH=BUILD/python /usr/bin/python3 bench/python/bench_calls.py BUILD [ROUNDS]
"""

import json
import os
import pathlib
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

import qzremote

HOST = "127.0.0.1"
ROUND_SECONDS = 0.5
FLOATS = [0.25] * 100_000


class SimulatedBroker:
    """qzbroker-sim on an ephemeral loopback port, stopped by its pid."""

    def __init__(self, program):
        self.process = subprocess.Popen([program, "--bind", HOST, "--port", "0"],
                                        stdout=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()  # "listening on ADDRESS:PORT" once ready
        if not line.startswith("listening on "):
            self.stop()
            raise RuntimeError(f"{program} did not start (it said {line!r})")
        self.port = int(line.rsplit(":", 1)[1])
        threading.Thread(target=self.process.stdout.read, daemon=True).start()

    def stop(self):
        if self.process.poll() is None:
            os.kill(self.process.pid, signal.SIGTERM)
            self.process.wait(10)


def seconds_per_call(call, seconds=ROUND_SECONDS):
    calls, start = 0, time.perf_counter()
    while calls < 3 or time.perf_counter() - start < seconds:
        call()
        calls += 1
    return (time.perf_counter() - start) / calls


def native_seconds_per_call(program, port, benchmark):
    """Real time per call of one case of bench_native_calls against the same broker."""
    done = subprocess.run([program, f"--port={port}", f"--benchmark_filter=^{benchmark}/",
                           "--benchmark_format=json", f"--benchmark_min_time={ROUND_SECONDS}"],
                          capture_output=True, text=True, timeout=120, check=True)
    for run in json.loads(done.stdout)["benchmarks"]:
        if run.get("error_occurred"):
            raise RuntimeError(f"{benchmark}: {run['error_message']}")
        unit = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[run["time_unit"]]
        return run["real_time"] * unit
    raise RuntimeError(f"{program} ran no {benchmark}: {done.stderr}")


def zeep_ping(program, port):
    """A function that sends QZMotion.ping through zeep, or None without zeep."""
    try:
        import zeep
    except ImportError:
        return None
    with tempfile.NamedTemporaryFile("w", suffix=".wsdl", delete=False) as wsdl:
        wsdl.write(subprocess.run([program, "--wsdl"], capture_output=True, text=True,
                                  check=True, timeout=30).stdout)
    client = zeep.Client(wsdl.name)
    os.unlink(wsdl.name)
    service = client.create_service("{urn:qzbroker}qzbroker", f"http://{HOST}:{port}/")
    empty = client.get_type("{urn:velantrix}Value")

    def ping():
        with client.settings(raw_response=True):
            answer = service.callTamsa(mod="QZMotion", meth="ping", p=empty())
        if answer.status_code != 200 or "true" not in answer.text:
            raise RuntimeError(f"zeep's ping failed: {answer.status_code}")
    return ping


def compare(name, ours, theirs, rounds, higher, goal, their_name):
    """Alternates rounds of both sides (spreading any drift of the machine evenly) and
    prints the medians; times for ping (lower is better), throughputs for bulk cases."""
    ours()  # warm-up: the broker's first allocations
    python, other = [], []
    for round_ in range(rounds):
        sides = [(python, lambda: seconds_per_call(ours)), (other, theirs)]
        for results, measure in (sides if round_ % 2 == 0 else reversed(sides)):
            results.append(measure())
    mine, their = statistics.median(python), statistics.median(other)
    ratio = their / mine if higher else mine / their
    met = ratio >= goal if higher else ratio <= goal
    what = "throughput" if higher else "time"
    print(f"{name}: Python {shown(mine)} per call, {their_name} {shown(their)} per call; "
          f"{what} x{ratio:.3f} of {their_name}, goal {'>=' if higher else '<='} x{goal:.2f}: "
          f"{'met' if met else 'MISSED'}")
    return met


def shown(seconds):
    return f"{seconds * 1e3:.2f} ms" if seconds >= 1e-3 else f"{seconds * 1e6:.1f} us"


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__, file=sys.stderr)
        return 2
    build = pathlib.Path(argv[1])
    rounds = int(argv[2]) if len(argv) == 3 else 5
    broker_program = str(build / "simbroker" / "qzbroker-sim")
    native_program = str(build / "bench" / "bench_native_calls")
    for program in (broker_program, native_program):
        if not os.access(program, os.X_OK):
            print(f"{program} is not built: build {build} with -DQZ_BUILD_BENCH=ON",
                  file=sys.stderr)
            return 2

    broker = SimulatedBroker(broker_program)
    try:
        port = broker.port
        print(f"simulated broker on {HOST}:{port}; {rounds} rounds of {ROUND_SECONDS} s a side")
        with qzremote.MotionProxy(HOST, port) as motion, \
                qzremote.VideoDeviceProxy(HOST, port) as video:
            def floats():
                if len(video.getAngPosFromImgPos(FLOATS)) != len(FLOATS):
                    raise RuntimeError("floats lost")

            met = [
                compare("ping", motion.ping,
                        lambda: native_seconds_per_call(native_program, port, "BM_Ping"),
                        rounds, higher=False, goal=1.30, their_name="C++"),
                compare("100,000 floats as list[float]", floats,
                        lambda: native_seconds_per_call(native_program, port, "BM_Floats100k"),
                        rounds, higher=True, goal=0.60, their_name="C++"),
            ]
            zeep = zeep_ping(broker_program, port)
            if zeep is None:
                print("ping against zeep: skipped, python3-zeep is not installed")
            else:
                met.append(compare("ping against zeep", motion.ping,
                                   lambda: seconds_per_call(zeep), rounds, higher=True,
                                   goal=8.0, their_name="zeep"))
        print("All goals met." if all(met) else "Some goals missed.")
    finally:
        broker.stop()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
