"""Failures as Python exceptions: the classes, the native text and its parts."""

import pytest

import qzremote
import wire
from brokers import Reply


def test_the_error_classes_sit_under_runtime_and_timeout_errors():
    assert issubclass(qzremote.QZError, RuntimeError)
    assert issubclass(qzremote.QZNetworkError, qzremote.QZError)
    assert issubclass(qzremote.QZTimeoutError, qzremote.QZNetworkError)
    assert issubclass(qzremote.QZTimeoutError, TimeoutError)
    made_here = qzremote.QZError("text")
    assert str(made_here) == "text" and made_here.module is None


def test_an_unreachable_broker_is_a_network_error_naming_module_and_endpoint(recording):
    closed = recording.port
    recording.close()  # nothing listens there any more
    with pytest.raises(qzremote.QZNetworkError) as raised:
        qzremote.MotionProxy("127.0.0.1", closed)
    error = raised.value
    assert str(error) == (f"\tQZNetwork::getModuleByName\n\tfailed to get module QZMotion "
                          f"http://127.0.0.1:{closed}")
    assert (error.module, error.method) == ("QZNetwork", "getModuleByName")
    assert error.description == f"failed to get module QZMotion http://127.0.0.1:{closed}"


def test_a_module_the_broker_does_not_know_is_a_network_error(sim_port):
    with pytest.raises(qzremote.QZNetworkError, match="failed to get module QZNoSuchModule"):
        qzremote.Proxy("QZNoSuchModule", "127.0.0.1", sim_port)


def test_a_soap_fault_keeps_its_string_and_detail(recording):
    recording.on_call = lambda call: Reply.fault("QZMemory.getData: no value",
                                                 "getData(string key)")
    with qzremote.MemoryProxy("127.0.0.1", recording.port) as memory:
        with pytest.raises(qzremote.QZError) as raised:
            memory.getData("missing")
    error = raised.value
    assert type(error) is qzremote.QZError
    assert error.module == "QZMemory"
    assert error.method == "SOAP error:QZMemory.getData: no value"
    assert error.description == "SOAP detail: getData(string key)"
    assert str(error) == f"\t{error.module}::{error.method}\n\t{error.description}"


def test_the_simulated_brokers_refusal_reaches_python(sim_port):
    with qzremote.MotionProxy("127.0.0.1", sim_port) as motion:
        with pytest.raises(qzremote.QZError) as raised:
            motion.setAngles("NoSuchJoint", 0.5, 0.1)
    assert "names no joint or chain: NoSuchJoint" in raised.value.method


def test_an_answer_of_the_wrong_kind_is_a_conversion_error(recording):
    recording.on_call = lambda call: Reply.result(wire.string_item("x"))
    with qzremote.MotionProxy("127.0.0.1", recording.port) as motion:
        with pytest.raises(qzremote.QZError) as raised:
            motion.ping()
    assert (raised.value.module, raised.value.description) == (
        "convertFromQZValue", "Parameter type is String instead of bool")
    recording.on_call = lambda call: Reply.result(wire.NIL)
    with qzremote.MotionProxy("127.0.0.1", recording.port) as motion:
        with pytest.raises(qzremote.QZError, match="Waiting for the result of a void function"):
            motion.version()


def test_error_texts_that_are_not_utf8_show_their_bytes_escaped(recording):
    recording.on_call = lambda call: Reply.fault("caf&#233;", "d")
    with qzremote.MemoryProxy("127.0.0.1", recording.port) as memory:
        with pytest.raises(qzremote.QZError) as raised:
            memory.getData("k")
    assert raised.value.method == "SOAP error:caf\\xe9"
