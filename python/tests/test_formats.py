"""Every format read back, byte for byte what dexmora-cli writes with the
same options, and every way a picture leaves: save(), data URIs, Jupyter,
Pillow."""

import base64
import io
import pathlib
import sys
import warnings

import numpy
import pytest

import dexmora
from conftest import png_grey, rasterise, scan_png

DATA = "LOT 4711"

# Python keywords and the same options on the command line.
SAME_OPTIONS = [
    ({}, []),
    ({"module": 3}, ["--module", "3"]),
    ({"quiet_zone": 0, "module": 2}, ["--quiet-zone", "0", "--module", "2"]),
    ({"fg": "1f3a93", "bg": "transparent"}, ["--fg", "1f3a93", "--bg", "transparent"]),
    ({"fg": "#003366", "bg": "ffffccff", "quiet_zone": 4}, ["--fg", "003366", "--bg", "ffffccff", "--quiet-zone", "4"]),
    ({"invert": True}, ["--invert"]),
    ({"xdim": "0.254mm", "dpi": 300}, ["--xdim", "0.254mm", "--dpi", "300"]),
    ({"xdim": 0.4}, ["--xdim", "0.4mm"]),
    ({"xdim": "15mil"}, ["--xdim", "15mil"]),
]
FORMATS = ["png", "svg", "pdf", "eps"]


@pytest.mark.parametrize("format", FORMATS)
@pytest.mark.parametrize("render, args", SAME_OPTIONS)
def test_pictures_are_the_command_lines_byte_for_byte(cli, symbol, format, render, args):
    picture = getattr(symbol, format)(**render)
    expected = cli(args, DATA, "out." + format)
    assert (picture.encode() if isinstance(picture, str) else picture) == expected


@pytest.mark.parametrize("encode, args", [
    ({"encodation": "minimal", "shape": "any"}, ["-e", "minimal", "--shape", "any"]),
    ({"size": "16x48"}, ["-s", "16x48"]),
    ({"gs1": True}, ["--gs1"]),
    ({"macro": 5, "reader_init": False}, ["--macro", "05"]),
    ({"structured_append": (1, 2, 9)}, ["--structured-append", "1,2,9"]),
    ({"utf8": True}, ["--utf8"]),
])
def test_encoding_options_give_the_command_lines_default_picture(cli, encode, args):
    data = "[01]09521234543213[10]AB" if encode.get("gs1") else DATA
    assert dexmora.encode(data, **encode).png() == cli(args, data)


def test_text_beyond_ascii_is_the_command_lines_utf8(cli):
    assert dexmora.encode("naïve").png() == cli(["--utf8"], "naïve")


@pytest.mark.parametrize("render, args", [({}, []), ({"invert": True}, ["--invert"]),
                                          ({"quiet_zone": 0}, ["--quiet-zone", "0"])])
def test_text_preview_is_the_command_lines(cli, symbol, render, args):
    assert symbol.text(**render).encode() == cli(["--format", "txt"] + args, DATA, "out.txt")


# Sizes of every family, the largest readable square included.
SIZES = ["10x10", "24x24", "52x52", "104x104", "8x18", "16x48", "8x80", "26x64"]


@pytest.mark.parametrize("size", SIZES)
@pytest.mark.parametrize("render", [{}, {"module": 2}, {"fg": "003366", "bg": "ffffcc"}, {"bg": "transparent"}])
def test_png_reads_back(size, render):
    data = b"PNG " + size.encode()
    symbol = dexmora.encode(data, size=size)
    assert scan_png(symbol.png(**render))[0] == data


@pytest.mark.parametrize("format", ["svg", "pdf", "eps"])
@pytest.mark.parametrize("size", ["12x12", "32x32", "12x36", "12x64"])
def test_vector_formats_read_back_when_rasterised(tmp_path, format, size):
    data = b"\x00vector\xff " + size.encode()
    symbol = dexmora.encode(data, size=size)
    document = getattr(symbol, format)(xdim="0.5mm")
    assert scan_png(rasterise(tmp_path, format, document))[0] == data


def modules_of_text(text, quiet):
    """The dark modules of a text() preview: lit cells are light modules."""
    upper = {" ": (0, 0), "\u2580": (1, 0), "\u2584": (0, 1), "\u2588": (1, 1)}
    rows = []
    for line in text.splitlines():
        cells = [upper[c] for c in line]
        rows.append([1 - lit[0] for lit in cells])
        rows.append([1 - lit[1] for lit in cells])
    grid = numpy.array(rows, dtype=numpy.uint8)
    return grid[quiet:, quiet:-quiet]


