#!/usr/bin/env python3
"""Draws the Dexmora icon: an 8x8 mark in the manner of a Data Matrix symbol.

Writes dexmora.svg and dexmora-16/32/48.png next to this script. Uses the
standard library only, so the icons can be redrawn anywhere Python runs.
"""
import os
import struct
import zlib

# Rows top to bottom; '#' dark, '.' light. Solid left column and bottom row,
# alternating top row and right column, as a Data Matrix finder pattern.
MARK = [
    "#.#.#.#.",
    "##..#.##",
    "#.##..#.",
    "##.#.###",
    "#..##.#.",
    "###..#.#",
    "#.#.##..",
    "########",
]
DARK = (0x1F, 0x2A, 0x44, 0xFF)
LIGHT = (0xFF, 0xFF, 0xFF, 0xFF)
HERE = os.path.dirname(os.path.abspath(__file__))


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, side):
    scale = side // len(MARK)
    rows = []
    for y in range(side):
        line = MARK[y // scale]
        row = bytearray([0])  # filter type None
        for x in range(side):
            row.extend(DARK if line[x // scale] == "#" else LIGHT)
        rows.append(bytes(row))
    ihdr = struct.pack(">IIBBBBB", side, side, 8, 6, 0, 0, 0)
    data = (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr)
            + png_chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + png_chunk(b"IEND", b""))
    with open(path, "wb") as out:
        out.write(data)


def write_svg(path):
    side = len(MARK)
    dark = "#%02x%02x%02x" % DARK[:3]
    cells = "".join(
        '<rect x="%d" y="%d" width="1" height="1"/>' % (x, y)
        for y, line in enumerate(MARK) for x, c in enumerate(line) if c == "#")
    svg = ('<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 {s} {s}" width="48" height="48" '
           'shape-rendering="crispEdges">\n'
           '<rect width="{s}" height="{s}" fill="#ffffff"/>\n'
           '<g fill="{d}">{c}</g>\n</svg>\n').format(s=side, d=dark, c=cells)
    with open(path, "w", encoding="ascii") as out:
        out.write(svg)


if __name__ == "__main__":
    for size in (16, 32, 48):
        write_png(os.path.join(HERE, "dexmora-%d.png" % size), size)
    write_svg(os.path.join(HERE, "dexmora.svg"))
