"""Every method of the catalogue and every posted twin, called once with arguments of its
declared types (passed by keyword, by the catalogue's parameter names) against the
recording broker: each must send its module, its name and its arguments, and return the
answer as its declared result type."""

import pytest

import qzremote
import wire
from brokers import Reply

# An argument of each catalogue type, and how it arrives.
ARGUMENTS = {
    "string": ("arg", "xsd:string", "arg"),
    "int": (3, "xsd:int", 3),
    "float": (0.5, "xsd:float", 0.5),
    "bool": (True, "xsd:boolean", True),
    "object": (["x", 1], "Array", ["x", 1]),
    "list of strings": (["a", "b"], "Array", ["a", "b"]),
    "list of floats": ([1.0, 2], "Array", [1.0, 2.0]),
}

# The answer to a method of each result type, and what the call must return.
RESULTS = {
    "void": (wire.NIL, None),
    "string": (wire.string_item("r\u00e9sult"), "r\u00e9sult"),
    "int": (wire.int_item(17), 17),
    "bool": (wire.bool_item(True), True),
    "float": (wire.float_item("2.5"), 2.5),
    "object": (wire.array_item(wire.int_item(7), wire.string_item("x")), [7, "x"]),
    "list of strings": (wire.array_item(wire.string_item("a"), wire.string_item("b")), ["a", "b"]),
    "list of floats": (wire.array_item(wire.float_item("1.5"), wire.float_item("-2")), [1.5, -2.0]),
}

BASE_MEMBERS = {"cancel", "close", "closed", "timeout_ms", "post", "PostHelper"}


def public_members(cls):
    return {name for name in vars(cls) if not name.startswith("_")}


def expect_request(call, operation, module, form):
    where = f"{module.name}.{form}"
    assert (call.operation, call.module, call.method) == (operation, module.name, form.name), where
    if not form.params:
        assert call.params is None, f"{where}: without arguments nothing is sent"
        return
    assert call.params.kind == "Array", where
    want = [ARGUMENTS[p.type] for p in form.params]
    assert [item.kind for item in call.args] == [kind for _, kind, _ in want], where
    assert [wire.plain(item) for item in call.args] == [value for _, _, value in want], where


def test_the_classes_have_exactly_the_catalogues_methods(catalogue):
    for module in catalogue.modules:
        cls = getattr(qzremote, module.host_class)
        names = {m.name for m in module.all_methods(catalogue.common)}
        assert public_members(cls) == names | {"PostHelper", "post"}, module.name
        posted = {m.name for m in module.all_methods(catalogue.common) if m.is_void}
        assert public_members(cls.PostHelper) == posted, module.name
        assert public_members(qzremote.ProxyBase) | {"post", "PostHelper"} == BASE_MEMBERS


@pytest.mark.parametrize("index", range(45))
def test_every_method_and_posted_twin_calls_the_remote_method_of_its_name(
        catalogue, recording, index):
    module = catalogue.modules[index]
    # Every other module is reported at "0.0.0.0", which means the address asked.
    recording.lookup_address = "0.0.0.0" if index % 2 else "127.0.0.1"
    calls = posts = 0
    with getattr(qzremote, module.host_class)("127.0.0.1", recording.port) as proxy:
        for form in module.all_methods(catalogue.common):
            answer, expected = RESULTS[form.result]
            recording.on_call = lambda call, answer=answer: Reply.result(answer)
            kwargs = {p.name: ARGUMENTS[p.type][0] for p in form.params}
            result = getattr(proxy, form.name)(**kwargs)
            assert result == expected and type(result) is type(expected), f"{module.name}.{form}"
            expect_request(recording.last, "callTamsa", module, form)
            calls += 1
            if form.is_void:
                task = getattr(proxy.post, form.name)(**kwargs)
                assert task == recording.task_id
                expect_request(recording.last, "callTamsa2", module, form)
                posts += 1
    assert calls == len(module.all_methods(catalogue.common))
    assert posts == sum(1 for m in module.all_methods(catalogue.common) if m.is_void)
    assert len(recording.calls) == 1 + calls + posts
    assert (recording.calls[0].operation, recording.calls[0].module) == (
        "getModuleByName", module.name)
    assert recording.connections == 1, "one kept-alive connection per proxy"


def test_the_counts_cover_the_whole_catalogue(catalogue):
    methods = sum(len(m.all_methods(catalogue.common)) for m in catalogue.modules)
    posted = sum(1 for m in catalogue.modules for f in m.all_methods(catalogue.common)
                 if f.is_void)
    assert (methods, posted) == (1228, 455)
