"""Fixtures of the qzremote tests: the simulated broker (one for the session), a
recording broker per test, and the module catalogue.

    PYTHONPATH=<build>/python /usr/bin/python3 -m pytest tests/python

QZBROKER_SIM names qzbroker-sim when it is not in the same build tree as the module."""

import os
import sys

import pytest

import brokers

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import qzcatalogue  # noqa: E402


@pytest.fixture(scope="session")
def sim_port():
    """The port of a qzbroker-sim on 127.0.0.1, shared by the session's tests."""
    broker = brokers.SimulatedBroker(brokers.simulated_broker_program())
    yield broker.port
    broker.stop()


@pytest.fixture
def recording():
    broker = brokers.RecordingBroker()
    yield broker
    broker.close()


@pytest.fixture(scope="session")
def catalogue():
    return qzcatalogue.load(os.path.join(ROOT, "catalogue", "modules.qzcat"))
