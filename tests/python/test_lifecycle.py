"""A proxy's life: the with statement, close(), and what a closed proxy does."""

import pytest

import qzremote


def test_with_closes_the_proxy_and_a_closed_proxy_refuses_every_use(sim_port):
    with qzremote.TextToSpeechProxy("127.0.0.1", sim_port) as tts:
        assert tts.ping() is True and not tts.closed
        post = tts.post
    assert tts.closed
    uses = [tts.ping, lambda: tts.say("x"), lambda: post.say("x"), lambda: tts.post.exit(),
            lambda: tts.timeout_ms, lambda: setattr(tts, "timeout_ms", 5)]
    for use in uses:
        with pytest.raises(ValueError, match=f"QZTextToSpeech at 127.0.0.1:{sim_port} is closed"):
            use()
    tts.close()  # a second close does nothing
    tts.cancel()


def test_the_with_statement_closes_on_an_exception_too(sim_port):
    with pytest.raises(KeyError):
        with qzremote.MotionProxy("127.0.0.1", sim_port) as motion:
            raise KeyError("inside")
    assert motion.closed


def test_repr_names_class_module_and_address(sim_port):
    proxy = qzremote.Proxy("QZMemory", "127.0.0.1", sim_port)
    assert repr(proxy) == f"<qzremote.Proxy QZMemory at 127.0.0.1:{sim_port}>"
    proxy.close()
    assert repr(proxy) == f"<qzremote.Proxy QZMemory at 127.0.0.1:{sim_port} (closed)>"


def test_a_method_refuses_a_proxy_of_another_class(sim_port):
    with qzremote.MemoryProxy("127.0.0.1", sim_port) as memory:
        with pytest.raises(TypeError, match="another proxy class"):
            qzremote.MotionProxy.ping(memory)
        with pytest.raises(TypeError, match="another proxy class"):
            qzremote.MotionProxy.PostHelper.exit(memory.post)


def test_the_bases_cannot_be_built_directly():
    with pytest.raises(TypeError):
        qzremote.ProxyBase()
