"""quillet.Machine on the real firmware: every monitor boots to its ready
text and takes typed commands; a real tape loads through MGLD; a machine's
snapshot starts a machine that goes on as the first would; memory and
registers read and write as the processor sees them; failures raise
quillet.Error with the library's messages. The firmware tests skip
without ../shared/pmd85-roms."""
from __future__ import annotations

from pathlib import Path

import pytest

import quillet
from conftest import check_failure, firmware, real_tape

# (monitor image, model, ready text, frames it may take)
BOOTS = [
    ("monit1.rom", "V1", "** PMD-85 READY /1.0 **", 100),
    ("monit2.rom", "V2", "++ Os ready ++", 40),
    ("monit2A.rom", "V2A", "++ Os ready ++", 40),
    ("monit3.rom", "V3", "++ OS ready ++", 300),
    ("didalfa2.rom", "ALFA2", "++ Os ready ++", 300),
    ("mato-mb.rom", "MATO", "** OS READY **", 300),
    ("c2717.rom", "C2717", "C2717 Basic-G", 300),
]


@pytest.mark.parametrize("image,model,ready,frames", BOOTS, ids=[b[1] for b in BOOTS])
def test_each_monitor_boots_to_its_ready_text(image: str, model: str, ready: str, frames: int) -> None:
    with quillet.Machine(model=model, monitor=firmware(image)) as machine:
        machine.boot()
        assert machine.run_until_text(ready, frames=frames), machine.screen_text()
        assert machine.frames <= frames
        assert ready in machine.screen_text().splitlines()[0]


# (monitor image, model, where the monitor lies): MEM shows the monitor's
# own first bytes, which the test reads from the image.
TYPED = [
    ("monit2A.rom", "V2A", 0x8000),
    ("monit3.rom", "V3", 0xE000),
    ("didalfa2.rom", "ALFA2", 0x8000),
]


@pytest.mark.parametrize("image,model,address", TYPED, ids=[t[1] for t in TYPED])
def test_a_typed_command_shows_its_answer(image: str, model: str, address: int) -> None:
    path = firmware(image)
    with quillet.Machine(model=model, monitor=path) as machine:
        machine.boot()
        assert machine.run_until_text("ready", frames=300)
        machine.type("MEM %04X\n" % address)
        assert machine.typing
        assert machine.keys_typed == (0, 9)
        machine.run_frames(100)
        assert not machine.typing
        assert machine.keys_typed == (9, 9)
        shown = " ".join("%02X" % byte for byte in path.read_bytes()[:8])
        assert "%04X %s" % (address, shown) in machine.screen_text()
        assert machine.memory[address:address + 8] == path.read_bytes()[:8]


def test_a_real_tape_loads_through_mgld() -> None:
    tape = quillet.Tape(real_tape("AUTO.pmd"))
    program = tape.blocks[0]
    with quillet.Machine(model="V1", monitor=firmware("monit1.rom")) as machine:
        machine.boot()
        assert machine.run_until_text("READY", frames=100)
        machine.insert_tape(tape)
        tape.close()  # the machine holds its own copy
        assert machine.tape_blocks == (0, 2)
        machine.type("MGLD 00\n")
        while machine.tape_blocks[0] < 2 and machine.frames < 3000:
            machine.run_frames(50)
        machine.run_frames(50)  # the monitor finishes the file
        assert machine.tape_blocks == (2, 2)
        assert machine.memory[program.start:program.start + program.length] == program.data


def test_a_saved_snapshot_goes_on_where_the_machine_was(tmp_path: Path) -> None:
    monitor = firmware("monit2A.rom")
    with quillet.Machine(model="V2A", monitor=monitor) as first:
        first.boot()
        first.run_until_text("ready", frames=40)
        first.memory[0x1000:0x1004] = b"\xDE\xAD\xBE\xEF"
        first.type("MEM 1000\n")
        first.run_frames(100)
        first.save_snapshot(tmp_path / "saved.zvk")
        registers = dict(first.registers)
        ram = first.memory[0:0x8000]
        text = first.screen_text()
        first.type("MEM 8000\n")
        first.run_frames(100)
        went_on = first.screen_text()
    with quillet.Machine(tmp_path / "saved.zvk", monitor=monitor) as second:
        assert dict(second.registers) == registers
        assert second.memory[0:0x8000] == ram
        assert second.screen_text() == text
        assert "1000 DE AD BE EF" in text
        second.type("MEM 8000\n")
        second.run_frames(100)
        assert second.screen_text() == went_on


