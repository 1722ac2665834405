#pragma once

// The module's help texts. Each function's first lines are its signature in
// Python's own form ("name(...)\n--\n\n"), which help() and
// inspect.signature() read, since the bindings take their keywords by name.

namespace dexmora_python::doc {

inline constexpr const char kModule[] = R"(Data Matrix ECC200 symbols: encode data, then draw them as PNG, SVG, PDF or EPS.

    >>> import dexmora
    >>> symbol = dexmora.encode("SN-000123")
    >>> symbol.size
    '14x14'
    >>> symbol.save("label.svg", xdim="0.5mm")

encode() makes a Symbol, encode_many() many of them on several threads. Every
option has the meaning of the dexmora-cli option of the same name (exact_size
is --exact-size), and every value is checked by the same library. Errors are
dexmora.Error (a ValueError) and its subclasses. Any function may be called
from several threads at once; encoding and rendering run without the GIL.)";

inline constexpr const char kEncode[] = R"(encode(data, /, *, encodation='basic', size=None, exact_size=False, shape='square', dmre=False, dm144='iso', gs1=False, gs1_gs=False, gs1_parens=False, gs1_nocheck=False, eci=None, utf8=None, reader_init=False, macro=None, structured_append=None)
--

Encode `data` as a Data Matrix ECC200 symbol and return the Symbol.

data
    bytes (or any bytes-like object) are encoded exactly as they are, any
    byte value included. A str is encoded as UTF-8; when it holds characters
    beyond ASCII and neither `eci` nor `utf8` is given, ECI 26 (UTF-8) is put
    first so that readers decode the text as UTF-8.
encodation
    'basic' (ASCII with digit pairs and Base 256, as the first release),
    'minimal' (the shortest stream over all six modes: often a smaller
    symbol), or one forced mode: 'ascii', 'c40', 'text', 'x12', 'edifact',
    'base256'.
size
    None or 'auto' for the smallest size that holds the data; an int for a
    square side (10 to 144); 'RxC' for a rectangle such as '16x48'. Data too
    long for the size asked for get the next larger size of its shape.
exact_size
    The size asked for or TooLongError, never a larger size.
shape
    What an automatic size is chosen from: 'square', 'rectangle' or 'any'.
dmre
    Let an automatic size be a DMRE rectangle (ISO/IEC 21471) too; alone it
    makes the shape 'any', and it does not go with shape='square' given.
dm144
    The 144x144 symbol's error-correction layout: 'iso' or 'defacto' (the
    rotated block order some older readers expect).
gs1
    `data` are GS1 element strings in brackets, '[01]09521234543213[10]AB1',
    checked against GS1's table (lengths, character sets, check digits,
    dates); GS1Error when they fail.
gs1_gs
    Separate variable-length GS1 fields with GS (29) instead of FNC1.
gs1_parens
    GS1 element strings in parentheses, '(01)...'; implies gs1. A literal
    parenthesis in a value is written \( or \).
gs1_nocheck
    Accept application identifiers GS1's table does not know.
eci
    The ECI designator to put first, 0 to 999999 (int or str). Any value but
    26 needs `data` as bytes in that character set; with a str it is an
    OptionError.
utf8
    True: the data are UTF-8, ECI 26. False: no ECI is added to a str.
reader_init
    A reader programming symbol.
macro
    5 or 6 (or '05', '06'): the Macro 05 or Macro 06 header and trailer.
structured_append
    (position, count) or (position, count, id): this symbol's place in a
    sequence of 2 to 16 symbols; id 1 to 64516 tells sequences apart.
    The text form '1,3' or '1,3,17' is taken too.

Switches take True or False. A str is read exactly as the command line reads
the option's value. Raises TooLongError, NotEncodableError, GS1Error or
OptionError (all dexmora.Error, a ValueError) and TypeError for a value of
the wrong type. Runs without the GIL while it encodes.)";

inline constexpr const char kEncodeMany[] = R"(encode_many(items, /, *, threads=None, **options)
--

Encode every item of `items` (str or bytes, as encode() takes them) with the
same options and return the list of Symbols, in the order of the items.

threads
    How many threads encode at once: 1 to 1024; None for one per core.
**options
    Any keyword of encode(); a str beyond ASCII gets ECI 26 as in encode().

The items are read first; then the encoding runs without the GIL. When items
fail, the exception of the first failed item is raised (its message starts
with 'item N: ' and its `index` attribute is N, counted from 0); no item
after it is started once it has failed.)";

inline constexpr const char kSymbol[] = R"(A finished Data Matrix ECC200 symbol. Only encode() and encode_many() make one.

An immutable value, safe to share between threads. It holds its modules as
rows x cols bytes (1 dark, 0 light), finder and alignment patterns included,
readable through the buffer protocol without a copy:

    >>> import numpy
    >>> numpy.asarray(symbol)      # a read-only rows x cols uint8 array
    >>> memoryview(symbol)[0, 0]   # 1: the finder's corner is dark

The pictures: png(), svg(), pdf(), eps(), text(), save(), the data URIs, and
to_pil() with Pillow. Without arguments png() is exactly dexmora-cli's
default picture; any rendering keyword draws every module exactly, as the
command line does. The rendering keywords, each None by default:

module
    PNG pixels per module, 1 to 100 (may be given first, without its name).
quiet_zone
    The light margin in modules, 0 to 100 (2 when not given).
fg, bg
    Colours as 'RRGGBB' or 'RRGGBBAA' ('#' optional); bg may be
    'transparent'. Colours with too little contrast to scan are refused.
