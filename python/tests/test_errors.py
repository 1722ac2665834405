"""Every exception class, the library's messages in Python spelling, wrong
Python types, and files that cannot be written."""

import errno
import subprocess
import sys

import pytest

import dexmora

# (call, exception class, code, words the message holds)
REFUSALS = [
    (lambda: dexmora.encode("x" * 4000), dexmora.TooLongError, "too_long", "1558"),
    (lambda: dexmora.encode("x" * 9, size=10, exact_size=True), dexmora.TooLongError, "too_long", "10x10"),
    (lambda: dexmora.encode(b"lower", encodation="x12"), dexmora.NotEncodableError, "not_encodable", "X12"),
    (lambda: dexmora.encode("[01]09521234543210", gs1=True), dexmora.GS1Error, "bad_gs1", "check digit"),
    (lambda: dexmora.encode("no brackets", gs1=True), dexmora.GS1Error, "bad_gs1", "AI"),
    (lambda: dexmora.encode("x", size=25), dexmora.OptionError, "bad_option", "'25'"),
    (lambda: dexmora.encode("x", encodation="morse"), dexmora.OptionError, "bad_option", "minimal"),
    (lambda: dexmora.encode("x", macro=7), dexmora.OptionError, "bad_option", "05 or 06"),
    (lambda: dexmora.encode("x", structured_append=(3, 2)), dexmora.OptionError, "bad_option", "structured"),
    (lambda: dexmora.encode("x", structured_append=(1, 2, 3, 4)), dexmora.OptionError, "bad_option", "1,2,3,4"),
    (lambda: dexmora.encode("x", eci=1000000), dexmora.OptionError, "bad_option", "1000000"),
    (lambda: dexmora.encode("x", exact_size=2), dexmora.OptionError, "bad_option", "exact_size"),
    (lambda: dexmora.encode("x", dmre=True, shape="square"), dexmora.OptionError, "bad_option", "dmre"),
    (lambda: dexmora.encode("x", utf8=True, eci=3), dexmora.OptionError, "bad_option", "utf8"),
    (lambda: dexmora.encode("é", eci=3), dexmora.OptionError, "bad_option", "bytes"),
    (lambda: dexmora.encode("x").png(0), dexmora.OptionError, "bad_option", "module"),
    (lambda: dexmora.encode("x").png(module=3, dpi=300), dexmora.OptionError, "bad_option", "dpi"),
    (lambda: dexmora.encode("x").svg(fg="fefefe"), dexmora.OptionError, "bad_option", "contrast"),
    (lambda: dexmora.encode("x").svg(fg="12345"), dexmora.OptionError, "bad_option", "12345"),
    (lambda: dexmora.encode("x").pdf(xdim="5 parsecs"), dexmora.OptionError, "bad_option", "5 parsecs"),
    (lambda: dexmora.encode("x").eps(quiet_zone=101), dexmora.OptionError, "bad_option", "101"),
    (lambda: dexmora.encode("x").png(bg="transparent", fg="00000000"), dexmora.OptionError, "bad_option", ""),
    (lambda: dexmora.encode("x", size=144).png(100, quiet_zone=100), dexmora.PictureTooLargeError,
     "picture_too_large", ""),
    (lambda: dexmora.encode_many(["x"], threads=0), dexmora.OptionError, "bad_option", "threads"),
]


@pytest.mark.parametrize("call, cls, code, words", REFUSALS)
def test_each_refusal_raises_its_class_with_the_librarys_code(call, cls, code, words):
    with pytest.raises(cls) as raised:
        call()
    assert isinstance(raised.value, dexmora.Error) and isinstance(raised.value, ValueError)
    assert raised.value.code == code
    assert words in str(raised.value)
    assert "\n" not in str(raised.value)


@pytest.mark.parametrize("call, keyword", [
    (lambda: dexmora.encode("x", exact_size=2), "exact_size"),
    (lambda: dexmora.encode("x", utf8=True, eci=3), "utf8"),
    (lambda: dexmora.encode("x").png(module=3, dpi=300), "module"),
])
def test_messages_name_options_as_python_keywords(call, keyword):
    with pytest.raises(dexmora.OptionError) as raised:
        call()
    assert keyword in str(raised.value) and "--" not in str(raised.value)


def test_classes_form_one_family():
    for cls in (dexmora.TooLongError, dexmora.NotEncodableError, dexmora.GS1Error, dexmora.OptionError,
                dexmora.PictureTooLargeError, dexmora.WriteError):
        assert issubclass(cls, dexmora.Error) and cls.__module__ == "dexmora" and cls.__doc__
    assert issubclass(dexmora.Error, ValueError)
    assert issubclass(dexmora.WriteError, OSError)


