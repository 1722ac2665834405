"""Data Matrix ECC200 symbols: encode data, then draw them as PNG, SVG, PDF or EPS.

    >>> import dexmora
    >>> symbol = dexmora.encode("SN-000123")
    >>> symbol.size
    '14x14'
    >>> symbol.save("label.svg", xdim="0.5mm")

See help(dexmora.encode) for the encoding options and help(dexmora.Symbol)
for the pictures.
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
    "encode",
    "encode_many",
]

# The classes are defined in the extension; they belong to this package's face.
for _name in __all__:
    globals()[_name].__module__ = __name__
del _name
