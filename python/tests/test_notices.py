"""The shared table of requests and what every door makes of them: the same
sizes, notices and error names as the C++ library, the command line and the
service."""

import os
import warnings

import pytest

import dexmora


def rows():
    path = os.path.join(os.environ["DEXMORA_SOURCE_DIR"], "tests", "data", "notices.tsv")
    with open(path, encoding="utf-8") as table:
        for line in table:
            line = line.rstrip("\n")
            if line and not line.startswith("#"):
                yield line.split("\t")


def as_text(notices):
    if not notices:
        return "-"
    return ";".join(n["name"] + ":" + ",".join(f"{k}={v}" for k, v in n.items() if k not in ("name", "message"))
                    for n in notices)


@pytest.mark.parametrize("text, size, exact, used, expected", list(rows()))
def test_every_notice_and_refusal_as_the_library_gives_it(text, size, exact, used, expected):
    keywords = {"size": size, "exact_size": exact == "1"}
    if used == "-":
        with pytest.raises(dexmora.Error) as refused:
            dexmora.encode(text, **keywords)
        assert refused.value.code == expected
        return
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        symbol = dexmora.encode(text, **keywords)
    assert (symbol.size, as_text(symbol.notices)) == (used, expected)
    assert [(w.category, w.message.name, w.message.figures) for w in caught] == [
        (dexmora.SizeWarning, n["name"], {k: v for k, v in n.items() if k not in ("name", "message")})
        for n in symbol.notices]
    assert all(w.filename == __file__ for w in caught), "the warning points at the caller's line"


def test_encode_many_names_the_item_of_each_notice():
    with pytest.warns(dexmora.SizeWarning) as caught:
        symbols = dexmora.encode_many(["1", "Hello World 12345678"], size=10)
    assert [s.size for s in symbols] == ["10x10", "18x18"]
    assert [str(w.message) for w in caught] == ["item 1: the text does not fit 10x10; using 18x18"]


def test_rounded_module_is_a_dexmora_warning():
    with pytest.warns(dexmora.DexmoraWarning) as caught:
        dexmora.encode("123456").png(dpi=150, xdim="0.25mm")
    assert (caught[0].message.name, caught[0].message.figures["pixels"]) == ("module_rounded", "1")
    assert issubclass(dexmora.SizeWarning, UserWarning)
