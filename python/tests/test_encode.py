"""encode(): every encodation and shape read back to the exact bytes, and
every keyword turned into the text the command line takes."""

import numpy
import pytest

import dexmora
from conftest import GS, UNREADABLE_SIZES, scan_modules

ENCODATIONS = ["basic", "minimal", "ascii", "c40", "text", "x12", "edifact", "base256"]

# Data every forced mode can carry (X12 and EDIFACT have small alphabets).
MODE_DATA = {
    "basic": b"Hello, World! 0123456789 \x00\xff",
    "minimal": b"HELLO WORLD 123 hello \x80\x81",
    "ascii": b"ascii 1234 \x7f",
    "c40": b"ABC123XYZ DEF",
    "text": b"lower case text 42",
    "x12": b"X12*DATA>SEG 0042\r",
    "edifact": b"ABC:DEF/123?",
    "base256": bytes(range(256)),
}


@pytest.mark.parametrize("encodation", ENCODATIONS)
@pytest.mark.parametrize("shape", ["square", "rectangle", "any"])
def test_every_encodation_and_shape_reads_back(encodation, shape):
    data = MODE_DATA[encodation][:40] if shape == "rectangle" else MODE_DATA[encodation]
    symbol = dexmora.encode(data, encodation=encodation, shape=shape)
    if shape == "square":
        assert symbol.rows == symbol.cols
    if shape == "rectangle":
        assert symbol.rows < symbol.cols
    assert scan_modules(symbol)[0] == data


@pytest.mark.parametrize("size", ["8x18", "8x32", "12x26", "12x36", "16x36", "16x48",
                                  "8x48", "8x64", "12x64", "16x64", "24x48", "26x64"])
def test_rectangles_and_dmre_sizes_read_back(size):
    symbol = dexmora.encode(b"RECT", size=size)
    assert symbol.size == size
    assert scan_modules(symbol)[0] == b"RECT"


def test_dmre_joins_the_rectangles_and_alone_means_any_shape():
    assert dexmora.encode("A" * 40, shape="rectangle").size == "16x48"
    dmre = dexmora.encode("A" * 40, shape="rectangle", dmre=True)
    assert dmre.size == "20x36"
    assert scan_modules(dmre)[0] == b"A" * 40
    assert dexmora.encode("A" * 40, dmre=True).size == dexmora.encode("A" * 40, shape="any").size == "26x26"


def test_defacto_144_reads_back_and_differs_from_iso():
    iso = dexmora.encode("big", size=144)
    defacto = dexmora.encode("big", size=144, dm144="defacto")
    assert iso.size == defacto.size == "144x144" and iso.size in UNREADABLE_SIZES
    assert iso.codewords != defacto.codewords
    assert scan_modules(defacto, pixels=2)[0] == b"big"


# Python values and the command line's text for the same option give the same symbol.
KEYWORD_TEXT = [
    ({"size": 24}, {"size": "24"}),
    ({"size": "16x48"}, {"size": "16x48"}),
    ({"size": None}, {"size": "auto"}),
    ({"macro": 5}, {"macro": "05"}),
    ({"macro": 6}, {"macro": "06"}),
    ({"structured_append": (2, 3)}, {"structured_append": "2,3"}),
    ({"structured_append": [2, 3, 17]}, {"structured_append": "2,3,17"}),
    ({"eci": 3}, {"eci": "3"}),
    ({"exact_size": True, "size": 22}, {"exact_size": 1, "size": "22"}),
    ({"reader_init": True}, {"reader_init": 1}),
    ({"size": numpy.int64(24), "macro": numpy.uint8(5)}, {"size": "24", "macro": "05"}),
]


@pytest.mark.parametrize("python, text", KEYWORD_TEXT)
def test_python_values_mean_the_command_line_text(python, text):
    assert dexmora.encode(b"VALUE", **python).codewords == dexmora.encode(b"VALUE", **text).codewords


