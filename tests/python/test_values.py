"""Python values as broker values and back: every mapping, its edges, and what is refused
before anything is sent."""

import math
import struct

import pytest

import qzremote
import wire
from brokers import Reply

KEY = "test/values"


def float32(number):
    return struct.unpack("f", struct.pack("f", number))[0]


def nested(levels, leaf):
    value = leaf
    for _ in range(levels):
        value = [value]
    return value


def depth(value):
    levels = 0
    while isinstance(value, list):
        value, levels = (value[0] if value else None), levels + 1
    return levels


@pytest.fixture(scope="module")
def memory(sim_port):
    with qzremote.MemoryProxy("127.0.0.1", sim_port) as proxy:
        yield proxy


@pytest.fixture
def recorded(recording):
    """A MemoryProxy on the recording broker, and that broker."""
    with qzremote.MemoryProxy("127.0.0.1", recording.port) as proxy:
        yield proxy, recording


class MyFloat(float):
    pass


ROUND_TRIPS = {
    "None inside a list": ([None], [None]),
    "True": (True, True),
    "False": (False, False),
    "zero": (0, 0),
    "lowest Int": (-2**31, -2**31),
    "highest Int": (2**31 - 1, 2**31 - 1),
    "float": (0.5, 0.5),
    "float narrowed to 32 bits": (0.1, float32(0.1)),
    "largest Float": (float32(3.4e38), float32(3.4e38)),
    "float subclass": (MyFloat(2.5), 2.5),
    "infinity": (math.inf, math.inf),
    "minus infinity": (-math.inf, -math.inf),
    "text": ("h\u00e9llo w\u00f6rld \u2713", "h\u00e9llo w\u00f6rld \u2713"),
    "empty text": ("", ""),
    "text that is not UTF-8": ("caf\udce9 \udcff\udc80", "caf\udce9 \udcff\udc80"),
    "bytes": (b"\x00\x01\xff", b"\x00\x01\xff"),
    "empty bytes": (b"", b""),
    "bytearray": (bytearray(b"ab"), b"ab"),
    "strided memoryview": (memoryview(b"xyz")[::2], b"xz"),
    "list": ([1, [2.5, "a"], [], True, b"\x07"], [1, [2.5, "a"], [], True, b"\x07"]),
    "tuple": ((1, ("two",)), [1, ["two"]]),
    "Object": (qzremote.ObjectValue(b"\x00obj\xff"), qzremote.ObjectValue(b"\x00obj\xff")),
    "empty Object": (qzremote.ObjectValue(), qzremote.ObjectValue(b"")),
    "Object of many base64 lines": (qzremote.ObjectValue(bytes(range(256))),
                                    qzremote.ObjectValue(bytes(range(256)))),
    "deepest list": (nested(254, "leaf"), nested(254, "leaf")),
}


@pytest.mark.parametrize("value, expected", ROUND_TRIPS.values(), ids=ROUND_TRIPS.keys())
def test_every_kind_round_trips_through_the_broker(memory, value, expected):
    memory.insertData(KEY, value)
    back = memory.getData(KEY)
    assert back == expected
    assert type(back) is type(expected)


def test_nan_round_trips(memory):
    memory.insertData(KEY, [math.nan])
    assert math.isnan(memory.getData(KEY)[0])


def test_each_python_type_travels_as_its_kind(recorded):
    memory, broker = recorded
    memory.insertData(KEY, [None, True, 7, 0.5, "s", b"\x01", bytearray(), memoryview(b""),
                            qzremote.ObjectValue(b"o"), (1,)])
    kinds = [item.kind for item in broker.last.args[1].value]
    assert kinds == ["nil", "xsd:boolean", "xsd:int", "xsd:float", "xsd:string",
                     "xsd:base64Binary", "xsd:base64Binary", "xsd:base64Binary",
                     "xsd:base64Object", "Array"]
    # Binary values travel as attachments, empty ones too.
    assert broker.last.attachments == [b"\x01", b"", b""]


def test_a_string_from_the_broker_that_is_not_utf8_keeps_its_bytes(recorded):
    memory, broker = recorded
    broker.on_call = lambda call: Reply.result(wire.string_item("caf&#233;"))
    text = memory.getData(KEY)
    assert text == "caf\udce9"
    memory.insertData(KEY, text)
    assert broker.last.args[1].value == "caf\udce9"  # the byte E9 again, not U+00E9


def looping_list():
    looping = [1]
    looping.append((looping,))
    return looping


@pytest.mark.parametrize("value, error, text", [
    (2**31, OverflowError, "2147483648 does not fit the broker's Int"),
    (-2**31 - 1, OverflowError, "-2147483649 does not fit"),
    (2**100, OverflowError, "an int of more than 64 bits does not fit"),
    ([[1, 2**40]], OverflowError, "1099511627776 does not fit"),
    (1e39, OverflowError, "1e+39 is outside the range of the broker's Float"),
    ("a\0b", ValueError, "U+0000"),
    ("\ud800", UnicodeEncodeError, "surrogates not allowed"),
    ({"a": 1}, TypeError, "a value of type dict cannot travel to the broker"),
    ({1, 2}, TypeError, "a value of type set cannot travel"),
    (object(), TypeError, "a value of type object cannot travel"),
    (nested(255, "leaf"), ValueError, "the broker reads 256 levels"),
    (looping_list(), ValueError, "a list that contains itself"),
], ids=["Int+1", "Int-1", "huge int", "deep int", "Float", "U+0000", "surrogate", "dict", "set",
        "object", "too deep", "loop"])
