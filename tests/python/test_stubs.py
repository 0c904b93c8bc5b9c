"""The type stubs beside the module: they parse, name exactly what the module has, and
agree with the docstrings, which start with each method's signatures."""

import ast
import pathlib

import pytest

import qzremote


@pytest.fixture(scope="module")
def stubs():
    path = pathlib.Path(qzremote.__file__).with_name("__init__.pyi")
    assert (path.parent / "py.typed").exists()
    return ast.parse(path.read_text(encoding="utf-8"))


def classes_of(node):
    return {c.name: c for c in node.body if isinstance(c, ast.ClassDef)}


def signatures(cls):
    """Method name -> the signature of each of its forms, as a docstring writes them."""
    forms = {}
    for node in cls.body:
        if isinstance(node, ast.FunctionDef) and not node.name.startswith("_") and not any(
                isinstance(d, ast.Name) and d.id == "property" for d in node.decorator_list):
            args, defaults = node.args.args[1:], node.args.defaults
            texts = [f"{a.arg}: {ast.unparse(a.annotation)}" for a in args]
            for i, default in enumerate(defaults, len(args) - len(defaults)):
                texts[i] += f" = {ast.unparse(default)}"
            params = ", ".join(texts)
            forms.setdefault(node.name, []).append(
                f"{node.name}({params}) -> {ast.unparse(node.returns)}")
    return forms


def test_every_public_name_of_the_module_has_a_stub(stubs):
    stubbed = set(classes_of(stubs)) | {
        t.id for n in stubs.body if isinstance(n, (ast.Assign, ast.AnnAssign))
        for t in ([n.target] if isinstance(n, ast.AnnAssign) else n.targets)}
    public = {name for name in dir(qzremote) if not name.startswith("_")} | {"__version__"}
    assert public - stubbed == set()


def test_the_stubs_and_the_docstrings_give_the_same_signatures(stubs, catalogue):
    classes = classes_of(stubs)
    for module in catalogue.modules:
        stub = classes[module.host_class]
        runtime = getattr(qzremote, module.host_class)
        for owner, cls in ((stub, runtime), (classes_of(stub)["PostHelper"], runtime.PostHelper)):
            forms = signatures(owner)
            assert set(forms) == {n for n in vars(cls) if not n.startswith("_")} - {
                "post", "PostHelper"}
            for name, lines in forms.items():
                assert getattr(cls, name).__doc__.startswith("\n".join(lines) + "\n\n"), name


def test_the_stubs_of_the_hand_written_classes_match_the_module(stubs):
    classes = classes_of(stubs)
    for name in ("ProxyBase", "Proxy", "ObjectValue"):
        stubbed = {n.name for n in classes[name].body if isinstance(n, ast.FunctionDef)}
        stubbed |= {n.target.id for n in classes[name].body if isinstance(n, ast.AnnAssign)}
        assert stubbed <= set(dir(getattr(qzremote, name))), name
    for name in ("genericCall", "genericVoidCall", "genericPost"):
        doc_line = getattr(qzremote.Proxy, name).__doc__.splitlines()[0]
        assert doc_line == signatures(classes["Proxy"])[name][0]