invert
    True: swap the dark and light colours.
dpi
    The printer's resolution, 1 to 10000, for a PNG: with xdim it gives the
    pixels per module, and it is written into the PNG.
xdim
    The module size: a str with its unit ('0.5mm', '20mil', '0.02in') or a
    number of millimetres (0.5 is '0.5mm'). SVG, PDF and EPS use 0.5 mm when
    it is not given.

An option the library refuses raises OptionError; a picture over the
library's size limits PictureTooLargeError. Rendering runs without the GIL.)";

inline constexpr const char kRows[] = "Module rows, finder included.";
inline constexpr const char kCols[] = "Module columns, finder included.";
inline constexpr const char kSize[] = "The size as 'RxC', e.g. '22x22'.";
inline constexpr const char kCodewords[] =
    "The codewords as bytes: the data codewords (the encoded data, then pads), then the\n"
    "interleaved error-correction codewords.";
inline constexpr const char kDataLength[] = "Data codewords the data took, before the pads.";
inline constexpr const char kCapacity[] = "Data codewords this size holds.";
inline constexpr const char kNotices[] =
    "What encode() chose on the caller's behalf, as dicts with 'name', the figures and 'message':\n"
    "[{'name': 'size_raised', 'asked': '10x10', 'used': '18x18', 'message': ...}]; empty when it\n"
    "did just what was asked. Each one was also issued as a warning (dexmora.SizeWarning).";
inline constexpr const char kIsDark[] = R"(is_dark($self, /, x, y)
--

Whether module (x, y) is dark: column x from the left, row y from the top,
both from 0. Outside the symbol (the quiet zone) every module is light.)";

inline constexpr const char kPng[] = R"(png($self, /, module=None, *, quiet_zone=None, fg=None, bg=None, invert=None, dpi=None, xdim=None)
--

The symbol as a PNG file's bytes. Without arguments: dexmora-cli's default
picture, byte for byte. With any keyword (see help(dexmora.Symbol)): every
module the same number of pixels, in the smallest PNG type that holds the
colours, as dexmora-cli with the same options.)";

inline constexpr const char kSvg[] = R"(svg($self, /, module=None, *, quiet_zone=None, fg=None, bg=None, invert=None, dpi=None, xdim=None)
--

The symbol as an SVG document (str): one path of merged module runs, a
viewBox in modules, its size in mm when xdim is given (else module pixels).)";

inline constexpr const char kPdf[] = R"(pdf($self, /, module=None, *, quiet_zone=None, fg=None, bg=None, invert=None, dpi=None, xdim=None)
--

The symbol as a one-page PDF file's bytes, the page the size of the symbol
and its quiet zone at the X-dimension (0.5 mm when xdim is not given).)";

inline constexpr const char kEps[] = R"(eps($self, /, module=None, *, quiet_zone=None, fg=None, bg=None, invert=None, dpi=None, xdim=None)
--

The symbol as an Encapsulated PostScript document (str), its bounding box
the symbol and its quiet zone at the X-dimension (0.5 mm when not given).)";

inline constexpr const char kText[] = R"(text($self, /, invert=False, *, quiet_zone=None)
--

The symbol drawn with Unicode block characters, two module rows a line, for
a terminal: light modules lit, as on a dark terminal. invert=True for a
light terminal. As dexmora-cli --format txt.)";

inline constexpr const char kSave[] = R"(save($self, /, target, format=None, **render)
--

Write the symbol to `target`: a path (str, bytes or os.PathLike) or a
binary file object.

A path is written the careful way: a regular file is replaced atomically
by a complete temporary, never truncated; what the shell's '>' would
refuse is refused with the same reason. WriteError (a dexmora.Error and an
OSError, with errno, and filename the target as given) when it cannot be
written; nothing is left behind. A NUL in the path is a ValueError, as for
open(). A file object gets the bytes through its write(), called until it
has taken them all; a write() that takes nothing (None or 0, a
non-blocking file that is full) raises BlockingIOError, whose
characters_written counts the bytes it did take.

format
    'png', 'svg', 'pdf', 'eps' or 'txt'. None: the path's extension (or a
    file object's name) decides, in any case; any other name is PNG. An
    extension that contradicts `format`, or a format this library does not
    write ('.jpg', ...), is an OptionError.
**render
    The rendering keywords of png() (see help(dexmora.Symbol)).)";

inline constexpr const char kSvgDataUri[] = R"(svg_data_uri($self, /, module=None, *, quiet_zone=None, fg=None, bg=None, invert=None, dpi=None, xdim=None)
--

svg() as a 'data:image/svg+xml;base64,...' URI, for an <img src> or CSS.)";

inline constexpr const char kPngDataUri[] = R"(png_data_uri($self, /, module=None, *, quiet_zone=None, fg=None, bg=None, invert=None, dpi=None, xdim=None)
--

png() as a 'data:image/png;base64,...' URI, for an <img src> or CSS.)";

inline constexpr const char kReprSvg[] = "_repr_svg_($self, /)\n--\n\nThe default svg(), for Jupyter's rich display.";
inline constexpr const char kReprPng[] = "_repr_png_($self, /)\n--\n\nThe default png(), for Jupyter's rich display.";

inline constexpr const char kToPil[] = R"(to_pil($self, /, module=None, *, quiet_zone=None, fg=None, bg=None, invert=None, dpi=None, xdim=None)
--

png() with the same keywords, opened as a PIL.Image.Image. Needs Pillow
(Debian's python3-pil); ImportError saying so when it is not installed.)";

}  // namespace dexmora_python::doc
