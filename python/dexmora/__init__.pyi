# Type stubs for the compiled module; the docstrings are in the module itself.
import os
from typing import IO, Any, Dict, Iterable, List, Literal, Optional, Tuple, Union

__version__: str

_Data = Union[str, bytes, bytearray, memoryview]
_Size = Union[None, int, str]
_Length = Union[None, int, float, str]
_Format = Literal["png", "svg", "pdf", "eps", "txt"]
_Path = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]

class Error(ValueError):
    code: str
    index: int

class TooLongError(Error): ...
class NotEncodableError(Error): ...
class GS1Error(Error): ...
class OptionError(Error): ...
class PictureTooLargeError(Error): ...

class WriteError(Error, OSError):
    errno: Optional[int]  # type: ignore[assignment]
    strerror: Optional[str]  # type: ignore[assignment]
    filename: Optional[_Path]

class DexmoraWarning(UserWarning):
    name: str
    figures: Dict[str, str]

class SizeWarning(DexmoraWarning): ...

class Symbol:
    @property
    def rows(self) -> int: ...
    @property
    def cols(self) -> int: ...
    @property
    def size(self) -> str: ...
    @property
    def codewords(self) -> bytes: ...
    @property
    def data_length(self) -> int: ...
    @property
    def capacity(self) -> int: ...
    @property
    def notices(self) -> List[Dict[str, str]]: ...
    def is_dark(self, x: int, y: int) -> bool: ...
    def __buffer__(self, flags: int) -> memoryview: ...
    def png(
        self,
        module: Optional[int] = None,
        *,
        quiet_zone: Optional[int] = None,
        fg: Optional[str] = None,
        bg: Optional[str] = None,
        invert: Optional[bool] = None,
        dpi: Optional[int] = None,
        xdim: _Length = None,
    ) -> bytes: ...
    def svg(
        self,
        module: Optional[int] = None,
        *,
        quiet_zone: Optional[int] = None,
        fg: Optional[str] = None,
        bg: Optional[str] = None,
        invert: Optional[bool] = None,
        dpi: Optional[int] = None,
        xdim: _Length = None,
    ) -> str: ...
    def pdf(
        self,
        module: Optional[int] = None,
        *,
        quiet_zone: Optional[int] = None,
        fg: Optional[str] = None,
        bg: Optional[str] = None,
        invert: Optional[bool] = None,
        dpi: Optional[int] = None,
        xdim: _Length = None,
    ) -> bytes: ...
    def eps(
        self,
        module: Optional[int] = None,
        *,
        quiet_zone: Optional[int] = None,
        fg: Optional[str] = None,
        bg: Optional[str] = None,
        invert: Optional[bool] = None,
        dpi: Optional[int] = None,
        xdim: _Length = None,
    ) -> str: ...
    def text(self, invert: bool = False, *, quiet_zone: Optional[int] = None) -> str: ...
    def save(
        self,
        target: Union[_Path, IO[bytes]],
        format: Optional[_Format] = None,
        *,
        module: Optional[int] = None,
        quiet_zone: Optional[int] = None,
        fg: Optional[str] = None,
        bg: Optional[str] = None,
        invert: Optional[bool] = None,
        dpi: Optional[int] = None,
        xdim: _Length = None,
    ) -> None: ...
    def svg_data_uri(
        self,
        module: Optional[int] = None,
        *,
        quiet_zone: Optional[int] = None,
        fg: Optional[str] = None,
        bg: Optional[str] = None,
        invert: Optional[bool] = None,
        dpi: Optional[int] = None,
        xdim: _Length = None,
    ) -> str: ...
    def png_data_uri(
        self,
        module: Optional[int] = None,
        *,
        quiet_zone: Optional[int] = None,
        fg: Optional[str] = None,
        bg: Optional[str] = None,
        invert: Optional[bool] = None,
        dpi: Optional[int] = None,
        xdim: _Length = None,
    ) -> str: ...
    def _repr_svg_(self) -> str: ...
    def _repr_png_(self) -> bytes: ...
    def to_pil(
        self,
        module: Optional[int] = None,
        *,
        quiet_zone: Optional[int] = None,
        fg: Optional[str] = None,
        bg: Optional[str] = None,
        invert: Optional[bool] = None,
        dpi: Optional[int] = None,
        xdim: _Length = None,
    ) -> Any: ...  # a PIL.Image.Image

def encode(
    data: _Data,
    /,
    *,
    encodation: Literal["basic", "minimal", "ascii", "c40", "text", "x12", "edifact", "base256"] = "basic",
    size: _Size = None,
    exact_size: bool = False,
    shape: Literal["square", "rectangle", "any"] = "square",
    dmre: bool = False,
    dm144: Literal["iso", "defacto"] = "iso",
    gs1: bool = False,
    gs1_gs: bool = False,
    gs1_parens: bool = False,
    gs1_nocheck: bool = False,
    eci: Union[None, int, str] = None,
    utf8: Optional[bool] = None,
    reader_init: bool = False,
    macro: Union[None, Literal[5, 6], str] = None,
    structured_append: Union[None, Tuple[int, int], Tuple[int, int, int], str] = None,
) -> Symbol: ...
def encode_many(
    items: Iterable[_Data],
    /,
    *,
    threads: Optional[int] = None,
    encodation: Literal["basic", "minimal", "ascii", "c40", "text", "x12", "edifact", "base256"] = "basic",
    size: _Size = None,
    exact_size: bool = False,
    shape: Literal["square", "rectangle", "any"] = "square",
    dmre: bool = False,
    dm144: Literal["iso", "defacto"] = "iso",
    gs1: bool = False,
    gs1_gs: bool = False,
    gs1_parens: bool = False,
    gs1_nocheck: bool = False,
    eci: Union[None, int, str] = None,
    utf8: Optional[bool] = None,
    reader_init: bool = False,
    macro: Union[None, Literal[5, 6], str] = None,
    structured_append: Union[None, Tuple[int, int], Tuple[int, int, int], str] = None,
) -> list[Symbol]: ...

_Pair = Union[None, str, Tuple[float, float]]

class Sheet(bytes):
    refused: list[Tuple[int, str]]
    def __new__(cls, pdf: bytes, refused: Iterable[Tuple[int, str]] = ...) -> "Sheet": ...
    def save(self, path: _Path) -> None: ...

def sheet(
    items: Iterable[Union[None, _Data, Tuple[_Data, _Data]]],
    /,
    *,
    paper: _Pair = None,
    grid: Union[None, str, Tuple[int, int]] = None,
    cell: _Pair = None,
    sheet_margin: _Pair = None,
    pitch: _Pair = None,
    skip: Optional[int] = None,
    caption: Optional[str] = None,
    caption_side: Optional[Literal["below", "right"]] = None,
    caption_size: Union[None, int, float] = None,
    font: Optional[str] = None,
    outline: Optional[bool] = None,
    xdim: Union[_Length, Literal["fit"]] = None,
    **options: Any,
) -> Sheet: ...