def test_values_that_cannot_travel_are_refused_and_nothing_is_sent(recorded, value, error, text):
    memory, broker = recorded
    sent = len(broker.calls)
    with pytest.raises(error) as raised:
        memory.insertData(KEY, value)
    assert text in str(raised.value)
    assert len(broker.calls) == sent


def test_the_nesting_bound_counts_the_argument_list(recorded, sim_port):
    memory, broker = recorded
    # 255 lists and no scalar in an argument make 256 levels with the argument list.
    memory.insertData(KEY, nested(254, []))
    assert depth(wire.plain(broker.last.args[1])) == 255
    # The untyped proxy's args are the argument list itself.
    with qzremote.Proxy("QZMemory", "127.0.0.1", sim_port) as proxy:
        proxy.genericVoidCall("insertData", [KEY, nested(254, "leaf")])
        assert depth(proxy.genericCall("getData", [KEY])) == 254
        with pytest.raises(ValueError):
            proxy.genericVoidCall("insertData", nested(256, "leaf"))


class TestTypedParameters:
    """Parameters of the catalogue types take their Python types, and only those."""

    def test_each_catalogue_type_sends_its_kind(self, recording):
        with qzremote.MotionProxy("127.0.0.1", recording.port) as motion:
            motion.setAngles(["HeadYaw"], [1, 0.5], 1)  # object, object, float from an int
            assert [i.kind for i in recording.last.args] == ["Array", "Array", "xsd:float"]
            assert wire.plain(recording.last.params) == [["HeadYaw"], [1, 0.5], 1.0]
        recording.on_call = lambda call: Reply.result(wire.array_item())
        with qzremote.VideoDeviceProxy("127.0.0.1", recording.port) as video:
            video.getAngPosFromImgPos([1, 0.5])  # list of floats: ints become Floats
            assert [i.kind for i in recording.last.args[0].value] == ["xsd:float"] * 2

    @pytest.mark.parametrize("call", [
        lambda m: m.angleInterpolationWithSpeed("Head", 0.0, True),  # float from a bool
        lambda m: m.angleInterpolationWithSpeed("Head", 0.0, "1"),   # float from a str
        lambda m: m.wait(1.5, 0),                                    # int from a float
        lambda m: m.wait(True, 0),                                   # int from a bool
        lambda m: m.getAngles("HeadYaw", 1),                         # bool from an int
        lambda m: m.getUsage(b"ping"),                               # str from bytes
        lambda m: m.areResourcesAvailable(["Head", 1]),              # strings with an int
        lambda m: m.areResourcesAvailable("Head"),                   # strings from a str
        lambda m: m.setFootSteps(["LLeg"], [], [True], False),       # floats with a bool
    ], ids=["float<-bool", "float<-str", "int<-float", "int<-bool", "bool<-int", "str<-bytes",
            "strings<-int item", "strings<-str", "floats<-bool item"])
    def test_wrong_types_are_refused_before_sending(self, recording, call):
        with qzremote.MotionProxy("127.0.0.1", recording.port) as motion:
            sent = len(recording.calls)
            with pytest.raises(TypeError):
                call(motion)
            assert len(recording.calls) == sent

    def test_numbers_out_of_range_raise_overflow(self, recording):
        with qzremote.MotionProxy("127.0.0.1", recording.port) as motion:
            with pytest.raises(OverflowError):
                motion.wait(2**31, 0)
            with pytest.raises(OverflowError):
                motion.angleInterpolationWithSpeed("Head", 0.0, 1e40)
            with pytest.raises(ValueError):
                motion.getUsage("ping\0")

    def test_overloads_follow_the_argument_types(self, recorded):
        memory, broker = recorded
        for value, kind in [(5, "xsd:int"), (5.0, "xsd:float"), ("5", "xsd:string"),
                            (True, "xsd:boolean"), ([5], "Array"), (None, "nil")]:
            memory.insertData(KEY, value)
            assert broker.last.args[1].kind == kind, value
        memory.insertData(key=KEY, value=5)
        memory.insertData(key=KEY, data=5.5)
        assert broker.last.args[1].kind == "xsd:float"


class TestObjectValue:
    def test_holds_immutable_bytes_and_compares_by_them(self):
        value = qzremote.ObjectValue(bytearray(b"ab"))
        assert value.data == b"ab" and bytes(value) == b"ab" and len(value) == 2
        assert value == qzremote.ObjectValue(b"ab") != qzremote.ObjectValue(b"b")
        assert hash(value) == hash(qzremote.ObjectValue(memoryview(b"ab")))
        assert repr(value) == "ObjectValue(b'ab')"
        with pytest.raises(AttributeError):
            value.data = b"x"
        with pytest.raises(TypeError):
            qzremote.ObjectValue("text")
