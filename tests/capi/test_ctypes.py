"""libdexmora.so.1 through ctypes alone, as any FFI binds it: no build step,
the library found on the loader's path (LD_LIBRARY_PATH, set by installed.sh)."""

import ctypes
import os
import subprocess
import threading

import numpy
import pytest
import zxingcpp
from hypothesis import given, settings, strategies

lib = ctypes.CDLL("libdexmora.so.1")
Options = ctypes.c_void_p
Symbol = ctypes.c_void_p
lib.dexmora_options_new.restype = Options
lib.dexmora_options_set.argtypes = [Options, ctypes.c_char_p, ctypes.c_char_p]
lib.dexmora_options_free.argtypes = [Options]
lib.dexmora_encode.argtypes = [ctypes.c_char_p, ctypes.c_size_t, Options, ctypes.POINTER(Symbol)]
for getter in ("rows", "cols"):
    getattr(lib, "dexmora_symbol_" + getter).argtypes = [Symbol]
lib.dexmora_symbol_module.argtypes = [Symbol, ctypes.c_int, ctypes.c_int]
lib.dexmora_symbol_notice.argtypes = [Symbol, ctypes.c_int]
lib.dexmora_symbol_notice.restype = ctypes.c_char_p
lib.dexmora_symbol_free.argtypes = [Symbol]
lib.dexmora_render.argtypes = [Symbol, Options, ctypes.c_char_p, ctypes.POINTER(ctypes.POINTER(ctypes.c_ubyte)),
                               ctypes.POINTER(ctypes.c_size_t)]
lib.dexmora_free.argtypes = [ctypes.c_void_p]
lib.dexmora_error_name.restype = ctypes.c_char_p
lib.dexmora_last_error.restype = ctypes.c_char_p


class Failed(Exception):
    def __init__(self, code):
        super().__init__(lib.dexmora_error_name(code).decode(), lib.dexmora_last_error().decode())


def options(**given):
    handle = lib.dexmora_options_new()
    for key, value in given.items():
        code = lib.dexmora_options_set(handle, key.replace("_", "-").encode(), value and value.encode())
        if code:
            lib.dexmora_options_free(handle)
            raise Failed(code)
    return handle


def encode(data, **given):
    handle, symbol = options(**given), Symbol()
    try:
        code = lib.dexmora_encode(data, len(data), handle, ctypes.byref(symbol))
    finally:
        lib.dexmora_options_free(handle)
    if code:
        raise Failed(code)
    return symbol


def modules(symbol):
    rows, cols = lib.dexmora_symbol_rows(symbol), lib.dexmora_symbol_cols(symbol)
    return numpy.array([[lib.dexmora_symbol_module(symbol, r, c) for c in range(cols)] for r in range(rows)])


def scan(dark):
    grey = numpy.kron((1 - dark).astype(numpy.uint8) * 255, numpy.ones((4, 4), dtype=numpy.uint8))
    found = zxingcpp.read_barcode(numpy.pad(grey, 8, constant_values=255), formats=zxingcpp.BarcodeFormat.DataMatrix)
    return found.bytes if found is not None and found.valid else None


def render(symbol, handle=None, format=None):
    data, length = ctypes.POINTER(ctypes.c_ubyte)(), ctypes.c_size_t()
    code = lib.dexmora_render(symbol, handle, format, ctypes.byref(data), ctypes.byref(length))
    if code:
        raise Failed(code)
    try:
        return ctypes.string_at(data, length.value)
    finally:
        lib.dexmora_free(data)


@settings(max_examples=60, derandomize=True, database=None, deadline=None)
@given(strategies.binary(min_size=1, max_size=120), strategies.sampled_from(["square", "rectangle", "any"]))
def test_modules_scan_back_to_the_data(data, shape):
    symbol = encode(data, shape=shape)
    try:
        dark = modules(symbol)
        assert scan(dark) == data
        assert shape != "rectangle" or dark.shape[0] < dark.shape[1]
    finally:
        lib.dexmora_symbol_free(symbol)


# The same options given to dexmora-cli and to the C interface draw the same file.
@pytest.mark.parametrize("given, argv", [
    ({}, []),
    ({"format": "svg", "xdim": "0.4mm"}, ["--format", "svg", "--xdim", "0.4mm"]),
    ({"module": "3", "invert": None, "quiet-zone": "1"}, ["--module", "3", "--invert", "--quiet-zone", "1"]),
    ({"encodation": "minimal", "shape": "rectangle", "format": "pdf"}, ["-e", "minimal", "--shape", "rectangle",
                                                                         "--format", "pdf"]),
])
def test_pictures_match_the_command_line(tmp_path, given, argv):
    handle = options(**given)
    symbol = encode(b"Dexmora 1.0", **given)
    try:
        ours = render(symbol, handle)
    finally:
        lib.dexmora_symbol_free(symbol)
        lib.dexmora_options_free(handle)
    subprocess.run([os.environ["DEXMORA_CLI"], *argv, "-o", str(tmp_path / "cli"), "Dexmora 1.0"], check=True)
    assert ours == (tmp_path / "cli").read_bytes()


def test_each_thread_has_its_own_last_error():
    both_failed = threading.Barrier(2)
    seen = {}

    def fail_with(key):
        handle = lib.dexmora_options_new()
        lib.dexmora_options_set(handle, key.encode(), b"1")
        lib.dexmora_options_free(handle)
        both_failed.wait()
        seen[key] = lib.dexmora_last_error().decode()

    threads = [threading.Thread(target=fail_with, args=(key,)) for key in ("alpha", "omega")]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert "'alpha'" in seen["alpha"] and "'omega'" in seen["omega"]
