"""docs/python.md's examples run as written, its tables and the type stubs
match the module, and help() documents every keyword."""

import ast
import inspect
import os
import pathlib
import re

import pytest

import dexmora
from conftest import GS, rasterise, scan_png

SOURCE = pathlib.Path(os.environ.get("DEXMORA_SOURCE_DIR", pathlib.Path(__file__).parents[2]))
GUIDE = (SOURCE / "docs" / "python.md").read_text(encoding="utf-8")
STUBS = pathlib.Path(dexmora.__file__).with_name("__init__.pyi")

RENDER_METHODS = ["png", "svg", "pdf", "eps", "svg_data_uri", "png_data_uri", "to_pil"]


def blocks(language):
    return re.findall(r"^```" + language + r"\n(.*?)^```$", GUIDE, re.S | re.M)


def section(title):
    return GUIDE.split("## " + title, 1)[1].split("\n## ", 1)[0]


def test_the_five_line_start_runs(tmp_path, monkeypatch):
    start = blocks("python")[0]
    assert len([line for line in start.splitlines() if line.strip()]) == 5
    monkeypatch.chdir(tmp_path)
    exec(compile(start, "python.md", "exec"), {})
    assert (tmp_path / "sn.png").read_bytes() == dexmora.encode("SN-000123").png()
    assert (tmp_path / "sn.pdf").read_bytes().startswith(b"%PDF")


def test_the_csv_labels_example_writes_a_readable_pdf_per_row(tmp_path, monkeypatch):
    labels = section("Labels from a CSV file")
    program = re.search(r"```python\n(.*?)```", labels, re.S).group(1)
    csv = re.search(r"printf '(serial.*?)' > labels.csv", labels).group(1).replace("\\n", "\n")
    monkeypatch.chdir(tmp_path)
    (tmp_path / "labels.csv").write_text(csv)
    exec(compile(program, "python.md", "exec"), {})
    written = sorted(p.name for p in (tmp_path / "labels").iterdir())
    assert written == ["000123.pdf", "000124.pdf"]
    png = rasterise(tmp_path, "pdf", (tmp_path / "labels" / "000124.pdf").read_bytes())
    assert scan_png(png) == (b"0109521234543213" b"21000124", "]d2")


def test_a_refused_row_stops_the_csv_example_with_its_index(tmp_path, monkeypatch):
    program = re.search(r"```python\n(.*?)```", section("Labels from a CSV file"), re.S).group(1)
    monkeypatch.chdir(tmp_path)
    (tmp_path / "labels.csv").write_text("serial,gs1\n1,[01]09521234543213\n2,[01]09521234543210\n")
    with pytest.raises(dexmora.GS1Error, match="^item 1: "):
        exec(compile(program, "python.md", "exec"), {})
    assert not (tmp_path / "labels").exists()



def refusal(text, **options):
    with pytest.raises(dexmora.Error) as caught:
        dexmora.encode(text, **options)
    return str(caught.value) + "\n"


@pytest.mark.parametrize("query, status, mimetype, body", [
    ("text=SN-000123", 200, "image/png", lambda: dexmora.encode("SN-000123").png(module=4)),
    ("text=LOT%204711&size=16x48", 200, "image/png", lambda: dexmora.encode("LOT 4711", size="16x48").png(module=4)),
    ("text=%E2%82%AC%2B1", 200, "image/png", lambda: dexmora.encode("\u20ac+1").png(module=4)),
    ("", 400, "text/plain", lambda: refusal("")),
    ("text=x&size=7", 400, "text/plain", lambda: refusal("x", size="7")),
    ("text=" + "9" * 3200, 400, "text/plain", lambda: refusal("9" * 3200)),
])
def test_the_flask_view_answers_with_the_png_or_the_librarys_message(query, status, mimetype, body):
    pytest.importorskip("flask", reason="python3-flask is not installed")
    program = re.search(r"```python\n(.*?)```", section("A Flask view"), re.S).group(1)
    namespace = {"__name__": "labels"}
    exec(compile(program, "python.md", "exec"), namespace)
    response = namespace["app"].test_client().get("/label.png?" + query)
    assert (response.status_code, response.mimetype) == (status, mimetype)
    assert response.get_data(as_text=status != 200) == body()

def table_keywords(text):
    """The keywords a table's first column names: `size`, or `fg`, `bg`."""
    return {name for pair in re.findall(r"^\| `(\w+)`(?:, `(\w+)`)? \|", text, re.M) for name in pair if name}


def keywords(function):
    return {name for name, p in inspect.signature(function).parameters.items()
            if p.kind == inspect.Parameter.KEYWORD_ONLY or (p.kind == p.POSITIONAL_OR_KEYWORD and name != "self")}


def test_option_tables_list_every_keyword():
    assert table_keywords(section("encode()")) == keywords(dexmora.encode)
    listed = table_keywords(section("Symbol").split("### Rendering keywords", 1)[1])
    for method in RENDER_METHODS:
        assert listed == keywords(getattr(dexmora.Symbol, method)), method


def test_help_documents_every_keyword():
    text = dexmora.encode.__doc__
    for name in keywords(dexmora.encode):
        assert re.search(r"^" + name + r"\b", text, re.M), name
    for name in keywords(dexmora.Symbol.png):
        assert re.search(r"^" + name + r"\b", dexmora.Symbol.__doc__, re.M) or name in ("fg", "bg"), name
    assert "threads" in dexmora.encode_many.__doc__


def stub_signature(node):
    """A stub function's parameters as (name, kind, default) for comparison."""
    args = node.args
    result = [(a.arg, "positional") for a in args.posonlyargs] + [(a.arg, "either") for a in args.args]
    if args.vararg:
        result.append(("*" + args.vararg.arg, "var"))
    result += [(a.arg, "keyword") for a in args.kwonlyargs]
    if args.kwarg:
        result.append(("**" + args.kwarg.arg, "var"))
    return [name for name, _ in result if name != "self"]


def real_signature(function):
    kinds = {inspect.Parameter.VAR_POSITIONAL: "*", inspect.Parameter.VAR_KEYWORD: "**"}
    return [kinds.get(p.kind, "") + name for name, p in inspect.signature(function).parameters.items()
            if name != "self"]


def test_type_stubs_match_the_module():
    tree = ast.parse(STUBS.read_text())
    functions = {n.name: n for n in tree.body if isinstance(n, ast.FunctionDef)}
    classes = {n.name: n for n in tree.body if isinstance(n, ast.ClassDef)}
    assert set(dexmora.__all__) == set(functions) | set(classes)
    for name, node in functions.items():
        expected = real_signature(getattr(dexmora, name))
        if name == "encode_many":  # the stub spells out **options
            expected = expected[:-1] + real_signature(dexmora.encode)[1:]
        assert stub_signature(node) == expected, name
    methods = {n.name: n for n in classes["Symbol"].body if isinstance(n, ast.FunctionDef)}
    for name, node in methods.items():
        if name in ("__buffer__",) or isinstance(getattr(dexmora.Symbol, name), property):
            continue
        expected = real_signature(getattr(dexmora.Symbol, name))
        if name == "save":  # the stub spells out **render
            expected = expected[:-1] + real_signature(dexmora.Symbol.png)
        assert stub_signature(node) == expected, name
    properties = {name for name, node in methods.items() if node.decorator_list}
    assert properties == {n for n, v in vars(dexmora.Symbol).items() if isinstance(v, property)}
    assert STUBS.with_name("py.typed").exists()
