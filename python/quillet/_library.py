"""Finding libquillet and declaring its functions to ctypes.

The library is looked for, in order: at the path in the environment
variable QUILLET_LIBRARY (and only there when it is set), next to this
package (where a wheel puts it), then wherever the system's loader finds
it. Every function gets its argument and result types here, before any
call: ctypes otherwise passes and returns C ints, which cuts pointers and
64-bit counts.
"""
from __future__ import annotations

import ctypes
import ctypes.util
import functools
import os
import sys
from pathlib import Path
from typing import Dict, List, Optional, Sequence, Tuple

from .errors import LibraryNotFoundError

LIBRARY_VARIABLE = "QUILLET_LIBRARY"

# Opaque handles.
Handle = ctypes.c_void_p

# The reporter the library calls with each failure: (user, code, text).
REPORT_FN = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_int, ctypes.c_char_p)

_int, _long, _size, _u64 = ctypes.c_int, ctypes.c_long, ctypes.c_size_t, ctypes.c_uint64
_ptr, _text = ctypes.c_void_p, ctypes.c_char_p
_size_p = ctypes.POINTER(ctypes.c_size_t)


class TapeEntry(ctypes.Structure):
    """quillet_tape_entry, field for field."""

    _fields_ = [
        ("is_file", ctypes.c_int),
        ("number", ctypes.c_int),
        ("type", ctypes.c_int),
        ("start", ctypes.c_uint),
        ("length", ctypes.c_size_t),
        ("name", ctypes.c_char * 9),
        ("header_checksum", ctypes.c_int),
        ("header_checksum_holds", ctypes.c_int),
        ("data_checksum", ctypes.c_int),
        ("data_checksum_holds", ctypes.c_int),
        ("data_complete", ctypes.c_int),
        ("data_length", ctypes.c_size_t),
        ("block", ctypes.c_size_t),
        ("position", ctypes.c_size_t),
    ]


