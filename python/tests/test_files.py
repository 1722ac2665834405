"""save() takes paths and file objects as Python's own file functions do:
NUL bytes, short and refused writes, non-blocking pipes, the filename of an
error; and integers of any type with __index__."""

import errno
import fcntl
import io
import os
import pathlib

import numpy
import pytest

import dexmora

F_GETPIPE_SZ = 1032
PATH_TYPES = pytest.mark.parametrize("make", [str, os.fsencode, pathlib.Path], ids=["str", "bytes", "Path"])


@pytest.fixture(scope="module")
def big():
    return dexmora.encode("x" * 1500)  # more than a pipe holds, in every format


@PATH_TYPES
def test_nul_in_a_path_is_refused_as_open_refuses_it(tmp_path, symbol, make):
    target = make(str(tmp_path / "evil.png") + "\0.txt")
    with pytest.raises(ValueError, match="^embedded null byte$"):
        symbol.save(target)
    with pytest.raises(ValueError, match="^embedded null byte$"):
        open(target, "wb")
    assert list(tmp_path.iterdir()) == []


@PATH_TYPES
def test_write_error_filename_is_the_object_given(tmp_path, symbol, make):
    target = make(str(tmp_path / "missing" / "x.png"))
    with pytest.raises(dexmora.WriteError) as raised:
        symbol.save(target)
    assert raised.value.filename is target and raised.value.errno == errno.ENOENT
    with pytest.raises(dexmora.OptionError, match="temporary files"):
        symbol.save(make(str(tmp_path / ".a.png.0.dexmora-tmp")))
    assert list(tmp_path.iterdir()) == []


class Raw(io.RawIOBase):
    """Takes at most `chunk` bytes a call; once it holds `capacity`, answers `then`."""

    def __init__(self, chunk, capacity=None, then=None):
        self.chunk, self.capacity, self.then = chunk, capacity, then
        self.data = bytearray()
        self.calls = 0

    def writable(self):
        return True

    def write(self, b):
        self.calls += 1
        if self.capacity is not None and len(self.data) >= self.capacity:
            if isinstance(self.then, BaseException):
                raise self.then
            return self.then
        taken = bytes(b[:self.chunk])
        self.data += taken
        return len(taken)


@pytest.mark.parametrize("format", ["png", "svg", "pdf", "eps"])
def test_a_raw_file_taking_1000_bytes_a_call_receives_every_byte(big, format):
    expected = getattr(big, format)()
    expected = expected.encode() if isinstance(expected, str) else expected
    raw = Raw(1000)
    big.save(raw, format)
    assert bytes(raw.data) == expected and raw.calls == -(-len(expected) // 1000)


# What write() answers once 2100 bytes are in: the exception, and its characters_written.
REFUSED_WRITES = [
    (None, BlockingIOError, 2100),
    (0, BlockingIOError, 2100),
    (BlockingIOError(errno.EAGAIN, "full", 5), BlockingIOError, 2105),
    (10 ** 9, OSError, None),
    ("some", TypeError, None),
]


@pytest.mark.parametrize("then, exception, characters_written", REFUSED_WRITES,
                         ids=["None", "zero", "itsOwnBlockingIOError", "tooMany", "notAnInt"])
def test_a_write_that_takes_nothing_or_lies_raises(big, then, exception, characters_written):
    raw = Raw(700, 2100, then)
    with pytest.raises(exception) as raised:
        big.save(raw, "svg")
    assert type(raised.value) is exception
    assert bytes(raw.data) == big.svg().encode()[:2100]
    if characters_written is not None:
        assert raised.value.errno == errno.EAGAIN and raised.value.characters_written == characters_written


@pytest.mark.parametrize("fits", [True, False], ids=["fits", "overflows"])
def test_an_unbuffered_non_blocking_pipe_gets_every_byte_or_an_exception(big, symbol, fits):
    source, module = (symbol, 4) if fits else (big, 20)
    expected = source.eps(module=module).encode()
    read_end, write_end = os.pipe()
    try:
        os.set_blocking(read_end, False)
        os.set_blocking(write_end, False)
        capacity = fcntl.fcntl(write_end, F_GETPIPE_SZ)
        assert (len(expected) <= capacity) == fits
        with open(write_end, "wb", buffering=0, closefd=False) as pipe:
            if fits:
                source.save(pipe, "eps", module=module)
            else:
                with pytest.raises(BlockingIOError) as raised:
                    source.save(pipe, "eps", module=module)
                assert raised.value.characters_written == capacity
        assert os.read(read_end, capacity + 1) == expected[:capacity]
    finally:
        os.close(read_end)
        os.close(write_end)


class Index:
    """An integer only through __index__."""

    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


INTEGER_KEYWORDS = [
    ("encode size", lambda n: dexmora.encode("x", size=n).size, 20),
    ("encode macro", lambda n: dexmora.encode("x", macro=n).codewords, 5),
    ("encode structured_append", lambda n: dexmora.encode("x", structured_append=(n, 2)).codewords, 1),
    ("encode_many threads", lambda n: [s.codewords for s in dexmora.encode_many(["a", "b"], threads=n)], 2),
    ("png module", lambda n: dexmora.encode("x").png(n), 3),
    ("svg quiet_zone", lambda n: dexmora.encode("x").svg(quiet_zone=n), 1),
    ("is_dark", lambda n: dexmora.encode("x").is_dark(n, n), 0),
]


@pytest.mark.parametrize("make", [numpy.int64, Index], ids=["int64", "index"])
@pytest.mark.parametrize("name, call, value", INTEGER_KEYWORDS, ids=[k[0] for k in INTEGER_KEYWORDS])
def test_every_integer_keyword_takes_index(name, call, value, make):
    assert call(make(value)) == call(value)
