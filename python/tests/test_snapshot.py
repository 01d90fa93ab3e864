"""quillet.Snapshot: built as the quillet program builds (byte for byte),
read back, and its failures as exceptions with the library's messages."""
from __future__ import annotations

import os
import subprocess
from pathlib import Path

import pytest

import quillet
from conftest import check_failure

PROGRAM = bytes(range(7, 250, 3))


def quillet_program() -> str:
    program = os.environ.get("QUILLET_PROGRAM")
    if not program:
        pytest.skip("QUILLET_PROGRAM names no quillet program (the build's ctest sets it)")
    return program


# (the same snapshot built through the package, the program's options)
BUILDS = [
    ("program at 0", lambda s, f: (s.load(0, f), s.registers.__setitem__("PC", 0)),
     lambda f: ["-mem", "0", f, "-reg", "PC", "0"]),
    ("model, hex and interrupts", lambda s, f: (setattr(s, "model", "v3"), s.store_hex(0x7000, "3E48CD0085"),
                                                setattr(s, "interrupts", True)),
     lambda f: ["-cm", "V3", "-hex", "0x7000", "3E48CD0085", "-ei"]),
    ("page, AllRAM and a ROM module", lambda s, f: (s.load_page(2, f), setattr(s, "allram", True), s.load_rom(f)),
     lambda f: ["-pg", "2", f, "-allram", "-rom", f]),
    ("registers by pair", lambda s, f: [s.load(0x4000, f)] + [s.registers.__setitem__(r, v) for r, v in
                                                              (("bc", 0x1234), ("SP", 0x7FFF), ("AF", 0xFFFF))],
     lambda f: ["-mem", "0x4000", f, "-reg", "BC", "0x1234", "-reg", "SP", "0x7FFF", "-reg", "AF", "0xFFFF"]),
]


@pytest.mark.parametrize("pack", [True, False])
@pytest.mark.parametrize("name,build,options", BUILDS, ids=[b[0] for b in BUILDS])
def test_builds_what_the_program_builds(tmp_path: Path, name, build, options, pack: bool) -> None:
    program = quillet_program()
    binary = tmp_path / "program.bin"
    binary.write_bytes(PROGRAM)
    expected = tmp_path / "expected.zvk"
    subprocess.run([program, "-o", str(expected)] + (["-pack"] if pack else []) + options(str(binary)),
                   check=True, stdout=subprocess.DEVNULL)
    with quillet.Snapshot() as snapshot:
        build(snapshot, str(binary))
        assert snapshot.to_bytes(pack=pack) == expected.read_bytes()
        snapshot.write(tmp_path / "written.zvk", pack=pack)
    assert (tmp_path / "written.zvk").read_bytes() == expected.read_bytes()


def test_round_trip_through_a_file_and_bytes(tmp_path: Path) -> None:
    with quillet.Snapshot(model="C2717") as built:
        built.load(0x1000, PROGRAM)
        built.registers["HL"] = 0xBEEF
        built.interrupts = True
        built.rom = b"\x01\x02\x03"
        built.write(tmp_path / "s.zvk")
        image = built.to_bytes()
    for read in (quillet.Snapshot(tmp_path / "s.zvk"), quillet.Snapshot.read(image)):
        with read:
            assert read.model == "C2717"
            assert read.registers["HL"] == 0xBEEF
            assert read.interrupts
            assert read.read_memory(0x1000, len(PROGRAM)) == PROGRAM
            assert read.has_page(0) and not read.has_page(1)
            assert read.rom == b"\x01\x02\x03" + b"\xFF" * 1021  # rounded up to a kilobyte
            assert dict(read.registers) == {"AF": 0x0046, "BC": 0, "DE": 0, "HL": 0xBEEF, "PC": 0x8000, "SP": 0x8000}


# (what is done, the exception, its message)
FAILURES = [
    (lambda s, d: s.load(0, d / "missing.bin"), quillet.FileError, "Can't open source file '{d}/missing.bin'!"),
    (lambda s, d: quillet.Snapshot(d / "missing.zvk"), quillet.FileError, "Can't open source file '{d}/missing.zvk'!"),
    (lambda s, d: quillet.Snapshot(b"ZVX\x01" + bytes(60), name="game.zvk"), quillet.FormatError,
     "Bad or no ZVK header in file: 'game.zvk'!"),
    (lambda s, d: s.write(d / "no" / "out.zvk"), quillet.FileError, "Can't open output file '{d}/no/out.zvk'!"),
    (lambda s, d: s.load(0xFFFF, b"ab"), quillet.FileError, None),
    (lambda s, d: s.store_hex(0, "12G4"), quillet.ArgumentError, "Invalid hexstring: '12G4'!"),
    (lambda s, d: setattr(s, "model", "V9"), quillet.ArgumentError, "Bad computer model 'V9'!"),
    (lambda s, d: setattr(s, "model", 8), quillet.ArgumentError, "Bad computer model '8'!"),
    (lambda s, d: s.registers.__setitem__("PC", 0x10000), quillet.ArgumentError, None),
    (lambda s, d: s.read_page(16), quillet.ArgumentError, "Bad page number `16`!"),
]


@pytest.mark.parametrize("action,kind,message", FAILURES)
def test_failures_raise_the_library_message(tmp_path: Path, action, kind, message) -> None:
    with quillet.Snapshot() as snapshot:
        check_failure(lambda: action(snapshot, tmp_path), kind, message, tmp_path)


def test_a_cut_file_says_where_it_ends() -> None:
    with quillet.Snapshot() as built:
        built.load(0, bytes(range(256)) * 64)
        image = built.to_bytes(pack=False)
    with pytest.raises(quillet.FileError) as raised:
        quillet.Snapshot(image[:-100], name="cut.zvk")
    assert "cut.zvk" in raised.value.message
    assert "block 0" in raised.value.detail
    assert raised.value.detail in str(raised.value)


def test_an_unknown_register_is_a_key_error() -> None:
    with quillet.Snapshot() as snapshot:
        with pytest.raises(KeyError):
            snapshot.registers["IX"]
        with pytest.raises(TypeError):
            del snapshot.registers["PC"]


def test_a_closed_snapshot_refuses_calls() -> None:
    snapshot = quillet.Snapshot()
    snapshot.close()
    snapshot.close()  # a second close does nothing
    assert snapshot.closed
    with pytest.raises(ValueError):
        snapshot.model
