#!/usr/bin/env python3
"""ctypes_call.py - libquillet from Python through ctypes, no compiler needed.

Builds the snapshot of examples/checks.bin, the same file as

    quillet -o OUTFILE -pack -mem 0 checks.bin -reg PC 0

then runs its routine vaddr (at 0x0025) on the library's 8080 with A = 10
and C = 3, as `quillet-run --reg A=10 --reg C=3 --call 0x0025` does, and
reads HL, the address of that scan line's byte: 0xC000 + 64 * 10 + 3.

Usage: python3 ctypes_call.py OUTFILE [LIBRARY]
LIBRARY is the shared library's path (libquillet.so.1, libquillet.dll);
without it the system's search finds an installed one.

Every function gets its argtypes and restype before it is called: ctypes
otherwise passes and returns C ints, which cuts pointers to 32 bits and
64-bit counts to 32.
"""
import ctypes
import ctypes.util
import os
import sys

# From quillet.h: the single registers as the instruction set numbers them,
# and why a run ended.
QUILLET_CPU_C = 1
QUILLET_CPU_A = 7
QUILLET_STOP_RETURNED = 6
VADDR = 0x0025
NO_LIMIT = 2**64 - 1  # UINT64_MAX: the instruction count is not limited


def load_library(path):
    if path:
        path = os.path.abspath(path)  # a bare name would be searched for
    lib = ctypes.CDLL(path or ctypes.util.find_library("quillet") or "libquillet.so.1")
    snapshot, cpu = ctypes.c_void_p, ctypes.c_void_p  # opaque handles
    declarations = {
        "quillet_snapshot_new": ([], snapshot),
        "quillet_snapshot_free": ([snapshot], None),
        "quillet_load_file": ([snapshot, ctypes.c_long, ctypes.c_char_p], ctypes.c_int),
        "quillet_register_number": ([ctypes.c_char_p], ctypes.c_int),
        "quillet_set_register": ([snapshot, ctypes.c_int, ctypes.c_long], ctypes.c_int),
        "quillet_write_file": ([snapshot, ctypes.c_char_p, ctypes.c_int], ctypes.c_int),
        "quillet_last_message": ([snapshot], ctypes.c_char_p),
        "quillet_cpu_new": ([], cpu),
        "quillet_cpu_free": ([cpu], None),
        "quillet_cpu_from_snapshot": ([cpu, snapshot], ctypes.c_int),
        "quillet_cpu_set_register8": ([cpu, ctypes.c_int, ctypes.c_int], ctypes.c_int),
        "quillet_cpu_call": ([cpu, ctypes.c_long, ctypes.c_uint64, ctypes.c_uint64], ctypes.c_int),
        "quillet_cpu_get_pair": ([cpu, ctypes.c_int], ctypes.c_long),
        "quillet_cpu_states": ([cpu], ctypes.c_uint64),
        "quillet_stop_name": ([ctypes.c_int], ctypes.c_char_p),
    }
    for name, (argtypes, restype) in declarations.items():
        function = getattr(lib, name)
        function.argtypes = argtypes
        function.restype = restype
    return lib


def main(argv):
    if len(argv) not in (2, 3):
        print("usage: ctypes_call.py OUTFILE [LIBRARY]", file=sys.stderr)
        return 64
    out_path = argv[1].encode()
    lib = load_library(argv[2] if len(argv) == 3 else None)
    binary = os.path.join(os.path.dirname(os.path.abspath(__file__)), "checks.bin").encode()

    snapshot = lib.quillet_snapshot_new()
    if not snapshot:
        print("ctypes_call: out of memory", file=sys.stderr)
        return 2
    cpu = None
    try:
        pc = lib.quillet_register_number(b"PC")
        result = lib.quillet_load_file(snapshot, 0, binary)
        if result == 0:
            result = lib.quillet_set_register(snapshot, pc, 0)
        if result == 0:
            result = lib.quillet_write_file(snapshot, out_path, 1)
        if result != 0:
            # A failure's text, as quillet prints it, without a reporter.
            print("ctypes_call: " + lib.quillet_last_message(snapshot).decode(), file=sys.stderr)
            return -result

        cpu = lib.quillet_cpu_new()
        if not cpu or lib.quillet_cpu_from_snapshot(cpu, snapshot) != 0:
            print("ctypes_call: no processor", file=sys.stderr)
            return 2
        lib.quillet_cpu_set_register8(cpu, QUILLET_CPU_A, 10)
        lib.quillet_cpu_set_register8(cpu, QUILLET_CPU_C, 3)
        stop = lib.quillet_cpu_call(cpu, VADDR, 1000000, NO_LIMIT)
        if stop != QUILLET_STOP_RETURNED:
            name = lib.quillet_stop_name(stop)
            print("ctypes_call: vaddr did not return: %s" % (name.decode() if name else stop), file=sys.stderr)
            return 1
        hl = lib.quillet_cpu_get_pair(cpu, lib.quillet_register_number(b"HL"))
        print("vaddr(A=10, C=3): HL=0x%04X after %d states" % (hl, lib.quillet_cpu_states(cpu)))
        return 0 if hl == 0xC000 + 64 * 10 + 3 else 1
    finally:
        lib.quillet_cpu_free(cpu)
        lib.quillet_snapshot_free(snapshot)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
