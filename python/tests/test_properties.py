"""Hypothesis: random data under random options read back exactly, and
random rendering options give dexmora-cli's bytes."""

import subprocess

from hypothesis import assume, event, given, settings
from hypothesis import strategies as st

import dexmora
from conftest import CLI, UNREADABLE_SIZES, scan_modules, scan_png

ENCODATIONS = ["basic", "minimal", "ascii", "c40", "text", "x12", "edifact", "base256"]
FORCED = {"ascii", "c40", "text", "x12", "edifact"}
SQUARES = [10, 12, 14, 16, 18, 20, 22, 24, 26, 32, 36, 40, 44, 48, 52, 64]
RECTANGLES = ["8x18", "8x32", "12x26", "12x36", "16x36", "16x48", "8x48", "12x64", "20x36", "26x40"]


@st.composite
def encode_options(draw):
    options = {"encodation": draw(st.sampled_from(ENCODATIONS))}
    shape = draw(st.sampled_from([None, "square", "rectangle", "any"]))
    if shape:
        options["shape"] = shape
    if shape != "square" and draw(st.booleans()):
        options["dmre"] = True
    size = draw(st.one_of(st.none(), st.sampled_from(SQUARES), st.sampled_from(RECTANGLES)))
    if size is not None:
        options["size"] = size
    if draw(st.booleans()):
        options["eci"] = draw(st.integers(0, 999999))
    extra = draw(st.sampled_from(["none", "reader_init", "macro", "structured_append"]))
    if extra == "reader_init":
        options["reader_init"] = True
    elif extra == "macro":
        options["macro"] = draw(st.sampled_from([5, 6]))
    elif extra == "structured_append":
        count = draw(st.integers(2, 16))
        sequence = (draw(st.integers(1, count)), count)
        options["structured_append"] = sequence + ((draw(st.integers(1, 64516)),) if draw(st.booleans()) else ())
    return options


@given(data=st.binary(min_size=1, max_size=400), options=encode_options())
def test_random_bytes_under_random_options_read_back(data, options):
    try:
        symbol = dexmora.encode(data, **options)
    except dexmora.NotEncodableError:
        assert options["encodation"] in FORCED
        event("not encodable")
        return
    except dexmora.TooLongError:
        assert len(data) > 40
        event("too long")
        return
    assert symbol.data_length <= symbol.capacity
    assert len(symbol.codewords) > symbol.capacity
    if isinstance(options.get("size"), int) and symbol.size != "%dx%d" % (options["size"], options["size"]):
        assert symbol.rows > options["size"]
    assume(symbol.size not in UNREADABLE_SIZES)
    event("read back")
    read, identifier = scan_modules(symbol, pixels=3)
    if "macro" in options:
        assert data in read  # readers expand the header and trailer
    else:
        assert read == data
    assert identifier.startswith("]d")


@given(text=st.text(min_size=1, max_size=120), encodation=st.sampled_from(["basic", "minimal", "base256"]))
def test_random_text_reads_back_as_utf8(text, encodation):
    symbol = dexmora.encode(text, encodation=encodation, shape="any")
    assert (symbol.codewords[0] == 241) == (not text.isascii())
    assert scan_modules(symbol, pixels=3)[0] == text.encode()


@st.composite
def render_options(draw):
    keys = draw(st.sets(st.sampled_from(["module", "quiet_zone", "fg", "bg", "invert", "xdim"])))
    options = {}
    if "module" in keys:
        options["module"] = draw(st.integers(1, 6))
    if "quiet_zone" in keys:
        options["quiet_zone"] = draw(st.integers(0, 6))
    if "fg" in keys:
        options["fg"] = draw(st.sampled_from(["000000", "1f3a93", "#330000", "000000c0"]))
    if "bg" in keys:
        options["bg"] = draw(st.sampled_from(["ffffff", "transparent", "ffffcc", "#eeeeff"]))
    if "invert" in keys:
        options["invert"] = True
    if "xdim" in keys:
        options["xdim"] = draw(st.sampled_from([0.25, "0.5mm", "20mil", "0.01in", 1]))
    return options


def cli_args(options):
    args = []
    for key, value in options.items():
        option = "--" + key.replace("_", "-")
        if value is True:
            args.append(option)
        elif key == "xdim" and not isinstance(value, str):
            args += [option, "%rmm" % value]  # a number of millimetres
        else:
            args += [option, str(value)]
    return args


@settings(max_examples=60)
@given(text=st.text(st.characters(min_codepoint=32, max_codepoint=126), min_size=1, max_size=40),
       options=render_options(), format=st.sampled_from(["png", "svg", "eps"]))
def test_random_rendering_options_give_the_command_lines_bytes(tmp_path_factory, text, options, format):
    assert CLI, "DEXMORA_CLI is not set"
    out = tmp_path_factory.mktemp("cli") / ("out." + format)
    symbol = dexmora.encode(text)
    try:
        picture = getattr(symbol, format)(**options)
    except dexmora.OptionError:
        event("refused")
        run = subprocess.run([CLI, *cli_args(options), "-o", str(out), "--", text], capture_output=True)
        assert run.returncode == 64
        return
    subprocess.run([CLI, *cli_args(options), "-o", str(out), "--", text], check=True, capture_output=True)
    assert (picture.encode() if isinstance(picture, str) else picture) == out.read_bytes()
    if format == "png" and "invert" not in options and options.get("module", 5) >= 2:
        assert scan_png(picture)[0] == text.encode()
