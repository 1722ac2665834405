"""Modules shared with numpy without a copy, threads that encode and render
at once, encode_many's order and pool, and the GIL let go meanwhile."""

import ctypes
import gc
import random
import threading
import time

import numpy
import pytest

import dexmora


def test_numpy_array_shares_the_read_only_modules_and_keeps_the_symbol_alive():
    array = numpy.asarray(dexmora.encode("shared", size="16x48"))
    symbol = array.base.obj
    assert array.shape == (16, 48) and array.dtype == numpy.uint8 and not array.flags.owndata
    assert numpy.shares_memory(array, numpy.asarray(symbol))
    assert [[symbol.is_dark(x, y) for x in range(48)] for y in range(16)] == array.astype(bool).tolist()
    with pytest.raises(ValueError):
        array[0, 0] = 0
    with pytest.raises(TypeError):
        memoryview(symbol)[0, 0] = 0
    with pytest.raises((TypeError, BufferError)):
        (ctypes.c_char * 100).from_buffer(symbol)
    expected = array.copy()
    del symbol
    gc.collect()
    dexmora.encode("x" * 500).png(4)  # reuses freed memory, were the modules freed
    assert (array == expected).all()


def texts(count, seed):
    rng = random.Random(seed)
    alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz -./é"
    return ["".join(rng.choice(alphabet) for _ in range(rng.randint(0, 200))) for _ in range(count)]


def outputs(text):
    symbol = dexmora.encode(text, encodation="minimal", shape="any")
    return symbol.codewords, symbol.png(), symbol.svg(xdim=0.3), symbol.pdf(), symbol.text()


def test_eight_threads_at_once_give_the_single_threaded_results():
    items = texts(120, 8)
    expected = [outputs(text) for text in items]
    results = [None] * 8
    barrier = threading.Barrier(8)

    def worker(slot):  # every thread in its own order, all on one symbol set
        barrier.wait()
        order = list(range(len(items)))
        random.Random(slot).shuffle(order)
        got = {}
        for index in order:
            got[index] = outputs(items[index])
        results[slot] = [got[index] for index in range(len(items))]

    threads = [threading.Thread(target=worker, args=(slot,)) for slot in range(8)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for result in results:
        assert result == expected


@pytest.mark.parametrize("threads", [None, 1, 2, 3, 16])
def test_encode_many_keeps_the_order_and_equals_encode(threads):
    items = texts(200, 3) + [b"\x00\xff bytes", bytearray(b"array")]
    symbols = dexmora.encode_many(iter(items), threads=threads, encodation="minimal")
    assert [s.codewords for s in symbols] == [dexmora.encode(i, encodation="minimal").codewords for i in items]


def test_encode_many_of_nothing_is_an_empty_list():
    assert dexmora.encode_many((), threads=4) == []


def test_encode_many_adds_eci_26_to_each_text_beyond_ascii_only():
    items = ["plain", "é", b"\xc3\xa9", "é"]
    symbols = dexmora.encode_many(items)
    assert [s.codewords for s in symbols] == [dexmora.encode(i).codewords for i in items]
    assert [s.codewords[0] == 241 for s in symbols] == [False, True, False, True]
    assert [s.codewords[0] == 241 for s in dexmora.encode_many(items, utf8=False)] == [False] * 4


def running_with_other_threads(call):
    """Whether another Python thread ran during the middle half of `call`."""
    window = []
    stamps = []
    done = threading.Event()

    def worker():
        start = time.perf_counter()
        call()
        window.extend([start, time.perf_counter()])
        done.set()

    thread = threading.Thread(target=worker)
    thread.start()
    while not done.is_set():
        stamps.append(time.perf_counter())
        time.sleep(0.001)
    thread.join()
    start, end = window
    quarter = (end - start) / 4
    return any(start + quarter < stamp < end - quarter for stamp in stamps), end - start


def test_the_gil_is_let_go_while_encoding():
    items = ["Aa1-" * 250] * 1500
    ran, seconds = running_with_other_threads(lambda: dexmora.encode_many(items, threads=1, encodation="minimal"))
    assert ran, "no other thread ran during %.3f s of encode_many()" % seconds


def test_the_gil_is_let_go_while_rendering():
    symbol = dexmora.encode("large picture", size=144)
    ran, seconds = running_with_other_threads(lambda: [symbol.png(40) for _ in range(3)])
    assert ran, "no other thread ran during %.3f s of png()" % seconds
