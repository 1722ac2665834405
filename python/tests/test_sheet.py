"""dexmora.sheet(): the command line's bytes for the same options, refused
items as values, and saving."""

import subprocess

import pytest

import dexmora
from conftest import CLI

SERIALS = ["SN-%04d" % n for n in range(1, 101)]

# The same sheet through both front ends: items and Python keywords, lines
# and command-line options. Unicode items get ECI 26 as encode gives them;
# None is an empty line.
CASES = [
    (SERIALS, dict(paper="a4", grid=(3, 8), caption="{text}"), ["--sheet", "a4", "--grid", "3x8", "--caption", "{text}"]),
    (SERIALS, dict(paper=(100, 150), grid="1x2", caption="#{n}", xdim="fit", outline=True),
     ["--sheet", "100x150mm", "--grid", "1x2", "--caption", "#{n}", "--xdim", "fit", "--outline"]),
    (SERIALS, dict(paper="letter", grid=(3, 10), cell=(66.675, 25.4), sheet_margin="0.5,0.1875in",
                   pitch=(69.85, 25.4), skip=4, caption="{text}", caption_side="right", caption_size=6.5,
                   fg="00008b", quiet_zone=1),
     ["--sheet", "letter", "--grid", "3x10", "--cell", "66.675x25.4mm", "--sheet-margin", "0.5,0.1875in",
      "--pitch", "69.85,25.4mm", "--skip", "4", "--caption", "{text}", "--caption-side", "right",
      "--caption-size", "6.5", "--fg", "00008b", "--quiet-zone", "1"]),
    (SERIALS, dict(paper="a5", grid=(2, 4), xdim=0.4, encodation="c40", size=18),
     ["--sheet", "a5", "--grid", "2x4", "--xdim", "0.4mm", "-e", "c40", "-s", "18"]),
    (["Größe", "Ωμέγα", "Привет", "测试标签"], dict(grid=(2, 2), caption="{text}"),
     ["--sheet", "a4", "--grid", "2x2", "--caption", "{text}", "--utf8"]),
    (["SN-1", None, "SN-3"], dict(grid=(3, 8)), ["--sheet", "a4", "--grid", "3x8"]),
]


def cli_sheet(arguments, lines):
    run = subprocess.run([CLI, "--batch", *arguments, "-o", "-"], input="".join(l + "\n" for l in lines).encode(),
                         capture_output=True, check=False)
    assert run.returncode in (0, 65), run.stderr
    return run.stdout


@pytest.mark.parametrize("items, keywords, arguments", CASES)
def test_the_same_bytes_as_the_command_line(items, keywords, arguments):
    sheet = dexmora.sheet(items, **keywords)
    assert isinstance(sheet, bytes) and sheet.startswith(b"%PDF-1.4") and sheet.refused == []
    assert bytes(sheet) == cli_sheet(arguments, [item or "" for item in items])
    assert bytes(dexmora.sheet(items, **keywords)) == bytes(sheet)


def test_refused_items_leave_their_cells_empty_and_say_why():
    sheet = dexmora.sheet(["SN-1", "W" * 60, b"x" * 4000, ("tube", "SN-4")], grid=(3, 8), caption="{name}{text}")
    assert [index for index, _ in sheet.refused] == [1, 2]
    assert "but the cell is 70 x 37.13 mm" in sheet.refused[0][1]
    assert sheet.refused[1][1].startswith("the text is too long")
    # None leaves a cell empty, as a refused item does.
    blanks = dexmora.sheet(["SN-1", None, None, ("tube", "SN-4")], grid=(3, 8), caption="{name}{text}")
    assert blanks.refused == [] and bytes(blanks) == bytes(sheet)


@pytest.mark.parametrize("keywords, error, says", [
    (dict(grid=(0, 8)), dexmora.OptionError, "grid"),
    (dict(paper="a3"), dexmora.OptionError, "paper|sheet"),
    (dict(caption="{txt}"), dexmora.OptionError, "unknown field"),
    (dict(skip=24, grid=(3, 8)), dexmora.OptionError, "from 0 to 23"),
    (dict(dpi=300), TypeError, "unexpected keyword argument 'dpi'"),
    (dict(format="pdf"), TypeError, "unexpected keyword argument 'format'"),
    (dict(grid=[3.5]), TypeError, "grid"),
])
def test_bad_keywords_are_refused_before_any_work(keywords, error, says):
    with pytest.raises(error, match=says):
        dexmora.sheet(["SN-1"], **keywords)


def test_items_of_the_wrong_type_are_named():
    with pytest.raises(TypeError, match="item 1"):
        dexmora.sheet(["SN-1", 7])
    with pytest.raises(TypeError, match="item 0"):
        dexmora.sheet([("a", "b", "c")])


def test_save_replaces_the_file_whole_or_not_at_all(tmp_path):
    sheet = dexmora.sheet(SERIALS[:3], caption="{text}")
    target = tmp_path / "labels.pdf"
    target.write_bytes(b"old")
    sheet.save(target)
    assert target.read_bytes() == bytes(sheet)
    with pytest.raises(dexmora.WriteError) as failure:
        sheet.save(tmp_path / "missing" / "labels.pdf")
    assert failure.value.errno is not None
    assert sorted(p.name for p in tmp_path.iterdir()) == ["labels.pdf"]


def test_a_raised_size_is_a_warning_naming_its_item():
    with pytest.warns(dexmora.SizeWarning, match="^item 1: the text does not fit 10x10"):
        sheet = dexmora.sheet(["A", "SN-0001"], size=10)
    assert sheet.refused == []
