"""Every class of the catalogue, constructed against the simulated broker and pinged."""

import pytest

import qzremote


def test_there_is_a_class_for_each_of_the_45_modules(catalogue):
    assert len(catalogue.modules) == 45
    for module in catalogue.modules:
        cls = getattr(qzremote, module.host_class)
        assert issubclass(cls, qzremote.ProxyBase)
        assert f"broker module {module.name};" in cls.__doc__


def test_every_class_connects_to_its_module_and_pings(catalogue, sim_port):
    for module in catalogue.modules:
        with getattr(qzremote, module.host_class)("127.0.0.1", sim_port) as proxy:
            assert proxy.ping() is True, module.name
            assert repr(proxy).endswith(f" {module.name} at 127.0.0.1:{sim_port}>")


def test_localhost_is_the_loopback_address(sim_port):
    with qzremote.MotionProxy("LocalHost", sim_port) as motion:
        assert motion.ping() is True
        assert repr(motion).endswith(f"QZMotion at 127.0.0.1:{sim_port}>")


def test_the_untyped_proxy_reaches_any_module_by_name(sim_port):
    with qzremote.Proxy("QZTextToSpeech", "127.0.0.1", sim_port) as tts:
        assert tts.genericCall("ping") is True
        assert "English" in tts.genericCall("getAvailableLanguages")
        tts.genericVoidCall("setVolume", [0.5])
        assert tts.genericCall("getVolume") == 0.5
        task = tts.genericPost("say", ["x"])
        assert isinstance(task, int) and tts.genericCall("wait", [task, 0]) is True
    with pytest.raises(qzremote.QZError):
        qzremote.Proxy("QZTextToSpeech", "127.0.0.1", sim_port).genericCall("noSuchMethod")