# name: (result type, argument types)
_DECLARATIONS: Dict[str, Tuple[object, List[object]]] = {
    "quillet_version": (_text, []),
    "quillet_message": (_text, [_int]),
    "quillet_model_name": (_text, [_int]),
    "quillet_model_number": (_int, [_text]),
    "quillet_register_name": (_text, [_int]),
    "quillet_register_number": (_int, [_text]),
    "quillet_stop_name": (_text, [_int]),
    # The snapshot.
    "quillet_snapshot_new": (Handle, []),
    "quillet_snapshot_free": (None, [Handle]),
    "quillet_last_failure": (_int, [Handle]),
    "quillet_last_message": (_text, [Handle]),
    "quillet_last_detail": (_text, [Handle]),
    "quillet_read_file": (_int, [Handle, _text]),
    "quillet_read_bytes": (_int, [Handle, _ptr, _size, _text]),
    "quillet_set_model": (_int, [Handle, _int]),
    "quillet_get_model": (_int, [Handle]),
    "quillet_set_register": (_int, [Handle, _int, _long]),
    "quillet_get_register": (_long, [Handle, _int]),
    "quillet_set_interrupts": (_int, [Handle, _int]),
    "quillet_get_interrupts": (_int, [Handle]),
    "quillet_set_allram": (_int, [Handle, _int]),
    "quillet_get_allram": (_int, [Handle]),
    "quillet_load_bytes": (_int, [Handle, _long, _ptr, _size]),
    "quillet_load_file": (_int, [Handle, _long, _text]),
    "quillet_load_page_bytes": (_int, [Handle, _int, _ptr, _size]),
    "quillet_load_page_file": (_int, [Handle, _int, _text]),
    "quillet_store_hex": (_int, [Handle, _long, _text]),
    "quillet_set_rom": (_int, [Handle, _ptr, _size]),
    "quillet_load_rom_file": (_int, [Handle, _text]),
    "quillet_rom_length": (_size, [Handle]),
    "quillet_read_rom": (_long, [Handle, _ptr, _size]),
    "quillet_has_page": (_int, [Handle, _int]),
    "quillet_read_page": (_int, [Handle, _int, _size, _ptr, _size]),
    "quillet_read_memory": (_int, [Handle, _long, _ptr, _size]),
    "quillet_write_file": (_int, [Handle, _text, _int]),
    "quillet_write_bytes": (_int, [Handle, _int, _ptr, _size, _size_p]),
    # The processor of a machine.
    "quillet_cpu_set_reporter": (None, [Handle, REPORT_FN, _ptr]),
    "quillet_cpu_get_register8": (_int, [Handle, _int]),
    "quillet_cpu_set_register8": (_int, [Handle, _int, _int]),
    "quillet_cpu_get_pair": (_long, [Handle, _int]),
    "quillet_cpu_set_pair": (_int, [Handle, _int, _long]),
    "quillet_cpu_get_interrupts": (_int, [Handle]),
    "quillet_cpu_get_halted": (_int, [Handle]),
    "quillet_cpu_states": (_u64, [Handle]),
    "quillet_cpu_instructions": (_u64, [Handle]),
    "quillet_cpu_write_memory": (_int, [Handle, _long, _ptr, _size]),
    "quillet_cpu_read_view": (_int, [Handle, _long, _ptr, _size]),
    "quillet_cpu_run": (_int, [Handle, _u64, _u64, _int]),
    # The machine.
    "quillet_machine_new": (_int, [Handle, _ptr, _size, REPORT_FN, _ptr, ctypes.POINTER(Handle)]),
    "quillet_machine_free": (None, [Handle]),
    "quillet_machine_cpu": (Handle, [Handle]),
    "quillet_machine_boot": (_int, [Handle]),
    "quillet_machine_frames": (_u64, [Handle]),
    "quillet_machine_read_video": (_int, [Handle, _ptr, _size]),
    "quillet_machine_screen_width": (_int, [Handle]),
    "quillet_machine_to_snapshot": (_int, [Handle, Handle]),
    "quillet_machine_type": (_int, [Handle, _text, _size]),
    "quillet_machine_key": (_int, [Handle, _text, _int]),
    "quillet_machine_typing": (_int, [Handle]),
    "quillet_machine_keys_typed": (_int, [Handle, _size_p, _size_p]),
    "quillet_machine_screen_text": (_int, [Handle, _ptr, _size, _size_p]),
    "quillet_machine_screen_shows": (_int, [Handle, _text]),
    "quillet_machine_set_until_text": (_int, [Handle, _text]),
    "quillet_machine_insert_tape": (_int, [Handle, Handle]),
    "quillet_machine_tape_blocks": (_int, [Handle, _size_p, _size_p]),
    # The machine frame by frame: the frame, its picture and sound, keys,
    # watchpoints, the whole state, the tape recorder.
    "quillet_machine_run_frame": (_int, [Handle]),
    "quillet_machine_render_rgba": (_int, [Handle, _int, _ptr, _size]),
    "quillet_machine_take_audio": (_int, [Handle, ctypes.c_uint32, ctypes.POINTER(ctypes.c_int16), _size, _size_p]),
    "quillet_machine_key_names": (_int, [_int, ctypes.POINTER(_text), _int]),
    "quillet_machine_last_message": (_text, [Handle]),
    "quillet_machine_watch": (_int, [Handle, ctypes.c_uint16, ctypes.c_uint16, _int]),
    "quillet_machine_unwatch": (_int, [Handle, ctypes.c_uint16, ctypes.c_uint16]),
    "quillet_machine_watch_hit": (_int, [Handle, ctypes.POINTER(ctypes.c_uint16), ctypes.POINTER(_int)]),
    "quillet_machine_save_state": (_int, [Handle, _ptr, _size, _size_p]),
    "quillet_machine_load_state": (_int, [Handle, _ptr, _size]),
    "quillet_machine_tape_position": (_int, [Handle, _size_p, _size_p]),
    "quillet_machine_rewind_tape": (_int, [Handle, _size]),
    "quillet_machine_play_tape": (_int, [Handle, _int]),
    "quillet_machine_tape_playing": (_int, [Handle]),
    "quillet_machine_tape_out": (_int, [Handle, Handle, ctypes.POINTER(_u64)]),
    "quillet_machine_clear_tape_out": (_int, [Handle]),
    "quillet_machine_tape_out_size": (_int, [Handle, ctypes.POINTER(_size), ctypes.POINTER(_size)]),
    # Tapes.
    "quillet_tape_new": (Handle, []),
    "quillet_tape_free": (None, [Handle]),
    "quillet_tape_last_failure": (_int, [Handle]),
    "quillet_tape_last_message": (_text, [Handle]),
    "quillet_tape_read_bytes": (_int, [Handle, _ptr, _size, _text]),
    "quillet_tape_read_file": (_int, [Handle, _text]),
    "quillet_tape_kind": (_int, [Handle]),
    "quillet_tape_entry_count": (_size, [Handle]),
    "quillet_tape_entry_info": (_int, [Handle, _size, ctypes.POINTER(TapeEntry)]),
    "quillet_tape_entry_data": (_long, [Handle, _size, _ptr, _size]),
    "quillet_tape_check": (_int, [Handle, _text]),
    "quillet_tape_add_file": (_int, [Handle, _int, _int, _long, _text, _ptr, _size]),
    "quillet_tape_add_block": (_int, [Handle, _ptr, _size]),
    "quillet_tape_write_bytes": (_int, [Handle, _int, _ptr, _size, _size_p]),
    "quillet_tape_write_file": (_int, [Handle, _int, _text]),
}


