#!/usr/bin/env python3
"""Checks the module catalogue against the broker's published module figures.

Usage: python3 check_catalogue.py <path-to-modules.qzcat>

The figures below are written down independently of the catalogue, so that a
row lost, doubled, moved or retyped while editing it shows up here.
"""

import os
import sys
import tempfile
from collections import Counter

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import qzcatalogue  # noqa: E402

# Module -> (methods, posted methods): the common methods included, every form
# of an overloaded method counted; a method is posted when its result is void.
MODULE_COUNTS = {
    "QZAudioDevice": (44, 22), "QZAudioPlayer": (38, 22), "QZAudioRecorder": (27, 12),
    "QZAudioSourceLocalization": (26, 11), "QZBacklightingDetection": (32, 9),
    "QZBattery": (12, 2), "QZBehaviorManager": (33, 8), "QZBonjour": (11, 2),
    "QZConnectionManager": (30, 14), "QZDarknessDetection": (34, 10),
    "QZFaceDetection": (29, 9), "QZFaceTracker": (17, 5), "QZFileManager": (18, 3),
    "QZFrameManager": (31, 15), "QZFsr": (11, 2), "QZInfrared": (18, 9),
    "QZLandMarkDetection": (22, 7), "QZLaser": (15, 6), "QZLauncher": (17, 2),
    "QZLeds": (27, 13), "QZLogger": (27, 17), "QZMemory": (43, 20), "QZMotion": (102, 61),
    "QZMotionRecorder": (15, 5), "QZNavigation": (14, 3), "QZPhotoCapture": (25, 7),
    "QZPreferences": (14, 3), "QZPythonBridge": (14, 2), "QZRedBallDetection": (22, 7),
    "QZRedBallTracker": (17, 5), "QZResourceManager": (25, 10), "QZRobotPose": (13, 2),
    "QZRobotPosture": (18, 4), "QZSensors": (23, 8), "QZSentinel": (29, 17),
    "QZSonar": (23, 7), "QZSoundDetection": (29, 12), "QZSpeechRecognition": (36, 17),
    "QZTextToSpeech": (29, 13), "QZVideoDevice": (88, 8), "QZVideoRecorder": (25, 9),
    "QZVisionRecognition": (25, 9), "QZVisionToolbox": (23, 10), "QZVisualCompass": (38, 10),
    "DCM": (19, 6),
}
TOTAL_METHODS, TOTAL_POSTED = 1228, 455

# Groups in catalogue order, each with its modules in order and its count of
# own methods (common ones excluded).
GROUPS = [
    ("motion-and-body", 167, [
        "QZMotion", "QZRobotPosture", "QZRobotPose", "QZMotionRecorder", "QZNavigation",
        "DCM", "QZSensors", "QZSonar", "QZFsr", "QZInfrared", "QZLaser", "QZBattery",
        "QZLeds"]),
    ("audio-and-speech", 152, [
        "QZAudioDevice", "QZAudioPlayer", "QZAudioRecorder", "QZAudioSourceLocalization",
        "QZSoundDetection", "QZSpeechRecognition", "QZTextToSpeech"]),
    ("vision", 254, [
        "QZVideoDevice", "QZVideoRecorder", "QZPhotoCapture", "QZFaceDetection",
        "QZFaceTracker", "QZLandMarkDetection", "QZRedBallDetection", "QZRedBallTracker",
        "QZVisionRecognition", "QZVisionToolbox", "QZVisualCompass",
        "QZBacklightingDetection", "QZDarknessDetection"]),
    ("system-services", 160, [
        "QZMemory", "QZLogger", "QZBehaviorManager", "QZFrameManager", "QZSentinel",
        "QZLauncher", "QZFileManager", "QZPreferences", "QZResourceManager",
        "QZConnectionManager", "QZPythonBridge", "QZBonjour"]),
]

COMMON = [
    "exit() -> void",
    "getBrokerName() -> string",
    "getMethodHelp(string methodName) -> object",
    "getMethodList() -> list of strings",
    "getModuleHelp() -> object",
    "getUsage(string name) -> string",
    "isRunning(int id) -> bool",
    "ping() -> bool",
    "stop(int id) -> void",
    "version() -> string",
    "wait(int id, int timeoutPeriod) -> bool",
]

