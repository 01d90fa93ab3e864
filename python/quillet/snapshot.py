"""quillet.Snapshot: a ZVK snapshot read, built and written as the
`quillet` program does it."""
from __future__ import annotations

import ctypes
from typing import Iterator, MutableMapping, Optional, Union

from ._handle import Owned, PathLike, PathOrBytes, is_data
from ._library import encode_path, library, text
from .errors import error_for, library_error

REGISTER_PAIRS = ("AF", "BC", "DE", "HL", "PC", "SP")
PAGE_SIZE = 16384
MODEL_COUNT = 8


def model_number(model: Union[str, int]) -> int:
    """The library's number of `model`, a name ("V2A", any case) or a number."""
    if isinstance(model, int):
        if library().quillet_model_name(model) is None:
            raise library_error(-19, str(model))
        return model
    number = library().quillet_model_number(model.encode())
    if number < 0:
        raise library_error(number, model)
    return int(number)


def model_name(number: int) -> str:
    """The name of model `number` as the command line spells it."""
    return text(library().quillet_model_name(number))


class Snapshot(Owned):
    """A PMD 85 snapshot: model, registers, interrupt flag, memory pages
    and ROM module image. A new one holds the defaults of `quillet`
    without a template (model V2A, PC and SP 0x8000, no pages).

    Build one as `quillet` does, in the same order of operations::

        snap = Snapshot(model="V2A")
        snap.load(0x0000, "game.bin")        # -mem 0 game.bin
        snap.store_hex(0x8000, "C30000")     # -hex 8000 C30000
        snap.registers["PC"] = 0x0000        # -reg PC 0
        snap.write("game.zvk")               # -o game.zvk -pack

    Failures raise quillet.Error (FileError, FormatError, ArgumentError)
    with the library's message, which names the file.
    """

    def __init__(self, source: Optional[PathOrBytes] = None, *, model: Union[str, int, None] = None,
                 name: Optional[str] = None) -> None:
        """A new snapshot, or the one read from `source` (a file name, or
        the bytes of a file, reported as `name`); `model` then replaces
        the model."""
        lib = library()
        super().__init__(lib.quillet_snapshot_new(), lib.quillet_snapshot_free)
        if source is not None:
            if is_data(source):
                data = bytes(source)  # type: ignore[arg-type]
                self._check(lib.quillet_read_bytes(self._live, data, len(data), name.encode() if name else None))
            else:
                self._check(lib.quillet_read_file(self._live, encode_path(source)))  # type: ignore[arg-type]
        if model is not None:
            self.model = model  # type: ignore[assignment]

    @classmethod
    def read(cls, source: PathOrBytes, name: Optional[str] = None) -> "Snapshot":
        """The snapshot of the file `source` (a name, or its bytes)."""
        return cls(source, name=name)

    def _check(self, result: int) -> int:
        if result < 0:
            lib = library()
            raise error_for(result, text(lib.quillet_last_message(self._live)),
                            text(lib.quillet_last_detail(self._live)))
        return result

    # Settings -----------------------------------------------------------
    @property
    def model(self) -> str:
        """The computer model's name ("V1" .. "C2717"); set by name or number."""
        return model_name(library().quillet_get_model(self._live))

    @model.setter
    def model(self, model: Union[str, int]) -> None:
        self._check(library().quillet_set_model(self._live, model_number(model)))

    @property
    def registers(self) -> "SnapshotRegisters":
        """The register pairs AF, BC, DE, HL, PC, SP as a mapping of ints."""
        return SnapshotRegisters(self)

    @property
    def interrupts(self) -> bool:
        """The processor's interrupt flag."""
        return bool(library().quillet_get_interrupts(self._live))

    @interrupts.setter
    def interrupts(self, enabled: bool) -> None:
        self._check(library().quillet_set_interrupts(self._live, int(bool(enabled))))

    @property
    def allram(self) -> bool:
        """Whether the whole 64 KB is RAM (the system 8255's 0x82 word)."""
        return bool(library().quillet_get_allram(self._live))

    @allram.setter
    def allram(self, on: bool) -> None:
        self._check(library().quillet_set_allram(self._live, int(bool(on))))

    # Memory ---------------------------------------------------------------
    def load(self, address: int, source: PathOrBytes) -> None:
        """Stores a file (or bytes) at `address` of the 64 KB, as -mem does."""
        lib = library()
        if is_data(source):
            data = bytes(source)  # type: ignore[arg-type]
            self._check(lib.quillet_load_bytes(self._live, address, data, len(data)))
        else:
            self._check(lib.quillet_load_file(self._live, address, encode_path(source)))  # type: ignore[arg-type]

    def load_page(self, page: int, source: PathOrBytes) -> None:
        """Stores a file (or bytes, at most 16 KB) at the start of page
        `page` (0..15), as -pg does."""
        lib = library()
        if is_data(source):
            data = bytes(source)  # type: ignore[arg-type]
            self._check(lib.quillet_load_page_bytes(self._live, page, data, len(data)))
        else:
            self._check(lib.quillet_load_page_file(self._live, page, encode_path(source)))  # type: ignore[arg-type]

    def store_hex(self, address: int, hex_bytes: str) -> None:
        """Stores the bytes of a hexadecimal string at `address`, as -hex does."""
        self._check(library().quillet_store_hex(self._live, address, hex_bytes.encode()))

    def read_memory(self, address: int = 0, length: Optional[int] = None) -> bytes:
        """`length` bytes (all up to the end: None) of the 64 KB from
        `address`; absent pages read as zero bytes."""
        if length is None:
            length = max(65536 - address, 0)
        out = ctypes.create_string_buffer(max(length, 1))
        self._check(library().quillet_read_memory(self._live, address, out, length))
        return out.raw[:length]

    def has_page(self, page: int) -> bool:
        """Whether page `page` (0..15) holds data."""
        return bool(self._check(library().quillet_has_page(self._live, page)))

    def read_page(self, page: int) -> bytes:
        """The 16 KB of page `page` (an absent page reads as zero bytes)."""
        out = ctypes.create_string_buffer(PAGE_SIZE)
        self._check(library().quillet_read_page(self._live, page, 0, out, PAGE_SIZE))
        return out.raw

    @property
    def rom(self) -> bytes:
        """The ROM module image (b"" when none); set with bytes, b"" removes it."""
        lib = library()
        length = lib.quillet_rom_length(self._live)
        out = ctypes.create_string_buffer(max(length, 1))
        self._check(lib.quillet_read_rom(self._live, out, length))
        return out.raw[:length]

    @rom.setter
    def rom(self, image: bytes) -> None:
        data = bytes(image)
        self._check(library().quillet_set_rom(self._live, data, len(data)))

    def load_rom(self, source: PathOrBytes) -> None:
        """The ROM module image from a file (or bytes), as -rom does."""
        if is_data(source):
            self.rom = bytes(source)  # type: ignore[arg-type]
        else:
            self._check(library().quillet_load_rom_file(self._live, encode_path(source)))  # type: ignore[arg-type]

    # Writing --------------------------------------------------------------
    def to_bytes(self, pack: bool = True) -> bytes:
        """The bytes of the snapshot file, blocks packed unless `pack` is false."""
        lib = library()
        size = ctypes.c_size_t(0)
        lib.quillet_write_bytes(self._live, int(pack), None, 0, ctypes.byref(size))
        out = ctypes.create_string_buffer(size.value)
        self._check(lib.quillet_write_bytes(self._live, int(pack), out, size.value, ctypes.byref(size)))
        return out.raw[: size.value]

    def write(self, path: PathLike, pack: bool = True) -> None:
        """Writes the snapshot file `path`, whole or not at all."""
        self._check(library().quillet_write_file(self._live, encode_path(path), int(pack)))

    def __repr__(self) -> str:
        if self.closed:
            return "<quillet.Snapshot closed>"
        return "<quillet.Snapshot %s PC=0x%04X>" % (self.model, self.registers["PC"])


class SnapshotRegisters(MutableMapping[str, int]):
    """A snapshot's register pairs by name (any letter case)."""

    def __init__(self, snapshot: Snapshot) -> None:
        self._snapshot = snapshot

    def _number(self, name: str) -> int:
        number = library().quillet_register_number(name.encode()) if isinstance(name, str) else -1
        if number < 0:
            raise KeyError(name)
        return int(number)

    def __getitem__(self, name: str) -> int:
        return int(library().quillet_get_register(self._snapshot._live, self._number(name)))

    def __setitem__(self, name: str, value: int) -> None:
        self._snapshot._check(library().quillet_set_register(self._snapshot._live, self._number(name), value))

    def __delitem__(self, name: str) -> None:
        raise TypeError("a snapshot always has every register pair")

    def __iter__(self) -> Iterator[str]:
        return iter(REGISTER_PAIRS)

    def __len__(self) -> int:
        return len(REGISTER_PAIRS)

    def __repr__(self) -> str:
        return repr(dict(self))