def test_size_too_small_grows_unless_exact():
    with pytest.warns(dexmora.SizeWarning, match="does not fit 10x10; using 14x14") as caught:
        symbol = dexmora.encode("x" * 7, size=10)
    assert symbol.size == "14x14"
    assert (caught[0].message.name, caught[0].message.figures) == ("size_raised", {"asked": "10x10", "used": "14x14"})
    assert [n["name"] for n in symbol.notices] == ["size_raised"]
    with pytest.raises(dexmora.TooLongError):
        dexmora.encode("x" * 7, size=10, exact_size=True)


ECI = 241  # the ECI character's codeword; the designator follows as value + 1


@pytest.mark.parametrize("data, kwargs, first", [
    ("naïve", {}, [ECI, 27]),                      # str beyond ASCII: ECI 26 added
    ("plain", {}, [ord("p") + 1]),                 # ASCII str: nothing added
    ("naïve".encode(), {}, [ord("n") + 1]),        # bytes: as they are
    ("naïve", {"utf8": False}, [ord("n") + 1]),    # asked for no ECI
    ("naïve", {"eci": 26}, [ECI, 27]),
    ("plain", {"utf8": True}, [ECI, 27]),
    (b"\xe9t\xe9", {"eci": 3}, [ECI, 4]),
])
def test_eci_26_only_for_text_beyond_ascii_unless_asked(data, kwargs, first):
    symbol = dexmora.encode(data, **kwargs)
    assert list(symbol.codewords[:len(first)]) == first
    expected = data.encode() if isinstance(data, str) else data
    assert scan_modules(symbol)[0] == expected


def test_bytes_like_objects_are_encoded_as_bytes():
    data = b"\x00\x01 buffer \xff"
    expected = dexmora.encode(data).codewords
    for value in (bytearray(data), memoryview(data)):
        assert dexmora.encode(value).codewords == expected


@pytest.mark.parametrize("kwargs, data, read, identifier", [
    ({"gs1": True}, "[01]09521234543213[10]AB-123[17]271231",
     b"0109521234543213" b"10AB-123" + GS + b"17271231", "]d2"),
    ({"gs1": True, "gs1_gs": True}, "[10]AB[21]X", b"10AB" + GS + b"21X", "]d2"),
    ({"gs1_parens": True}, "(01)09521234543213(10)AB", b"010952123454321310AB", "]d2"),
    ({"gs1": True, "gs1_nocheck": True}, "[99]ANY[10]X", b"99ANY" + GS + b"10X", "]d2"),
])
def test_gs1_element_strings_read_back_with_separators(kwargs, data, read, identifier):
    assert scan_modules(dexmora.encode(data, **kwargs)) == (read, identifier)


def test_macro_and_structured_append_headers_lead_the_codewords():
    assert dexmora.encode(b"DATA", macro=5).codewords[0] == 236
    assert dexmora.encode(b"DATA", macro=6).codewords[0] == 237
    appended = dexmora.encode(b"DATA", structured_append=(2, 3, 17))
    assert appended.codewords[0] == 233
    assert scan_modules(appended)[0] == b"DATA"


def test_symbol_figures():
    symbol = dexmora.encode("SN-000123")
    assert (symbol.rows, symbol.cols, symbol.size) == (14, 14, "14x14")
    assert (symbol.data_length, symbol.capacity) == (6, 8)
    assert len(symbol.codewords) == 8 + 10
    assert repr(symbol) == "<dexmora.Symbol 14x14, 6 of 8 data codewords>"
    # The finder: a solid left column and bottom row, the clock track on top.
    assert all(symbol.is_dark(0, y) for y in range(14))
    assert all(symbol.is_dark(x, 13) for x in range(14))
    assert [symbol.is_dark(x, 0) for x in range(4)] == [True, False, True, False]
    assert not symbol.is_dark(-1, 0) and not symbol.is_dark(14, 0) and not symbol.is_dark(0, 14)


@pytest.mark.parametrize("data", [b"", "", bytearray()])
def test_empty_data_is_refused(data):
    with pytest.raises(dexmora.Error) as refused:
        dexmora.encode(data)
    assert (refused.value.code, str(refused.value)) == ("empty_text", "the text is empty")