# (call, words of the TypeError)
WRONG_TYPES = [
    (lambda: dexmora.encode(12), "str or bytes"),
    (lambda: dexmora.encode(), "1 positional"),
    (lambda: dexmora.encode("x", "minimal"), "1 positional"),
    (lambda: dexmora.encode("x", size=[10]), "'size' must be int or str, not list"),
    (lambda: dexmora.encode("x", size=True), "'size' must be int or str, not bool"),
    (lambda: dexmora.encode("x", gs1="yes"), "'gs1' must be bool"),
    (lambda: dexmora.encode("x", encodation=1), "'encodation' must be str"),
    (lambda: dexmora.encode("x", structured_append=(1, "2")), "structured_append"),
    (lambda: dexmora.encode("x", sise=10), "did you mean 'size'"),
    (lambda: dexmora.encode("x", **{"exact-size": True}), "did you mean 'exact_size'"),
    (lambda: dexmora.encode("x", module=3), "rendering option"),
    (lambda: dexmora.encode("x").png(size=10), "encoding option"),
    (lambda: dexmora.encode("x").png(format="svg"), "save()"),
    (lambda: dexmora.encode("x").png(3, module=3), "multiple values"),
    (lambda: dexmora.encode_many(["x", 3]), "item 1 must be str or bytes"),
    (lambda: dexmora.encode_many(["x"], threads=1.5), "'threads' must be int"),
    (lambda: dexmora.encode_many(5), "not iterable"),
]


@pytest.mark.parametrize("call, words", WRONG_TYPES)
def test_wrong_python_types_are_type_errors(call, words):
    with pytest.raises(TypeError, match=words.replace("(", r"\(").replace(")", r"\)")):
        call()


def test_str_that_is_not_unicode_text_is_refused():
    with pytest.raises(UnicodeEncodeError):
        dexmora.encode("\udc80")


def test_write_error_is_an_oserror_with_errno_and_the_librarys_message(tmp_path):
    symbol = dexmora.encode("x")
    missing = tmp_path / "missing" / "a.png"
    with pytest.raises(dexmora.WriteError) as raised:
        symbol.save(missing)
    error = raised.value
    assert isinstance(error, OSError) and error.code == "write_failed"
    assert error.errno == errno.ENOENT and error.filename is missing and error.strerror
    assert str(error).startswith("cannot write") and str(missing) in str(error)
    assert not missing.parent.exists()


# A full disk, as a file size limit: the write fails part way (EFBIG).
FULL_DISK = """
import resource, signal, sys
import dexmora
signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
resource.setrlimit(resource.RLIMIT_FSIZE, (1000, 1000))
try:
    dexmora.encode("x" * 1000).save(sys.argv[1], module=20)
except dexmora.WriteError as error:
    print(error.errno, error)
"""


def test_a_failed_save_keeps_the_old_file_and_leaves_nothing_behind(tmp_path):
    target = tmp_path / "kept.png"
    target.write_bytes(b"old")
    run = subprocess.run([sys.executable, "-c", FULL_DISK, str(target)], capture_output=True, text=True, check=True)
    assert run.stdout.startswith(str(errno.EFBIG) + " ")
    assert target.read_bytes() == b"old"
    assert [p.name for p in tmp_path.iterdir()] == ["kept.png"]


# Memory running out part way through a batch (one thread: a thread that
# cannot get its thread-local storage ends the process in glibc).
OUT_OF_MEMORY = """
import resource
import dexmora
with open("/proc/self/statm") as statm:
    used = int(statm.read().split()[0]) * resource.getpagesize()
resource.setrlimit(resource.RLIMIT_AS, (used + (64 << 20), resource.getrlimit(resource.RLIMIT_AS)[1]))
try:
    dexmora.encode_many(["x" * 1000] * 20000, threads=1)
except MemoryError as error:
    print(type(error).__name__, error.code, error.index > 0, error)
"""


def test_memory_running_out_is_a_memory_error_with_the_item():
    run = subprocess.run([sys.executable, "-c", OUT_OF_MEMORY], capture_output=True, text=True, check=True)
    assert run.stdout.startswith("MemoryError out_of_memory True item ")


def test_encode_many_raises_the_first_failed_item_with_its_index():
    items = ["ok", "x" * 4000, "[01]1", "y" * 5000]
    with pytest.raises(dexmora.TooLongError) as raised:
        dexmora.encode_many(items, threads=4)
    assert raised.value.index == 1 and str(raised.value).startswith("item 1: ")
    with pytest.raises(dexmora.GS1Error) as raised:
        dexmora.encode_many(["[01]09521234543213", "[01]1"], gs1=True)
    assert raised.value.index == 1
    with pytest.raises(dexmora.OptionError) as raised:
        dexmora.encode_many([b"\xe9", b"ok", "ok"], eci=3)
    assert raised.value.index == 2
