"""quillet.Tape: files made, written in each form and read back; the real
tapes listed; failures with the library's messages."""
from __future__ import annotations

from pathlib import Path

import pytest

import quillet
from conftest import check_failure, real_tape

FIRST = bytes(range(256)) * 3
SECOND = b"\xC3\x00\x20" + bytes(100)
LOOSE = b"\x55" * 40  # a block of no file, as a loader reads one


def made() -> quillet.Tape:
    tape = quillet.Tape()
    tape.add_file("FIRST", FIRST, start=0x2000)
    tape.add_file("TWO", SECOND, start=0x7FA9, number=12, type=">")
    tape.add_block(LOOSE)
    return tape


@pytest.mark.parametrize("kind", ["PTP", "PMD", "WAV"])
def test_each_form_reads_back_the_same_files(tmp_path: Path, kind: str) -> None:
    with made() as tape:
        image = tape.to_bytes(kind)
        tape.write(tmp_path / ("t." + kind.lower()))
    assert (tmp_path / ("t." + kind.lower())).read_bytes() == image  # the form from the extension
    with quillet.Tape(image, name="made") as read:
        assert read.kind == kind
        blocks = read.blocks
    assert [(b.is_file, b.number, b.name, b.type, b.start, b.length, b.data) for b in blocks] == [
        (True, 0, "FIRST", "?", 0x2000, len(FIRST), FIRST),
        (True, 12, "TWO", ">", 0x7FA9, len(SECOND), SECOND),
        (False, 0, "", "", 0, len(LOOSE), LOOSE),
    ]
    assert [b.index for b in blocks] == [0, 2, 4]
    assert all(b.intact for b in blocks)
    read.close()


def test_a_flipped_byte_fails_its_checksum() -> None:
    with made() as tape:
        image = bytearray(tape.to_bytes("PMD"))
    image[63 + 5] ^= 0x01  # a data byte of the first file
    with quillet.Tape(image, name="bad.pmd") as read:
        first = read.blocks[0]
        assert first.header_checksum_holds and not first.data_checksum_holds and not first.intact
        with pytest.raises(quillet.TapeError) as raised:
            read.check("bad.pmd")
    assert raised.value.message.startswith("Bad checksum in tape image 'bad.pmd': ")


@pytest.mark.parametrize("name,number,kind,start,length", [
    ("AUTO.pmd", 0, "?", 0x2000, 1253),
    ("BLUDISTE.pmd", 0, "?", 0x7FA9, 87),
])
def test_the_real_tapes_list_their_files(name: str, number: int, kind: str, start: int, length: int) -> None:
    with quillet.Tape(real_tape(name)) as tape:
        first = tape.blocks[0]
        tape.check()
    assert (first.is_file, first.number, first.name, first.type, first.start, first.length) == (
        True, number, name.split(".")[0], kind, start, length)
    assert len(first.data) == length


# (what is done, the exception, its message)
FAILURES = [
    (lambda t, d: quillet.Tape(d / "none.ptp"), quillet.FileError, "Can't open source file '{d}/none.ptp'!"),
    (lambda t, d: quillet.Tape(b"", name="empty.ptp"), quillet.TapeError, "No tape blocks in 'empty.ptp'!"),
    (lambda t, d: quillet.Tape(b"\x10\x00abc", name="cut.ptp"), quillet.TapeError, None),
    (lambda t, d: t.to_bytes("PTP"), quillet.TapeError, None),
    (lambda t, d: t.to_bytes("TAP"), quillet.ArgumentError, "Unknown tape form 'TAP': PTP, PMD or WAV"),
    (lambda t, d: t.add_file("NINE CHRS", b"x", start=0), quillet.ArgumentError, None),
    (lambda t, d: t.add_file("A", b"x", start=0, type="??"), quillet.ArgumentError, "Bad tape file type '??'!"),
    (lambda t, d: t.add_file("A", b"", start=0), quillet.ArgumentError, None),
    (lambda t, d: t.write(d / "no" / "t.ptp"), quillet.Error, None),
]


@pytest.mark.parametrize("action,kind,message", FAILURES)
def test_failures_raise_the_library_message(tmp_path: Path, action, kind, message) -> None:
    with quillet.Tape() as tape:
        check_failure(lambda: action(tape, tmp_path), kind, message, tmp_path)