def test_a_snapshot_given_to_a_machine_stays_as_it_was() -> None:
    with quillet.Snapshot(model="V2") as snapshot:
        snapshot.store_hex(0x0100, "76")
        with quillet.Machine(snapshot, model="V3") as machine:
            assert machine.memory[0x0100] == 0x76
            assert machine.snapshot().model == "V3"
        assert snapshot.model == "V2"


def test_a_program_runs_without_a_monitor() -> None:
    with quillet.Snapshot(model="V2A") as snapshot:
        snapshot.store_hex(0x0000, "3E2A" "320020" "76")  # MVI A,42; STA 2000H; HLT
        snapshot.registers["PC"] = 0
        with quillet.Machine(snapshot) as machine:
            assert machine.run(states=1000) == quillet.Stop.HALTED
            assert machine.halted
            assert machine.memory[0x2000] == 42
            assert machine.registers["A"] == 42 and machine.registers["PC"] == 6
            assert machine.states == 7 + 13 + 7
            machine.registers["PC"] = 0x8000  # where a monitor would be
            assert machine.run(states=1000) == quillet.Stop.NO_MONITOR


def test_memory_reads_and_writes_as_the_processor_does() -> None:
    monitor = firmware("monit2A.rom")
    with quillet.Machine(model="V2A", monitor=monitor) as machine:
        machine.boot()
        machine.run_frames(20)  # the normal map: the monitor at 0x8000
        first = monitor.read_bytes()[0]
        machine.memory[0x8000] = first ^ 0xFF  # the ROM keeps its byte
        assert machine.memory[0x8000] == first
        machine.memory[-1] = 0x5A  # the last address, as a bytearray counts
        assert machine.memory[0xFFFF] == 0x5A
        machine.memory[0x4000:0x4003] = bytearray(b"abc")
        assert machine.memory[0x4000:0x4003] == b"abc"
        assert machine.memory[0xFFFE:0x1FFFF] == bytes([machine.memory[0xFFFE], 0x5A])  # a slice ends at 64 KB
        assert len(machine.memory) == 65536
        with pytest.raises(IndexError):
            machine.memory[0x10000]
        with pytest.raises(ValueError):
            machine.memory[0:10:2]
        with pytest.raises(ValueError):
            machine.memory[0x4000:0x4003] = b"abcd"
        machine.registers["hl"] = 0x1234
        machine.registers["A"] = 0x99
        assert (machine.registers["H"], machine.registers["L"]) == (0x12, 0x34)
        assert machine.registers["AF"] >> 8 == 0x99
        with pytest.raises(quillet.ArgumentError):
            machine.registers["A"] = 256
        with pytest.raises(KeyError):
            machine.registers["IX"]


def test_a_text_that_never_shows_gives_false() -> None:
    with quillet.Machine(model="V2A", monitor=firmware("monit2A.rom")) as machine:
        machine.boot()
        assert not machine.run_until_text("NEVER SHOWN", frames=30)
        assert machine.frames == 30


# (what is done, the exception, its message)
FAILURES = [
    (lambda d, m: quillet.Machine(model="V2A", monitor=d / "none.rom"), quillet.FileError,
     "Can't open source file '{d}/none.rom'!"),
    (lambda d, m: quillet.Machine(model="V2A", monitor=bytes(100)), quillet.ArgumentError, None),
    (lambda d, m: quillet.Machine(model="V2A", module=d / "none.rmm"), quillet.FileError,
     "Can't open source file '{d}/none.rmm'!"),
    (lambda d, m: quillet.Machine(model="V7"), quillet.ArgumentError, "Bad computer model 'V7'!"),
    (lambda d, m: quillet.Machine(b"not a snapshot"), quillet.Error, None),
    (lambda d, m: quillet.Machine().boot(), quillet.StateError, None),
    (lambda d, m: quillet.Machine().screen_text(), quillet.StateError, None),
    (lambda d, m: m.type("{NOKEY}"), quillet.KeyNameError, "Bad key 'NOKEY': the V2A keyboard has no key of that name"),
    (lambda d, m: m.type("\u00e9"), quillet.KeyNameError, "Bad key '\u00e9': the V2A keyboard cannot type it"),
    (lambda d, m: m.key("NOKEY"), quillet.KeyNameError, None),
]


@pytest.mark.parametrize("action,kind,message", FAILURES)
def test_failures_raise_the_library_message(tmp_path: Path, action, kind, message) -> None:
    with quillet.Machine() as machine:
        check_failure(lambda: action(tmp_path, machine), kind, message, tmp_path)


def test_a_closed_machine_refuses_calls() -> None:
    machine = quillet.Machine()
    machine.close()
    with pytest.raises(ValueError):
        machine.run(states=10)
    with pytest.raises(ValueError):
        machine.memory[0]