# Every name that has several forms within one module, with its number of forms.
OVERLOADED_NAMES = 51
OVERLOADS = {
    ("QZMotion", "move"): 2, ("QZMotion", "moveTo"): 4, ("QZMotion", "moveToward"): 2,
    ("QZMotion", "setWalkTargetVelocity"): 3, ("QZMotion", "walkTo"): 4,
    ("QZNavigation", "moveTo"): 2, ("QZSensors", "subscribe"): 2,
    ("QZSonar", "subscribe"): 2, ("QZInfrared", "send32"): 2,
    ("QZAudioDevice", "setClientPreferences"): 2, ("QZAudioPlayer", "play"): 2,
    ("QZAudioPlayer", "playFile"): 2, ("QZAudioPlayer", "playFileFromPosition"): 2,
    ("QZAudioPlayer", "playFileInLoop"): 2, ("QZAudioPlayer", "playInLoop"): 2,
    ("QZAudioRecorder", "subscribe"): 2, ("QZAudioSourceLocalization", "subscribe"): 2,
    ("QZSoundDetection", "setParameter"): 2, ("QZSoundDetection", "subscribe"): 2,
    ("QZSpeechRecognition", "subscribe"): 2,
    ("QZVideoDevice", "getActiveCamera"): 2, ("QZVideoDevice", "getColorSpace"): 2,
    ("QZVideoDevice", "getExpectedImageParameters"): 2, ("QZVideoDevice", "getFrameRate"): 2,
    ("QZVideoDevice", "getParam"): 2, ("QZVideoDevice", "getResolution"): 2,
    ("QZVideoDevice", "isFrameGrabberOff"): 2, ("QZVideoDevice", "putImage"): 2,
    ("QZVideoDevice", "setActiveCamera"): 2, ("QZVideoDevice", "setParam"): 2,
    ("QZVideoDevice", "startFrameGrabber"): 2, ("QZVideoDevice", "stopFrameGrabber"): 2,
    ("QZVideoRecorder", "startRecording"): 2, ("QZPhotoCapture", "takePicture"): 2,
    ("QZPhotoCapture", "takePictures"): 2, ("QZFaceDetection", "subscribe"): 2,
    ("QZLandMarkDetection", "subscribe"): 2, ("QZRedBallDetection", "subscribe"): 2,
    ("QZVisionRecognition", "subscribe"): 2, ("QZVisualCompass", "subscribe"): 2,
    ("QZBacklightingDetection", "subscribe"): 2, ("QZDarknessDetection", "subscribe"): 2,
    ("QZMemory", "declareEvent"): 2, ("QZMemory", "getData"): 2,
    ("QZMemory", "insertData"): 4, ("QZMemory", "subscribeToEvent"): 2,
    ("QZBehaviorManager", "installBehavior"): 2, ("QZFrameManager", "gotoAndPlay"): 2,
    ("QZFrameManager", "gotoAndStop"): 2, ("QZConnectionManager", "enableTethering"): 2,
    ("QZConnectionManager", "scan"): 2,
}

# Rows whose exact text matters: the broker's own spellings, and forms that
# differ in more than their parameters.
EXACT_ROWS = {
    "QZMemory": [
        "subscribeToEvent(string name, string callbackModule, string callbackMessage, "
        "string callbacMethod) -> void",
        "subscribeToEvent(string name, string callbackModule, string callbackMethod) -> void",
    ],
    "QZResourceManager": [
        "waitForResource(string ressourceName, string ownerName, string callbackName, "
        "int timeoutSeconds) -> void",
        "waitForResourcesTree(list of strings ressourceName, string ownerName, "
        "string callbackName, int timeoutSeconds) -> void",
    ],
    "QZVideoDevice": [
        "isFrameGrabberOff() -> int",
        "isFrameGrabberOff(int cameraIndex) -> bool",
    ],
    "QZMotion": [
        "angleInterpolation(object names, object angleLists, object timeLists, "
        "bool isAbsolute) -> void",
    ],
}

passed = failed = 0


def check(ok, what):
    global passed, failed
    if ok:
        passed += 1
    else:
        failed += 1
        print("FAIL:", what)


def own(cat, module):
    """The module's own methods; none when it is missing (reported elsewhere)."""
    return next((m.methods for m in cat.modules if m.name == module), [])


def forms(cat, module, name):
    return [m for m in own(cat, module) if m.name == name]


def check_common(cat):
    check([str(m) for m in cat.common] == COMMON,
          f"common methods are {[str(m) for m in cat.common]}")


