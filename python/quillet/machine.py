"""quillet.Machine: a whole PMD 85 (processor, memory map, keyboard,
screen, speaker, tape recorder) driven from Python."""
from __future__ import annotations

import array
import ctypes
import enum
from typing import Iterator, List, MutableMapping, Optional, Tuple, Union, overload

from ._handle import Owned, PathLike, PathOrBytes, data_of
from ._library import REPORT_FN, Handle, library, text
from .errors import error_for
from .png import encode_png
from .snapshot import Snapshot, model_number
from .tape import Tape

FRAME_STATES = 40960      # states in a frame of the video circuit
SECOND_STATES = 2048000   # states in a second of PMD 85 time
ADDRESS_SPACE = 65536
NO_LIMIT = 2**64 - 1

SINGLE_REGISTERS = ("B", "C", "D", "E", "H", "L", "F", "A")  # numbered as the instruction set encodes them
REGISTER_PAIRS = ("AF", "BC", "DE", "HL", "PC", "SP")


class Stop(enum.IntEnum):
    """Why a run ended."""

    ADDRESS = 1            # PC at a stop address
    HALTED = 2             # HLT, and no interrupt to end it
    STATE_LIMIT = 3        # the run took its states
    INSTRUCTION_LIMIT = 4  # the run took its instructions
    REQUESTED = 5          # a request (the screen showed the awaited text)
    RETURNED = 6           # a called routine returned
    NO_MONITOR = 7         # executed where a missing monitor image would be
    FRAME = 8              # run_frame: the frame ended
    WATCH = 9              # a watched address was read or written


WATCH_KINDS = {1: "read", 2: "write"}
SCREEN_HEIGHT = 256
AUDIO_CHUNK = 4096


def key_names(model: Union[str, int] = "V2A") -> List[str]:
    """The names of the keys of `model` that Machine.key() and the braces
    of Machine.type() take, in a stable order: the named keys (EOL, K0 ..
    K11, ...), then each character the keyboard types."""
    lib = library()
    number = model_number(model)
    count = lib.quillet_machine_key_names(number, None, 0)
    names = (ctypes.c_char_p * max(count, 1))()
    count = lib.quillet_machine_key_names(number, names, count)
    return [text(names[index]) for index in range(count)]


