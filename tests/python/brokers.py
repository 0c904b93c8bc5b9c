"""The brokers the tests talk to, both on 127.0.0.1 and an ephemeral port: the simulated
broker program qzbroker-sim, and a recording broker in this process that answers every
lookup, records every request and answers calls as each test says."""

import os
import pathlib
import shutil
import signal
import socket
import subprocess
import threading

import qzremote
import wire

MAX_HEAD = 64 * 1024
MAX_BODY = 64 * 1024 * 1024
STOP_SECONDS = 5


def simulated_broker_program():
    """qzbroker-sim: $QZBROKER_SIM, else beside the module in its build tree, else PATH."""
    given = os.environ.get("QZBROKER_SIM")
    if given:
        return given
    build = pathlib.Path(qzremote.__file__).resolve().parents[2]
    beside = build / "simbroker" / "qzbroker-sim"
    if beside.exists():
        return str(beside)
    found = shutil.which("qzbroker-sim")
    if found:
        return found
    raise RuntimeError("qzbroker-sim not found: set QZBROKER_SIM to the program")


class SimulatedBroker:
    """qzbroker-sim on 127.0.0.1 and a port of its choosing; stop() ends it by its pid."""

    def __init__(self, program):
        self._process = subprocess.Popen([program, "--bind", "127.0.0.1", "--port", "0"],
                                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                         text=True)
        line = []
        reader = threading.Thread(target=lambda: line.append(self._process.stdout.readline()))
        reader.start()
        reader.join(10)  # it prints "listening on ADDRESS:PORT" once it accepts connections
        if not line or not line[0].startswith("listening on "):
            self.stop()
            raise RuntimeError(f"{program} did not start within 10 s (it said {line!r})")
        self.port = int(line[0].rsplit(":", 1)[1])
        # Whatever else it prints is read away, so that it never blocks on its output.
        threading.Thread(target=self._process.stdout.read, daemon=True).start()

    def stop(self):
        if self._process.poll() is None:
            os.kill(self._process.pid, signal.SIGTERM)
            try:
                self._process.wait(STOP_SECONDS)
            except subprocess.TimeoutExpired:
                os.kill(self._process.pid, signal.SIGKILL)
                self._process.wait(STOP_SECONDS)


class Reply:
    """What the recording broker sends back: an HTTP status and an envelope."""

    def __init__(self, envelope, status="200 OK"):
        self.envelope, self.status = envelope, status

    @staticmethod
    def result(value_xml):
        return Reply(wire.call_answer(value_xml))

    @staticmethod
    def fault(fault_string, detail):
        return Reply(wire.fault(fault_string, detail), "500 Internal Server Error")


class RecordingBroker:
    """A loopback HTTP/1.1 broker with keep-alive. Every lookup finds the module here (at
    `lookup_address`), every call is answered by `on_call(call)`, every posted call with
    the next task id from 7001 on. An `on_call` that returns None leaves the call
    unanswered until the broker closes."""

    def __init__(self):
        self._listener = socket.create_server(("127.0.0.1", 0))
        self.port = self._listener.getsockname()[1]
        self.lookup_address = "127.0.0.1"
        self.on_call = lambda call: Reply.result(wire.NIL)
        self.calls = []
        self.task_id = 7000
        self.connections = 0
        self._lock = threading.Lock()
        self._arrived = threading.Condition(self._lock)
        self._closing = threading.Event()
        self._sockets, self._threads = [], []
        self._acceptor = threading.Thread(target=self._accept_all, daemon=True)
        self._acceptor.start()

    def wait_for_calls(self, count, seconds=5):
        """True once `count` requests have arrived, within `seconds`."""
        with self._arrived:
            return self._arrived.wait_for(lambda: len(self.calls) >= count, seconds)

    @property
    def last(self):
        with self._lock:
            return self.calls[-1]

    def close(self):
        self._closing.set()
        try:
            self._listener.shutdown(socket.SHUT_RDWR)  # wakes the acceptor
        except OSError:
            pass
        self._listener.close()
        with self._lock:
            sockets, threads = list(self._sockets), list(self._threads)
        for connection in sockets:
            try:
                connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            connection.close()
        for thread in threads + [self._acceptor]:
            thread.join(STOP_SECONDS)

    def _accept_all(self):
        while not self._closing.is_set():
            try:
                connection, _ = self._listener.accept()
            except OSError:
                return  # closed
            connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            thread = threading.Thread(target=self._serve, args=(connection,), daemon=True)
            with self._lock:
                self._sockets.append(connection)
                self._threads.append(thread)
                self.connections += 1
            thread.start()

    def _serve(self, connection):
        pending = b""
        try:
            while True:
                request, pending = self._read_request(connection, pending)
                if request is None:
                    return
                call = wire.parse_request(*request)
                with self._arrived:
                    self.calls.append(call)
                    self._arrived.notify_all()
                reply = self._reply_to(call)
                if reply is None:
                    self._closing.wait()
                    return
                body = reply.envelope.encode("utf-8")
                head = (f"HTTP/1.1 {reply.status}\r\nServer: qztest\r\n"
                        f"Content-Type: text/xml; charset=utf-8\r\n"
                        f"Content-Length: {len(body)}\r\nConnection: keep-alive\r\n\r\n")
                connection.sendall(head.encode("ascii") + body)
        except OSError:
            pass  # the client went away, or the broker is closing
        finally:
            connection.close()

    def _reply_to(self, call):
        if call.operation == "getModuleByName":
            return Reply(wire.module_record(call.module, self.lookup_address, self.port))
        if call.operation == "callTamsa2":
            with self._lock:
                self.task_id += 1
                return Reply(wire.post_answer(self.task_id))
        return self.on_call(call)

    @staticmethod
    def _read_request(connection, pending):
        """(body, content type) of the next request and the bytes after it, or None when
        the client closed the connection."""
        while b"\r\n\r\n" not in pending:
            if len(pending) > MAX_HEAD:
                return None, b""
            chunk = connection.recv(65536)
            if not chunk:
                return None, b""
            pending += chunk
        head, pending = pending.split(b"\r\n\r\n", 1)
        fields = {}
        for line in head.decode("latin-1").split("\r\n")[1:]:
            name, _, value = line.partition(":")
            fields[name.strip().lower()] = value.strip()
        length = int(fields.get("content-length", "0"))
        if not 0 <= length <= MAX_BODY:
            return None, b""
        while len(pending) < length:
            chunk = connection.recv(max(65536, length - len(pending)))
            if not chunk:
                return None, b""
            pending += chunk
        body, pending = pending[:length], pending[length:]
        return (body, fields.get("content-type", "")), pending
