"""Data Matrix ECC200 symbols: encode data, then draw them as PNG, SVG, PDF or EPS.

    >>> import dexmora
    >>> symbol = dexmora.encode("SN-000123")
    >>> symbol.size
    '14x14'
    >>> symbol.save("label.svg", xdim="0.5mm")

See help(dexmora.encode) for the encoding options and help(dexmora.Symbol)
for the pictures; help(dexmora.sheet) for label sheets.
"""


from ._dexmora import (
    DexmoraWarning,
    Error,
    GS1Error,
    NotEncodableError,
    OptionError,
    PictureTooLargeError,
    SizeWarning,
    Symbol,
    TooLongError,
    WriteError,
    __version__,
    _save_sheet,
    _sheet,
    encode,
    encode_many,
)

__all__ = [
    "DexmoraWarning",
    "Error",
    "GS1Error",
    "NotEncodableError",
    "OptionError",
    "PictureTooLargeError",
    "SizeWarning",
    "Symbol",
    "TooLongError",
    "WriteError",
    "Sheet",
    "encode",
    "encode_many",
    "sheet",
]



class Sheet(bytes):
    """A label sheet: the bytes of its PDF, with the items left out of it.

    refused
        A list of (index, message) pairs, one for each item whose cell was
        left empty: a text the encoder refused, or a symbol or caption that
        does not fit its cell (the message names the size it needs).
    """

    def __new__(cls, pdf, refused=()):
        sheet = super().__new__(cls, pdf)
        sheet.refused = list(refused)
        return sheet

    def save(self, path):
        """Write the PDF to `path` (str, bytes or a path object), replacing
        a file there only once the new one is complete."""
        _save_sheet(path, bytes(self))


def _number(value):
    """A number as the option text: a float as Python writes it, anything else as a whole number."""
    return repr(value) if isinstance(value, float) else str(int(value))


def _pair(value, separator, unit="mm"):
    """A tuple of two numbers as the option text, e.g. (70, 37.125) -> '70x37.125mm'."""
    if isinstance(value, (tuple, list)) and len(value) == 2:
        return separator.join(_number(v) for v in value) + unit
    return value


def sheet(items, /, *, paper=None, grid=None, cell=None, sheet_margin=None, pitch=None, skip=None,
          caption=None, caption_side=None, caption_size=None, font=None, outline=None, xdim=None, **options):
    """sheet(items, /, *, paper="a4", grid=(1, 1), caption=None, ..., **options) -> Sheet

    Lay `items` out as labels on a PDF, one per cell from the first, row by
    row over as many pages as they need, and return it as a Sheet (bytes
    with save() and `refused`). An item is a str or bytes, encoded as
    encode() encodes it (a str beyond ASCII gets ECI 26), a (name, text)
    pair whose name fills {name}, or None for a cell left empty. An item
    that cannot be drawn leaves its cell empty and is listed in `refused`,
    so item N is always in cell N.

    paper
        "a4" (default), "a5", "letter", "legal", "WxH" with a unit such as
        "100x150mm", or (width, height) in millimetres.
    grid
        (columns, rows) of cells on each page, or "COLSxROWS"; default (1, 1).
    cell
        (width, height) in millimetres or "WxH" with a unit; by default the
        cells fill the page inside the margins.
    sheet_margin
        (top, left) in millimetres or "TOP,LEFT" with a unit; default 0, and
        with `cell` the grid centred.
    pitch
        (horizontal, vertical) step from one cell's corner to the next, in
        millimetres or "H,V" with a unit; default the cell size.
    skip
        Cells of the first page left empty (a sheet partly used).
    caption
        The text under each symbol: {text}, {name} and {n} (the item's number
        from 1) are filled in; {{ and }} are braces. Default none.
    caption_side
        "below" (default) or "right".
    caption_size
        The caption's size in points, 1 to 144; default 8.
    font
        A fontconfig pattern; default "sans-serif". Scripts it lacks get the
        fonts fontconfig lists after it.
    outline
        Draw each cell's border, for a test print on plain paper.
    xdim
        "fit" for the largest X-dimension that fits each cell, or the
        X-dimension as pdf() takes it; default 0.5 mm.
    **options
        Any keyword of encode(), and quiet_zone, fg, bg and invert as pdf()
        takes them.

    The same items and keywords give the same bytes as dexmora-cli --batch
    --sheet with the same options.
    """
    given = {"sheet": _pair(paper, "x"), "grid": _pair(grid, "x", ""), "cell": _pair(cell, "x"),
             "sheet-margin": _pair(sheet_margin, ","), "pitch": _pair(pitch, ","), "skip": skip,
             "caption": caption, "caption-side": caption_side, "caption-size": caption_size, "font": font,
             "outline": outline}
    texts = []
    for key, value in given.items():
        if value is None:
            continue
        if isinstance(value, bool):
            value = "1" if value else "0"
        elif isinstance(value, (int, float)) and key in ("skip", "caption-size"):
            value = _number(value)
        elif not isinstance(value, str):
            raise TypeError(f"sheet() argument '{key.replace('-', '_')}' has the wrong type: "
                            f"{type(value).__name__}")
        texts.append((key, value))
    if xdim == "fit":
        texts.append(("xdim", "fit"))
    elif xdim is not None:
        options["xdim"] = xdim
    pdf, refused = _sheet(items, texts, options)
    return Sheet(pdf, refused)


# The classes are defined in the extension; they belong to this package's face.
for _name in __all__:
    globals()[_name].__module__ = __name__
del _name