def _bundled_names() -> Sequence[str]:
    """The file names the library has on this system, most specific first."""
    if sys.platform == "win32":
        return ("libquillet.dll", "quillet.dll")
    if sys.platform == "darwin":
        return ("libquillet.1.dylib", "libquillet.dylib")
    return ("libquillet.so.1", "libquillet.so")


def candidates() -> List[str]:
    """Where the library is looked for, in order."""
    chosen = os.environ.get(LIBRARY_VARIABLE)
    if chosen:
        return [os.path.abspath(chosen)]  # a bare name would be searched for
    here = Path(__file__).resolve().parent
    found = [str(here / name) for name in _bundled_names() if (here / name).is_file()]
    system = ctypes.util.find_library("quillet")
    if system:
        found.append(system)
    found.append(_bundled_names()[0])  # the loader's own search path
    return found


def _declare(lib: ctypes.CDLL) -> ctypes.CDLL:
    for name, (result, arguments) in _DECLARATIONS.items():
        function = getattr(lib, name)
        function.restype = result
        function.argtypes = arguments
    return lib


@functools.lru_cache(maxsize=None)
def library() -> ctypes.CDLL:
    """The loaded library with every function declared; loaded once."""
    tried: List[str] = []
    for path in candidates():
        try:
            lib = ctypes.CDLL(path)
        except OSError as failure:
            tried.append("%s (%s)" % (path, failure))
            continue
        try:
            return _declare(lib)
        except AttributeError as missing:
            tried.append("%s (too old: %s)" % (path, missing))
    raise LibraryNotFoundError(
        "libquillet was not found; set %s to its path. Tried: %s" % (LIBRARY_VARIABLE, "; ".join(tried))
    )


def text(value: Optional[bytes]) -> str:
    """A NUL-terminated text of the library as str ("" for null)."""
    return value.decode("utf-8", "replace") if value else ""


def encode_path(path: "os.PathLike[str] | str | bytes") -> bytes:
    """A file name as the library takes it: the file system's bytes."""
    return os.fsencode(path)