def check_modules_and_groups(cat):
    got = [(m.group, m.name) for m in cat.modules]
    want = [(g, name) for g, _, names in GROUPS for name in names]
    check(got == want, "modules or their groups differ from the expected order:\n  "
          + "\n  ".join(f"{g} {n}" for g, n in got))
    for g, own, _ in GROUPS:
        n = sum(len(m.methods) for m in cat.modules if m.group == g)
        check(n == own, f"group {g} has {n} own methods, expected {own}")
    for m in cat.modules:
        base = m.name[2:] if m.name.startswith("QZ") else m.name
        check((m.host_class, m.native_class) == (base + "Proxy", m.name + "ProxyRemote"),
              f"{m.name}: classes {m.host_class} {m.native_class}")


def check_counts(cat):
    total = posted = 0
    for m in cat.modules:
        methods = m.all_methods(cat.common)
        counts = (len(methods), sum(x.is_void for x in methods))
        total, posted = total + counts[0], posted + counts[1]
        want = MODULE_COUNTS.get(m.name)
        check(counts == want, f"{m.name}: {counts[0]} methods, {counts[1]} posted; expected {want}")
    check((total, posted) == (TOTAL_METHODS, TOTAL_POSTED),
          f"{total} methods and {posted} posted in all, "
          f"expected {TOTAL_METHODS} and {TOTAL_POSTED}")
    for name in ("QZFsr", "QZBonjour"):
        check(own(cat, name) == [], f"{name} should have only the common methods")


def check_overloads(cat):
    got = {}
    for m in cat.modules:
        for name, n in Counter(x.name for x in m.methods).items():
            if n > 1:
                got[m.name, name] = n
    check(len(got) == OVERLOADED_NAMES, f"{len(got)} overloaded names, expected {OVERLOADED_NAMES}")
    for key in sorted(set(got) | set(OVERLOADS)):
        check(got.get(key, 1) == OVERLOADS.get(key, 1),
              f"{key[0]}.{key[1]}: {got.get(key, 1)} forms, expected {OVERLOADS.get(key, 1)}")

    def arities(module, name):
        return sorted(len(x.params) for x in forms(cat, module, name))

    check(arities("QZAudioPlayer", "play") == [1, 3], "QZAudioPlayer.play takes 1 or 3 parameters")
    check(arities("QZConnectionManager", "scan") == [0, 1], "QZConnectionManager.scan takes 0 or 1")
    check(arities("QZAudioDevice", "setClientPreferences") == [4, 5],
          "QZAudioDevice.setClientPreferences takes 4 or 5 parameters")
    insert = [x.param_types for x in forms(cat, "QZMemory", "insertData")]
    check(sorted(insert) == sorted(("string", t) for t in ("object", "string", "float", "int")),
          f"QZMemory.insertData forms are {insert}")


def check_exact_rows(cat):
    for module, rows in EXACT_ROWS.items():
        have = {str(m) for m in own(cat, module)}
        for row in rows:
            check(row in have, f"{module} lacks the row '{row}'")


# Rows appended to a small valid catalogue of four lines, the error expected
# from each, and the line the error must name.
BROKEN = {
    "unknown type": ("  f(double x) -> void", "unknown type 'double'", 5),
    "unknown result": ("  f() -> char", "unknown result type 'char'", 5),
    "missing arrow": ("  f(int x) void", "missing '-> result'", 5),
    "parameter without name": ("  f(int) -> void", "is not 'type name'", 5),
    "same form twice": ("  f(int a) -> void\n  f(int b) -> bool", "repeats an earlier form", 6),
    "duplicate module": ("module QZA BProxy QZBProxyRemote", "duplicate module 'QZA'", 5),
    "unindented row": ("f() -> void", "unknown line", 5),
}


def check_loader_rejects_malformed_rows():
    head = "common\n  ping() -> bool\ngroup vision\nmodule QZA AProxy QZAProxyRemote\n"
    with tempfile.TemporaryDirectory() as tmp:
        for what, (row, message, line) in BROKEN.items():
            path = os.path.join(tmp, "broken.qzcat")
            with open(path, "w", encoding="utf-8") as f:
                f.write(head + row + "\n")
            try:
                qzcatalogue.load(path)
                error = None
            except qzcatalogue.CatalogueError as e:
                error = str(e)
            where = f"{path}:{line}: "
            check(error is not None and error.startswith(where) and message in error,
                  f"loader on {what}: got {error!r}, expected '{where}...{message}...'")


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    try:
        cat = qzcatalogue.load(argv[1])
    except (OSError, qzcatalogue.CatalogueError) as e:
        print("FAIL:", e)
        print("0 passed, 1 failed")
        return 1
    check_common(cat)
    check_modules_and_groups(cat)
    check_counts(cat)
    check_overloads(cat)
    check_exact_rows(cat)
    check_loader_rejects_malformed_rows()
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
