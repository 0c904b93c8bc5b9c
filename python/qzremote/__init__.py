"""qzremote: drive the modules of a robot's broker from Python.

Each module of the broker has a proxy class whose methods carry the module's own names
and parameter names, and wait for the broker's answer::

    import qzremote

    with qzremote.TextToSpeechProxy("127.0.0.1", 4700) as tts:
        task = tts.post.say("Hello")      # starts a task, returns its id at once
        tts.wait(task, 0)                 # ... which wait, isRunning and stop take
    with qzremote.MotionProxy("127.0.0.1", 4700, timeout_ms=5000) as motion:
        motion.setAngles(["HeadYaw", "HeadPitch"], [0.5, -0.2], 0.2)
        print(motion.getAngles(["HeadYaw"], True))

Values travel as the broker's kinds: None, bool, int (32 bits), float (32 bits), str
(UTF-8), bytes-likes (Binary, back as bytes), lists and tuples (Array, back as lists)
and ObjectValue (Object); a dict or any other type raises TypeError before anything is
sent. A failure raises QZError, with QZNetworkError and QZTimeoutError beneath it. Every call releases the GIL while it waits,
so distinct proxies may call from distinct threads at once.
"""

from ._qzremote import *  # noqa: F401,F403  (the classes are defined by the extension)
from ._qzremote import __version__  # noqa: F401
