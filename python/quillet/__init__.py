"""quillet: the PMD 85 from Python, over libquillet.

Snapshots (quillet.Snapshot), tapes (quillet.Tape) and the whole machine
(quillet.Machine): boot a monitor, type, read the screen, load tapes,
save snapshots. Failures raise quillet.Error or one of its subclasses,
carrying the library's message. The library is found next to this
package (a wheel bundles it), at QUILLET_LIBRARY, or by the system's
loader.
"""
from .errors import (ArgumentError, Error, FileError, FormatError, KeyNameError, LibraryNotFoundError,
                     OutOfMemoryError, StateError, TapeError)
from .machine import FRAME_STATES, SECOND_STATES, Machine, Memory, Registers, Stop
from .snapshot import Snapshot
from .tape import Block, Tape
from . import _library


def library_version() -> str:
    """The version of the libquillet in use, "MAJOR.MINOR"."""
    return _library.text(_library.library().quillet_version())


__all__ = [
    "ArgumentError", "Block", "Error", "FileError", "FormatError", "FRAME_STATES", "KeyNameError",
    "LibraryNotFoundError", "Machine", "Memory", "OutOfMemoryError", "Registers", "SECOND_STATES", "Snapshot",
    "StateError", "Stop", "Tape", "TapeError", "library_version",
]