class Machine(Owned):
    """A PMD 85 of one model, as the snapshot describes it, with the
    model's monitor image (which boot() starts) and a ROM module image.

    ::

        with quillet.Machine(model="V2A", monitor="monit2A.rom") as m:
            m.boot()
            m.run_until_text("MEM")         # the monitor is ready
            m.type("MEM 8000\\n")
            m.run_frames(50)
            print(m.screen_text())

    `snapshot`: a Snapshot, or a snapshot file (its name or bytes); None
    is a new snapshot's machine (V2A, empty memory). `model` (a name such
    as "V2A", or a number) and `module` (a ROM module image: a file name or
    bytes) change that snapshot. `monitor`: the monitor image, a file name
    or bytes; without it the machine runs a snapshot's program only.
    Failures raise quillet.Error with the library's message.
    """

    def __init__(self, snapshot: Union[Snapshot, PathOrBytes, None] = None, *, model: Union[str, int, None] = None,
                 monitor: Optional[PathOrBytes] = None, module: Optional[PathOrBytes] = None) -> None:
        lib = library()
        if isinstance(snapshot, Snapshot):
            # The caller's snapshot stays as it is: the machine keeps a copy.
            described = Snapshot(snapshot.to_bytes(pack=False))
        else:
            described = Snapshot(snapshot)
        if model is not None:
            described.model = model  # type: ignore[assignment]
        if module is not None:
            described.load_rom(module)
        image = data_of(monitor) if monitor is not None else b""

        # The library reports each failure of this machine's calls here.
        last: List[str] = [""]

        def remember(_user: object, _code: int, message: Optional[bytes]) -> None:
            last[0] = text(message)

        self._messages = last
        self._reporter = REPORT_FN(remember)  # kept alive as long as the machine
        handle = Handle()
        result = lib.quillet_machine_new(described._live, image or None, len(image), self._reporter, None,
                                         ctypes.byref(handle))
        if result < 0:
            raise error_for(result, last[0])
        super().__init__(handle.value, lib.quillet_machine_free)
        self._cpu = lib.quillet_machine_cpu(self._live)
        # What a snapshot of the machine keeps of the one it started from
        # (model, ROM module, add-on hardware).
        self._described = described

    def _check(self, result: int) -> int:
        if result < 0:
            raise error_for(result, text(library().quillet_machine_last_message(self._live)))
        return result

    def close(self) -> None:
        """Frees the machine now; later calls raise ValueError."""
        super().close()
        self._described.close()

    @property
    def _processor(self) -> int:
        self._live  # raises once closed
        return self._cpu  # type: ignore[no-any-return]

    # Running --------------------------------------------------------------
    def boot(self) -> None:
        """Power-on: PC 0, the start-up map, every device reset; RAM as it is."""
        self._check(library().quillet_machine_boot(self._live))

    def run(self, states: Optional[int] = None, instructions: Optional[int] = None) -> Stop:
        """Runs the processor for at most `states` clock states and
        `instructions` instructions (None: no limit), or to an earlier
        stop; returns why it stopped."""
        lib = library()
        result = self._check(lib.quillet_cpu_run(self._processor, NO_LIMIT if states is None else states,
                                                 NO_LIMIT if instructions is None else instructions, 0))
        return Stop(result)

    def run_frame(self) -> Stop:
        """Runs to the end of the current frame (Stop.FRAME), or to an
        earlier stop: a stop address, a watched address (Stop.WATCH), the
        awaited text, a missing monitor. A processor halted with interrupts
        off lets the frame's time pass: screen, sound, typing and tape go on."""
        return Stop(self._check(library().quillet_machine_run_frame(self._live)))

    def run_frames(self, count: int) -> Stop:
        """Runs `count` frames, or to an earlier stop; returns why it
        stopped (Stop.FRAME: the frames ran)."""
        stop = Stop.FRAME
        for _ in range(count):
            stop = self.run_frame()
            if stop != Stop.FRAME:
                break
        return stop

    def run_until_text(self, awaited: str, frames: int = 500) -> bool:
        """Runs frame by frame until the screen shows `awaited` in a row of
        text, at most `frames` frames; whether it did."""
        lib = library()
        self._check(lib.quillet_machine_set_until_text(self._live, awaited.encode("utf-8")))
        try:
            stop = self.run_frames(frames)
        finally:
            lib.quillet_machine_set_until_text(self._live, None)
        return stop == Stop.REQUESTED or self.screen_shows(awaited)

    @property
    def frames(self) -> int:
        """Frames of the video circuit since state 0."""
        return int(library().quillet_machine_frames(self._live))

    @property
    def states(self) -> int:
        """Clock states since state 0."""
        return int(library().quillet_cpu_states(self._processor))

    @property
    def halted(self) -> bool:
        """Whether the processor is halted (HLT, until an interrupt)."""
        return bool(library().quillet_cpu_get_halted(self._processor))

    @property
    def interrupts(self) -> bool:
        """The processor's interrupt flag."""
        return bool(library().quillet_cpu_get_interrupts(self._processor))

    # The keyboard ---------------------------------------------------------
    def type(self, script: str) -> None:
        """Types `script` as a person would, after what is still being
        typed: characters, a line break as EOL, keys by name in braces
        ({EOL}, {K0}, {SHIFT+name}, {WAIT n}, ...)."""
        data = script.encode("utf-8")
        self._check(library().quillet_machine_type(self._live, data, len(data)))

    def key(self, name: str, down: bool = True) -> None:
        """Presses (or releases, with `down` false) the key called `name`
        (as in braces, or a single character)."""
        self._check(library().quillet_machine_key(self._live, name.encode("utf-8"), int(bool(down))))

    @property
    def typing(self) -> bool:
        """Whether keys of the typed scripts remain to be typed."""
        return bool(library().quillet_machine_typing(self._live))

    @property
    def keys_typed(self) -> Tuple[int, int]:
        """(keys of the typed scripts the program has read, keys of all of them)."""
        typed, total = ctypes.c_size_t(0), ctypes.c_size_t(0)
        self._check(library().quillet_machine_keys_typed(self._live, ctypes.byref(typed), ctypes.byref(total)))
        return typed.value, total.value

    # The screen -----------------------------------------------------------
    def screen_text(self) -> str:
        """The text the screen shows, a line per row of text (read with the
        monitor's font; a cell it cannot read as "?")."""
        lib = library()
        length = ctypes.c_size_t(0)
        self._check(lib.quillet_machine_screen_text(self._live, None, 0, ctypes.byref(length)))
        out = ctypes.create_string_buffer(length.value + 1)
        self._check(lib.quillet_machine_screen_text(self._live, out, len(out), None))
        return out.value.decode("latin-1")

    def screen_shows(self, awaited: str) -> bool:
        """Whether a row of the screen's text holds `awaited`."""
        return bool(self._check(library().quillet_machine_screen_shows(self._live, awaited.encode("utf-8"))))

    @property
    def video(self) -> bytes:
        """The 16 KB the video circuit shows (pixel line y at 64 * y)."""
        out = ctypes.create_string_buffer(16384)
        self._check(library().quillet_machine_read_video(self._live, out, 16384))
        return out.raw

    @property
    def screen_width(self) -> int:
        """The picture's width in pixels now: 288, or 384 (a C2717's wide mode)."""
        return int(library().quillet_machine_screen_width(self._live))

    def screen_rgba(self, blink_on: bool = True) -> bytes:
        """The frame as the screen shows it: screen_width by 256 pixels,
        rows from the top, 4 bytes a pixel (red, green, blue, 255); the
        blinking pixels lit when `blink_on`, dark otherwise."""
        size = self.screen_width * SCREEN_HEIGHT * 4
        out = ctypes.create_string_buffer(size)
        self._check(library().quillet_machine_render_rgba(self._live, int(bool(blink_on)), out, size))
        return out.raw

    def _repr_png_(self) -> bytes:
        """The screen as a PNG file, which a notebook shows."""
        return encode_png(self.screen_width, SCREEN_HEIGHT, self.screen_rgba())

    # Sound ------------------------------------------------------------------
    def audio(self, rate: int = 44100) -> "array.array[int]":
        """The sound since the last call (speaker and tones) as signed
        16-bit mono samples at `rate` a second (8000 to 192000); what it
        gives is dropped, so memory stays bounded however long the
        machine runs."""
        lib = library()
        samples: "array.array[int]" = array.array("h")
        chunk = (ctypes.c_int16 * AUDIO_CHUNK)()
        count = ctypes.c_size_t(AUDIO_CHUNK)
        while count.value == AUDIO_CHUNK:
            self._check(lib.quillet_machine_take_audio(self._live, rate, chunk, AUDIO_CHUNK, ctypes.byref(count)))
            samples.extend(chunk[:count.value])
        return samples

    # Watchpoints ------------------------------------------------------------
    def watch(self, first: int, last: Optional[int] = None, *, read: bool = False, write: bool = True) -> None:
        """Watches the addresses `first` to `last` (None: `first` alone) for
        reads and/or writes: a run ends with Stop.WATCH after the
        instruction that touched one (see watch_hit)."""
        kinds = (1 if read else 0) | (2 if write else 0)
        self._check(library().quillet_machine_watch(self._live, first, first if last is None else last, kinds))

    def unwatch(self, first: int, last: Optional[int] = None) -> None:
        """Stops watching the addresses `first` to `last` (None: `first` alone)."""
        self._check(library().quillet_machine_unwatch(self._live, first, first if last is None else last))

    @property
    def watch_hit(self) -> Optional[Tuple[int, str]]:
        """(address, "read" or "write") of the watched access that ended the
        last run; None when it did not end so."""
        address, kind = ctypes.c_uint16(0), ctypes.c_int(0)
        hit = self._check(library().quillet_machine_watch_hit(self._live, ctypes.byref(address), ctypes.byref(kind)))
        return (address.value, WATCH_KINDS[kind.value]) if hit else None

    # Whole state --------------------------------------------------------------
    def save_state(self) -> bytes:
        """Everything of the machine (processor, memory, devices, typing,
        tape position) as a checked blob that load_state() takes back on a
        machine of the same model."""
        lib = library()
        length = ctypes.c_size_t(0)
        self._check(lib.quillet_machine_save_state(self._live, None, 0, ctypes.byref(length)))
        out = ctypes.create_string_buffer(length.value)
        self._check(lib.quillet_machine_save_state(self._live, out, length.value, ctypes.byref(length)))
        return out.raw[: length.value]

    def load_state(self, state: bytes) -> None:
        """Makes the machine what save_state() saved; a damaged, cut or
        other model's state raises Error and leaves the machine as it was."""
        data = bytes(state)
        self._check(library().quillet_machine_load_state(self._live, data, len(data)))

    # The processor's view -------------------------------------------------
    @property
    def registers(self) -> "Registers":
        """The registers by name: pairs AF .. SP and single A .. L, F."""
        return Registers(self)

    @property
    def memory(self) -> "Memory":
        """The 64 KB as the processor sees it: m.memory[0x8000],
        m.memory[0xC000:0xC030], and assignments to either."""
        return Memory(self)

    # Snapshots and tapes --------------------------------------------------
    def snapshot(self) -> Snapshot:
        """The machine's state as a new Snapshot: registers, memory, mapper
        and AllRAM as the run left them, the rest (model, ROM module, add-on
        hardware) as in the snapshot the machine started from."""
        taken = Snapshot(self._described.to_bytes(pack=False))
        self._check(library().quillet_machine_to_snapshot(self._live, taken._live))
        return taken

    def save_snapshot(self, path: PathLike, pack: bool = True) -> None:
        """Writes the machine's state as the snapshot file `path`."""
        with self.snapshot() as taken:
            taken.write(path, pack)

    def insert_tape(self, tape: Union[Tape, PathOrBytes, None]) -> None:
        """Puts a tape (a Tape, or a tape file's name or bytes) into the
        tape recorder in place of any there; None takes it out. It plays
        from the program's first read of the 8251 on (MGLD, for one)."""
        lib = library()
        if tape is None or isinstance(tape, Tape):
            self._check(lib.quillet_machine_insert_tape(self._live, tape._live if tape else None))
            return
        with Tape(tape) as read:
            self._check(lib.quillet_machine_insert_tape(self._live, read._live))

    @property
    def tape_blocks(self) -> Tuple[int, int]:
        """(blocks played to their end, blocks on the tape); (0, 0) without one."""
        played, total = ctypes.c_size_t(0), ctypes.c_size_t(0)
        self._check(library().quillet_machine_tape_blocks(self._live, ctypes.byref(played), ctypes.byref(total)))
        return played.value, total.value

    @property
    def tape_position(self) -> Tuple[int, int]:
        """(the block the tape recorder is at, the blocks on the tape)."""
        block, total = ctypes.c_size_t(0), ctypes.c_size_t(0)
        self._check(library().quillet_machine_tape_position(self._live, ctypes.byref(block), ctypes.byref(total)))
        return block.value, total.value

    def rewind_tape(self, block: int = 0) -> None:
        """Winds the tape to block `block` (0: its start)."""
        self._check(library().quillet_machine_rewind_tape(self._live, block))

    @property
    def tape_playing(self) -> bool:
        """Whether a tape is in and the recorder is not stopped."""
        return self._check(library().quillet_machine_tape_playing(self._live)) == 1

    def play_tape(self, play: bool = True) -> None:
        """Starts the recorder (the tape rolls from the program's next read
        of the 8251), or stops it with `play` false; no tape: an error."""
        self._check(library().quillet_machine_play_tape(self._live, 1 if play else 0))

    def stop_tape(self) -> None:
        """Stops the recorder where the tape is."""
        self.play_tape(False)

    def tape_out(self) -> Tape:
        """What the program saved through the 8251 so far, as a Tape (empty
        when it saved nothing)."""
        out = Tape()
        self._check(library().quillet_machine_tape_out(self._live, out._live, None))
        return out

    @property
    def tape_out_size(self) -> Tuple[int, int]:
        """(blocks, bytes) of what the program saved so far, without
        copying it: a front end's counter."""
        blocks, count = ctypes.c_size_t(0), ctypes.c_size_t(0)
        self._check(library().quillet_machine_tape_out_size(self._live, ctypes.byref(blocks), ctypes.byref(count)))
        return blocks.value, count.value

    def clear_tape_out(self) -> None:
        """Forgets what the program saved."""
        self._check(library().quillet_machine_clear_tape_out(self._live))

    def __repr__(self) -> str:
        if self.closed:
            return "<quillet.Machine closed>"
        return "<quillet.Machine frame %d PC=0x%04X>" % (self.frames, self.registers["PC"])


