"""Threads: calls release the GIL, so distinct proxies in distinct threads run at the same
time; one proxy refuses a second thread; close() never frees a proxy under a call."""

import threading
import time

import pytest

import qzremote
import wire
from brokers import Reply

# The simulated broker speaks 20 ms per byte: this sentence lasts 0.5 s.
HALF_SECOND = "twenty-five bytes of text"


def answer_once_set(event):
    """An on_call that holds each call until `event` is set (at most 5 s), then answers True."""
    def on_call(call):
        event.wait(5)
        return Reply.result(wire.bool_item(True))
    return on_call


def test_two_threads_waiting_on_posted_says_finish_together(sim_port):
    assert len(HALF_SECOND.encode()) == 25
    speakers = [qzremote.TextToSpeechProxy("127.0.0.1", sim_port) for _ in range(2)]
    finished = []

    def speak(tts):
        task = tts.post.say(HALF_SECOND)
        finished.append(tts.wait(task, 0))

    threads = [threading.Thread(target=speak, args=(tts,)) for tts in speakers]
    started = time.monotonic()
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(10)
    elapsed = time.monotonic() - started
    for tts in speakers:
        tts.close()
    assert finished == [True, True]
    assert 0.45 <= elapsed < 0.9, f"two 0.5 s waits took {elapsed:.2f} s"


def test_a_second_thread_on_a_busy_proxy_is_refused(recording):
    release = threading.Event()
    recording.on_call = answer_once_set(release)
    with qzremote.MotionProxy("127.0.0.1", recording.port) as motion:
        first = threading.Thread(target=motion.ping)
        first.start()
        assert recording.wait_for_calls(2)
        with pytest.raises(qzremote.QZError, match="in use by another thread"):
            motion.version()
        release.set()
        first.join(5)
        assert motion.ping() is True


def test_close_from_another_thread_lets_the_running_call_finish(recording):
    release = threading.Event()
    recording.on_call = answer_once_set(release)
    motion = qzremote.MotionProxy("127.0.0.1", recording.port)
    results = []
    worker = threading.Thread(target=lambda: results.append(motion.ping()))
    worker.start()
    assert recording.wait_for_calls(2)
    motion.close()  # returns at once; the call keeps the native proxy alive
    assert motion.closed and worker.is_alive()
    release.set()
    worker.join(5)
    assert results == [True]
    with pytest.raises(ValueError):
        motion.ping()
