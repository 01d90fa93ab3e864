"""What the package's objects share: a library handle owned by a Python
object (freed once, by close(), the end of a with block or the garbage
collector), and the two ways data comes in (a file name or the bytes)."""
from __future__ import annotations

import os
import weakref
from typing import Any, Callable, Optional, TypeVar, Union

PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]
# A file, or its bytes (bytes, bytearray, memoryview).
PathOrBytes = Union[str, "os.PathLike[str]", bytes, bytearray, memoryview]
Self = TypeVar("Self", bound="Owned")


def is_data(value: object) -> bool:
    """Whether `value` is bytes to use, rather than a file name."""
    return isinstance(value, (bytes, bytearray, memoryview))


def data_of(value: PathOrBytes) -> bytes:
    """The bytes of `value`: a file's content, or the bytes themselves. A
    file that cannot be read raises FileError with the library's message
    that names it."""
    if is_data(value):
        return bytes(value)  # type: ignore[arg-type]
    from .errors import library_error

    name = os.fsdecode(value)  # type: ignore[arg-type]
    try:
        source = open(value, "rb")  # type: ignore[arg-type]
    except OSError:
        raise library_error(-5, name) from None
    with source:
        try:
            return source.read()
        except OSError:
            raise library_error(-9, name) from None


class Owned:
    """A handle of the library that this object frees."""

    def __init__(self, handle: Optional[int], free: Callable[[Any], None]) -> None:
        if not handle:
            from .errors import library_error

            raise library_error(-2)
        self._handle: Optional[int] = handle
        self._finalizer = weakref.finalize(self, free, handle)

    @property
    def _live(self) -> int:
        if self._handle is None:
            raise ValueError("%s is closed" % type(self).__name__)
        return self._handle

    @property
    def closed(self) -> bool:
        """Whether close() has freed the library's object."""
        return self._handle is None

    def close(self) -> None:
        """Frees the library's object now; later calls raise ValueError."""
        self._finalizer()
        self._handle = None

    def __enter__(self: Self) -> Self:
        return self

    def __exit__(self, *_: object) -> None:
        self.close()
