"""Shared helpers: zxing-cpp's reader (used as a reader only), the external
rasterisers the C++ tests use, and dexmora-cli for byte comparisons."""

import io
import os
import shutil
import subprocess

import numpy
import pytest
import zxingcpp
from hypothesis import HealthCheck, settings

import dexmora

# Reproducible runs, no example database written beside the sources.
settings.register_profile(
    "dexmora", derandomize=True, database=None, deadline=None, max_examples=150,
    suppress_health_check=[HealthCheck.too_slow])
settings.load_profile("dexmora")

CLI = os.environ.get("DEXMORA_CLI", "")
GS = b"\x1d"

# zxing-cpp 1.4 does not read the ISO layout of 144x144 (only the defacto one).
UNREADABLE_SIZES = {"144x144"}


def scan_grey(grey):
    """The bytes zxing-cpp reads from an 8-bit grey numpy picture, and its identifier."""
    result = zxingcpp.read_barcode(grey, formats=zxingcpp.BarcodeFormat.DataMatrix)
    assert result is not None and result.valid, "zxing-cpp found no Data Matrix symbol"
    return result.bytes, result.symbology_identifier


def scan_modules(symbol, pixels=4, quiet=2):
    """Reads a symbol from its modules alone (no renderer involved)."""
    light = (1 - numpy.asarray(symbol)).astype(numpy.uint8) * 255
    grey = numpy.kron(light, numpy.ones((pixels, pixels), dtype=numpy.uint8))
    return scan_grey(numpy.pad(grey, quiet * pixels, constant_values=255))


def png_grey(png):
    from PIL import Image
    with Image.open(io.BytesIO(png)) as picture:
        # Transparent pixels are light, as on paper.
        if picture.mode in ("RGBA", "LA", "P", "PA"):
            picture = picture.convert("RGBA")
            paper = Image.new("RGBA", picture.size, (255, 255, 255, 255))
            picture = Image.alpha_composite(paper, picture)
        return numpy.asarray(picture.convert("L"))


def scan_png(png):
    return scan_grey(png_grey(png))


RASTERISERS = {
    "svg": ("rsvg-convert", lambda src, dst: ["rsvg-convert", "-d", "150", "-p", "150", "-o", dst, src]),
    "pdf": ("pdftoppm", lambda src, dst: ["pdftoppm", "-r", "150", "-gray", "-png", "-singlefile", src, dst[:-4]]),
    "eps": ("gs", lambda src, dst: ["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pnggray", "-r150",
                                    "-dEPSCrop", "-sOutputFile=" + dst, src]),
}


def rasterise(tmp_path, format, document):
    """A vector document drawn at 150 dpi by the tool the C++ tests use."""
    tool, command = RASTERISERS[format]
    if shutil.which(tool) is None:
        pytest.skip(tool + " is not installed")
    src = tmp_path / ("symbol." + format)
    dst = tmp_path / "symbol.png"
    src.write_bytes(document.encode() if isinstance(document, str) else document)
    subprocess.run(command(str(src), str(dst)), check=True, capture_output=True)
    return dst.read_bytes()


@pytest.fixture
def cli(tmp_path):
    """Runs dexmora-cli ARGS -o FILE TEXT and gives FILE's bytes."""
    if not CLI:
        pytest.skip("DEXMORA_CLI is not set")

    def run(args, text, name="out.png"):
        out = tmp_path / name
        subprocess.run([CLI, *args, "-o", str(out), "--", text], check=True, capture_output=True)
        return out.read_bytes()

    return run


@pytest.fixture(scope="session")
def symbol():
    return dexmora.encode("LOT 4711")