class Registers(MutableMapping[str, int]):
    """A machine's registers by name (any letter case)."""

    def __init__(self, machine: Machine) -> None:
        self._machine = machine

    @staticmethod
    def _find(name: str) -> Tuple[bool, int]:
        upper = name.upper() if isinstance(name, str) else ""
        if upper in REGISTER_PAIRS:
            return True, REGISTER_PAIRS.index(upper)
        if upper in SINGLE_REGISTERS:
            return False, SINGLE_REGISTERS.index(upper)
        raise KeyError(name)

    def __getitem__(self, name: str) -> int:
        pair, number = self._find(name)
        lib, cpu = library(), self._machine._processor
        return int(lib.quillet_cpu_get_pair(cpu, number) if pair else lib.quillet_cpu_get_register8(cpu, number))

    def __setitem__(self, name: str, value: int) -> None:
        pair, number = self._find(name)
        lib, cpu = library(), self._machine._processor
        self._machine._check(lib.quillet_cpu_set_pair(cpu, number, value) if pair
                             else lib.quillet_cpu_set_register8(cpu, number, value))

    def __delitem__(self, name: str) -> None:
        raise TypeError("the processor always has every register")

    def __iter__(self) -> Iterator[str]:
        return iter(REGISTER_PAIRS + ("A", "B", "C", "D", "E", "H", "L", "F"))

    def __len__(self) -> int:
        return len(REGISTER_PAIRS) + len(SINGLE_REGISTERS)

    def __repr__(self) -> str:
        return repr(dict(self))


