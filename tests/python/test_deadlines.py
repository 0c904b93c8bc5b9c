"""timeout_ms and cancel(): calls that a silent broker would hold for ever end on time."""

import socket
import threading
import time

import pytest

import qzremote
import wire
from brokers import Reply


def answer_true(call):
    return Reply.result(wire.bool_item(True))


def test_timeout_ms_is_0_by_default_and_can_be_set(recording):
    with qzremote.MotionProxy("127.0.0.1", recording.port) as motion:
        assert motion.timeout_ms == 0
        motion.timeout_ms = 250
        assert motion.timeout_ms == 250
        with pytest.raises(ValueError):
            motion.timeout_ms = -1
        assert motion.timeout_ms == 250
    with qzremote.MotionProxy("127.0.0.1", recording.port, timeout_ms=40) as motion:
        assert motion.timeout_ms == 40
    with pytest.raises(ValueError):
        qzremote.MotionProxy("127.0.0.1", recording.port, timeout_ms=-5)


def test_a_call_past_its_deadline_raises_timeout_and_the_proxy_stays_usable(recording):
    recording.on_call = lambda call: None
    with qzremote.MotionProxy("127.0.0.1", recording.port, timeout_ms=300) as motion:
        started = time.monotonic()
        with pytest.raises(qzremote.QZTimeoutError) as raised:
            motion.ping()
        elapsed = time.monotonic() - started
        assert 0.25 <= elapsed < 3
        assert isinstance(raised.value, TimeoutError)
        assert (raised.value.module, raised.value.method) == ("QZMotion", "ping")
        assert raised.value.description.startswith("timed out after 300 ms")
        recording.on_call = answer_true
        assert motion.ping() is True


def test_the_deadline_bounds_the_lookup_too(silent_port):
    started = time.monotonic()
    with pytest.raises(qzremote.QZTimeoutError):
        qzremote.MemoryProxy("127.0.0.1", silent_port, timeout_ms=200)
    assert time.monotonic() - started < 3


def test_cancel_ends_a_call_in_progress_from_another_thread(recording):
    recording.on_call = lambda call: None
    outcome = []
    with qzremote.MotionProxy("127.0.0.1", recording.port) as motion:
        def call():
            try:
                motion.ping()
                outcome.append("answered")
            except qzremote.QZError as error:
                outcome.append(error)

        worker = threading.Thread(target=call)
        worker.start()
        assert recording.wait_for_calls(2)  # the lookup, then the ping
        motion.cancel()
        worker.join(5)
        assert not worker.is_alive()
        assert "the call was cancelled" in str(outcome[0])
        motion.cancel()  # without a call: nothing happens
        recording.on_call = answer_true
        assert motion.ping() is True
    motion.cancel()  # closed: nothing to cancel


@pytest.fixture
def silent_port():
    """A port whose listener takes connections (in its backlog) and never answers."""
    with socket.create_server(("127.0.0.1", 0)) as listener:
        yield listener.getsockname()[1]