def test_text_preview_shows_every_module(symbol):
    modules = numpy.asarray(symbol)
    assert (modules_of_text(symbol.text(), 2)[:symbol.rows] == modules).all()
    inverted = modules_of_text(symbol.text(invert=True), 2)[:symbol.rows]
    assert (inverted == 1 - modules).all()


def test_png_default_is_the_first_releases_picture_and_keywords_make_it_exact(symbol):
    default = png_grey(symbol.png())
    side = 5 * symbol.cols + 20
    assert default.shape == (side, side)
    exact = png_grey(symbol.png(4, quiet_zone=1))
    assert exact.shape == ((symbol.rows + 2) * 4, (symbol.cols + 2) * 4)
    modules = (exact[4:-4:4, 4:-4:4] == 0).astype(numpy.uint8)
    assert (modules == numpy.asarray(symbol)).all()
    # Any keyword, even one that changes nothing, asks for the exact picture.
    assert symbol.png(invert=False) == symbol.png(module=5)


def test_rounded_module_size_is_a_warning(symbol):
    with pytest.warns(UserWarning, match="0.3 mm"):
        symbol.png(xdim=0.3, dpi=300)
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        symbol.png(xdim="0.254mm", dpi=300)


@pytest.mark.parametrize("name, format, method", [
    ("a.png", None, "png"), ("a.SVG", None, "svg"), ("a.pdf", None, "pdf"), ("a.eps", None, "eps"),
    ("a.txt", None, "text"), ("label", None, "png"), ("label", "svg", "svg"), ("a.out", "pdf", "pdf"),
])
def test_save_to_a_path_takes_the_format_from_its_name(tmp_path, symbol, name, format, method):
    target = tmp_path / name
    for path in (target, str(target), bytes(target)):
        symbol.save(path, format, quiet_zone=1)
        picture = getattr(symbol, method)(quiet_zone=1)
        assert target.read_bytes() == (picture.encode() if isinstance(picture, str) else picture)


def test_save_to_a_binary_file_object(tmp_path, symbol):
    buffer = io.BytesIO()
    symbol.save(buffer)
    assert buffer.getvalue() == symbol.png()
    buffer = io.BytesIO()
    symbol.save(buffer, "pdf", xdim="0.3mm")
    assert buffer.getvalue() == symbol.pdf(xdim="0.3mm")
    with open(tmp_path / "named.svg", "wb") as file:
        symbol.save(file)
    assert (tmp_path / "named.svg").read_text() == symbol.svg()


def test_save_refuses_a_text_file_and_contradicting_names(tmp_path, symbol):
    with pytest.raises(TypeError, match="binary"):
        symbol.save(io.StringIO())
    with pytest.raises(dexmora.OptionError, match="jpg"):
        symbol.save(tmp_path / "a.jpg")
    with pytest.raises(dexmora.OptionError):
        symbol.save(tmp_path / "a.svg", "png")
    with pytest.raises(dexmora.OptionError, match="format"):
        symbol.save(tmp_path / "a", "gif")
    assert list(tmp_path.iterdir()) == []


def test_data_uris_carry_the_pictures(symbol):
    for uri, media, picture in [(symbol.svg_data_uri(), "image/svg+xml", symbol.svg().encode()),
                                (symbol.png_data_uri(), "image/png", symbol.png()),
                                (symbol.png_data_uri(3), "image/png", symbol.png(3))]:
        head, _, body = uri.partition(",")
        assert head == "data:" + media + ";base64"
        assert base64.b64decode(body, validate=True) == picture


def test_jupyter_shows_the_default_pictures(symbol):
    assert symbol._repr_svg_() == symbol.svg()
    assert symbol._repr_png_() == symbol.png()


def test_to_pil_opens_the_png(symbol):
    pytest.importorskip("PIL")
    picture = symbol.to_pil(4)
    assert picture.size == ((symbol.cols + 4) * 4, (symbol.rows + 4) * 4)
    assert (numpy.asarray(picture.convert("L")) == png_grey(symbol.png(4))).all()


def test_to_pil_without_pillow_says_what_to_install(symbol, monkeypatch):
    monkeypatch.setitem(sys.modules, "PIL", None)
    monkeypatch.setitem(sys.modules, "PIL.Image", None)
    with pytest.raises(ImportError, match="python3-pil") as raised:
        symbol.to_pil()
    assert isinstance(raised.value.__cause__, ImportError)
