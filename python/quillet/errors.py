"""The exceptions of the package: one base, quillet.Error, and a subclass
per kind of failure that a caller may want to tell apart.

Each carries the library's failure code and its message, the text the
command-line programs print (naming the file or the parameter that
failed), and for a snapshot read, what the library adds in words about
where the file is wrong.
"""
from __future__ import annotations

from typing import Dict, Type


class Error(Exception):
    """A failure reported by libquillet: `code` is its negative result,
    `message` the library's text, `detail` what it adds ("" when nothing)."""

    def __init__(self, code: int, message: str, detail: str = "") -> None:
        super().__init__(message + ("\n" + detail if detail else ""))
        self.code = code
        self.message = message
        self.detail = detail


class LibraryNotFoundError(Error, OSError):
    """libquillet could not be loaded (see QUILLET_LIBRARY)."""

    def __init__(self, message: str) -> None:
        Error.__init__(self, 0, message)


class OutOfMemoryError(Error, MemoryError):
    """The library ran out of memory."""


class ArgumentError(Error, ValueError):
    """A value outside what the call takes: a range, a model, a register,
    a page, a hex string, a null where data is needed."""


class KeyNameError(ArgumentError):
    """A key or character the model's keyboard does not have."""


class FileError(Error):
    """A file that cannot be opened, examined, read or written."""


class FormatError(Error):
    """Data that is no snapshot of a readable form, or damaged."""


class TapeError(Error):
    """A tape that holds no blocks, is cut short, fails a checksum or is
    no recording."""


class StateError(Error):
    """A call that the object's state does not allow (a machine without a
    monitor image, a saved state of another model)."""


# The library's codes (quillet.h) by kind; a code not listed raises Error.
_KINDS: Dict[int, Type[Error]] = {
    -2: OutOfMemoryError,
    -4: ArgumentError,
    -5: FileError, -6: FileError, -7: FileError, -8: FileError, -9: FileError,
    -10: FileError, -12: FileError,
    -13: ArgumentError, -19: ArgumentError, -20: ArgumentError, -21: ArgumentError,
    -22: ArgumentError, -28: ArgumentError, -29: ArgumentError,
    -23: StateError,
    -24: FormatError, -25: FormatError, -26: FormatError, -27: FormatError,
    -40: TapeError, -41: TapeError, -42: TapeError, -44: TapeError,
    -43: ArgumentError,  # a name or type a tape header cannot hold
    -50: KeyNameError,
}


def error_for(code: int, message: str, detail: str = "") -> Error:
    """The exception of the library's failure `code` with its `message`."""
    return _KINDS.get(code, Error)(code, message, detail)


def library_error(code: int, *values: object) -> Error:
    """The exception of failure `code` for a check made before the library
    is called, with the library's own message filled with `values`."""
    from ._library import library, text

    return error_for(code, text(library().quillet_message(code)) % values)