class Memory:
    """The 64 KB address space as the processor sees it: reads give the
    ROM where the map shows it, writes go where the processor's writes go.
    Indexes and slices as a bytearray's (slices with a step of 1)."""

    def __init__(self, machine: Machine) -> None:
        self._machine = machine

    def __len__(self) -> int:
        return ADDRESS_SPACE

    @staticmethod
    def _range(index: Union[int, slice]) -> Tuple[int, int]:
        if isinstance(index, slice):
            start, stop, step = index.indices(ADDRESS_SPACE)
            if step != 1:
                raise ValueError("memory slices take a step of 1")
            return start, max(stop - start, 0)
        address = index + ADDRESS_SPACE if index < 0 else index
        if not 0 <= address < ADDRESS_SPACE:
            raise IndexError("address %d is outside the 64 KB" % index)
        return address, 1

    @overload
    def __getitem__(self, index: int) -> int: ...

    @overload
    def __getitem__(self, index: slice) -> bytes: ...

    def __getitem__(self, index: Union[int, slice]) -> Union[int, bytes]:
        address, length = self._range(index)
        out = ctypes.create_string_buffer(max(length, 1))
        self._machine._check(library().quillet_cpu_read_view(self._machine._processor, address, out, length))
        return out.raw[0] if isinstance(index, int) else out.raw[:length]

    def __setitem__(self, index: Union[int, slice], value: Union[int, bytes, bytearray, memoryview]) -> None:
        address, length = self._range(index)
        data = bytes([value]) if isinstance(index, int) else bytes(value)  # type: ignore[arg-type]
        if len(data) != length:
            raise ValueError("%d bytes given for %d addresses: the memory cannot grow or shrink" % (len(data), length))
        self._machine._check(library().quillet_cpu_write_memory(self._machine._processor, address, data, length))
