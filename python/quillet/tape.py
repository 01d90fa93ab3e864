"""quillet.Tape: PMD 85 tapes (PTP, PMD and WAV images) read, listed,
made and written."""
from __future__ import annotations

import ctypes
import os
from dataclasses import dataclass
from typing import List, Optional

from ._handle import Owned, PathLike, PathOrBytes, is_data
from ._library import TapeEntry, encode_path, library, text
from .errors import ArgumentError, error_for, library_error

KINDS = ("PTP", "PMD", "WAV")
DATA_MAX = 65534


def kind_number(kind: str) -> int:
    """The library's number of a tape form: "PTP", "PMD" or "WAV" (any case)."""
    try:
        return KINDS.index(kind.upper())
    except ValueError:
        raise ArgumentError(-13, "Unknown tape form '%s': PTP, PMD or WAV" % kind) from None


@dataclass(frozen=True)
class Block:
    """One entry of a tape: a file (a header block and its data block) or
    a block that belongs to no file (`is_file` false: then only `data`,
    `length` and `index` mean something)."""

    is_file: bool
    number: int          # the file's number as stored (0..255)
    name: str            # trailing spaces removed
    type: str            # the type character: "?" machine code, ">" BASIC
    start: int           # the load address
    length: int          # the data length its header gives (a block of no file: its own)
    data: bytes          # the data bytes held (a file's without its checksum)
    header_checksum_holds: bool
    data_checksum_holds: bool   # whole, and sums to its checksum
    index: int           # the number (from 0) of the entry's first block on the tape

    @property
    def intact(self) -> bool:
        """Whether the monitor would load it: whole and both checksums hold."""
        return not self.is_file or (self.header_checksum_holds and self.data_checksum_holds)


class Tape(Owned):
    """A tape: its files and blocks in the order they were recorded.

    ``Tape("game.ptp")`` reads one (a WAV recording is decoded);
    ``Tape()`` is empty, and add_file() and add_block() record onto it;
    write() saves it in any of the three forms."""

    def __init__(self, source: Optional[PathOrBytes] = None, name: Optional[str] = None) -> None:
        """An empty tape, or the one of `source` (a file name, or a file's
        bytes, reported as `name`)."""
        lib = library()
        super().__init__(lib.quillet_tape_new(), lib.quillet_tape_free)
        if source is None:
            return
        if is_data(source):
            data = bytes(source)  # type: ignore[arg-type]
            self._check(lib.quillet_tape_read_bytes(self._live, data, len(data), name.encode() if name else None))
        else:
            self._check(lib.quillet_tape_read_file(self._live, encode_path(source)))  # type: ignore[arg-type]

    @classmethod
    def read(cls, source: PathOrBytes, name: Optional[str] = None) -> "Tape":
        """The tape of the file `source` (a name, or its bytes)."""
        return cls(source, name)

    def _check(self, result: int) -> int:
        if result < 0:
            raise error_for(result, text(library().quillet_tape_last_message(self._live)))
        return result

    @property
    def kind(self) -> str:
        """The form it was read from: "PTP", "PMD" or "WAV" ("PTP" when made here)."""
        return KINDS[library().quillet_tape_kind(self._live)]

    def __len__(self) -> int:
        return int(library().quillet_tape_entry_count(self._live))

    @property
    def blocks(self) -> List[Block]:
        """The files and the blocks of no file, in order."""
        lib = library()
        blocks = []
        for index in range(len(self)):
            entry = TapeEntry()
            self._check(lib.quillet_tape_entry_info(self._live, index, ctypes.byref(entry)))
            out = ctypes.create_string_buffer(max(entry.data_length, 1))
            held = self._check(lib.quillet_tape_entry_data(self._live, index, out, entry.data_length))
            blocks.append(Block(
                is_file=bool(entry.is_file), number=entry.number,
                name=entry.name.decode("latin-1"), type=chr(entry.type) if entry.is_file else "",
                start=entry.start, length=entry.length if entry.is_file else held, data=out.raw[:held],
                header_checksum_holds=bool(entry.header_checksum_holds),
                data_checksum_holds=bool(entry.data_checksum_holds), index=entry.block))
        return blocks

    def check(self, name: Optional[str] = None) -> None:
        """Raises TapeError for the first thing that keeps the tape from
        loading (no blocks, a checksum that fails, a file cut short),
        naming `name`."""
        self._check(library().quillet_tape_check(self._live, name.encode() if name else None))

    def add_file(self, name: str, data: bytes, start: int, number: int = 0, type: str = "?") -> None:
        """Records a file: its header block and its data block (1 to 65534
        bytes loaded at `start`)."""
        payload = bytes(data)
        if len(type) != 1:
            raise library_error(-43, "type", type)
        self._check(library().quillet_tape_add_file(self._live, number, ord(type), start, name.encode("latin-1"),
                                                    payload, len(payload)))

    def add_block(self, data: bytes) -> None:
        """Records a block of no file (1 to 65535 bytes)."""
        payload = bytes(data)
        self._check(library().quillet_tape_add_block(self._live, payload, len(payload)))

    def to_bytes(self, kind: str = "PTP") -> bytes:
        """The image of the tape in form `kind` ("PTP", "PMD" or "WAV")."""
        lib = library()
        number = kind_number(kind)
        size = ctypes.c_size_t(0)
        lib.quillet_tape_write_bytes(self._live, number, None, 0, ctypes.byref(size))
        out = ctypes.create_string_buffer(max(size.value, 1))
        self._check(lib.quillet_tape_write_bytes(self._live, number, out, size.value, ctypes.byref(size)))
        return out.raw[: size.value]

    def write(self, path: PathLike, kind: Optional[str] = None) -> None:
        """Writes the tape to `path`, whole or not at all, in form `kind`
        (None: from the name's extension, .pmd, .wav, else PTP)."""
        if kind is None:
            extension = os.path.splitext(os.fsdecode(path))[1].upper().lstrip(".")
            kind = extension if extension in KINDS else "PTP"
        self._check(library().quillet_tape_write_file(self._live, kind_number(kind), encode_path(path)))

    def __repr__(self) -> str:
        if self.closed:
            return "<quillet.Tape closed>"
        return "<quillet.Tape %s, %d entries>" % (self.kind, len(self))
