"""The machine frame by frame: frames that pass across a halt, sound taken
as it comes, keys pressed and released as a front end passes them, the
whole state saved and loaded so that the machine goes on as it would
have, and the tape recorder's position."""
from __future__ import annotations

from pathlib import Path

import pytest

import quillet
from conftest import bare, firmware

def booted(image: str = "monit2A.rom", model: str = "V2A") -> quillet.Machine:
    machine = quillet.Machine(model=model, monitor=firmware(image))
    machine.boot()
    assert machine.run_until_text("ready", frames=300)
    return machine


def test_time_passes_across_a_halt_with_interrupts_off() -> None:
    with bare("F376") as machine:  # DI; HLT
        assert machine.run_frame() == quillet.Stop.FRAME
        assert machine.halted
        assert machine.run_frames(3) == quillet.Stop.FRAME
        assert machine.frames == 4
        assert machine.states >= 4 * quillet.FRAME_STATES


def test_sound_is_taken_frame_by_frame() -> None:
    with booted() as machine:
        machine.audio()  # what the boot played
        machine.run_frames(10)
        assert abs(len(machine.audio(44100)) - 8820) <= 20
        assert len(machine.audio()) == 0  # what was taken is gone
        machine.run_frame()
        assert abs(len(machine.audio(8000)) - 160) <= 2


def test_keys_pressed_and_released_within_a_frame_are_all_seen() -> None:
    with booted() as machine:
        for character in "MEM 8000":
            machine.key(character)
            machine.key(character, down=False)
        machine.key("{EOL}")
        machine.key("EOL", down=False)
        machine.run_frames(150)
        assert "MEM 8000" in machine.screen_text()
        assert "SUB 8000 31 00 80" in machine.screen_text()


def test_key_names_list_the_named_keys_and_characters() -> None:
    names = quillet.key_names("V2A")
    assert {"EOL", "K0", "K11", "A", "0"} <= set(names)
    assert names == quillet.key_names(2)  # a stable order
    assert "UP" in quillet.key_names("MATO")
    with pytest.raises(quillet.ArgumentError):
        quillet.key_names("V9")


def test_a_loaded_state_runs_as_the_saved_machine_would() -> None:
    with booted() as first:
        first.type("MEM 8000\n")
        first.run_frames(3)  # in the middle of the typing
        state = first.save_state()
        first.run_frames(100)
        text, registers, states = first.screen_text(), dict(first.registers), first.states
        with booted() as second:
            second.load_state(state)
            second.run_frames(100)
            assert (second.screen_text(), dict(second.registers), second.states) == (text, registers, states)
        first.load_state(state)  # back in time, on the same machine
        first.run_frames(100)
        assert first.screen_text() == text and first.states == states


def test_a_damaged_or_foreign_state_is_refused_and_changes_nothing() -> None:
    with booted() as machine:
        state = machine.save_state()
        before = (dict(machine.registers), machine.states, machine.memory[0:0x8000])
        damaged = bytearray(state)
        damaged[len(damaged) // 2] ^= 0x40
        for bad in (bytes(damaged), state[:-1], b""):
            with pytest.raises(quillet.Error) as raised:
                machine.load_state(bad)
            assert raised.value.message
        assert (dict(machine.registers), machine.states, machine.memory[0:0x8000]) == before
    with booted("monit2.rom", "V2") as other:
        with pytest.raises(quillet.Error):
            other.load_state(state)


def test_the_tape_position_follows_the_recorder(tmp_path: Path) -> None:
    tape = quillet.Tape()
    tape.add_file("ONE", b"\x76" * 50, start=0x2000)
    tape.add_file("TWO", b"\x76" * 50, start=0x2000, number=1)
    with booted() as machine:
        machine.insert_tape(tape)
        assert machine.tape_position == (0, 4)
        machine.type("MGLD 01\n")
        while machine.tape_blocks[0] < 4 and machine.frames < 2000:
            machine.run_frames(25)
        assert machine.tape_position[1] == 4 and machine.tape_position[0] >= 3
        machine.rewind_tape(2)
        assert machine.tape_position == (2, 4)
        with pytest.raises(quillet.ArgumentError):
            machine.rewind_tape(5)


def test_what_mgsv_saves_comes_back_as_a_tape() -> None:
    monitor = firmware("monit2A.rom").read_bytes()
    with booted() as machine:
        assert len(machine.tape_out()) == 0
        assert machine.tape_out_size == (0, 0)
        machine.type("MGSV 03 8000 800F ROM\n")
        assert machine.run_until_text("Mg stop!", frames=600)
        saved = machine.tape_out().blocks
        assert [(b.number, b.type, b.start, b.name, b.intact) for b in saved] == [(3, "?", 0x8000, "ROM", True)]
        assert saved[0].data == monitor[:16]
        # Two blocks: the 63-byte header, then the 16 bytes and their checksum.
        assert machine.tape_out_size == (2, 63 + 16 + 1)
        machine.clear_tape_out()
        assert len(machine.tape_out()) == 0
        assert machine.tape_out_size == (0, 0)


def test_the_recorder_stops_and_plays() -> None:
    tape = quillet.Tape()
    tape.add_block(b"\x5a" * 10)
    with bare("DB1FC30000") as machine:  # IN 1FH; JMP 0
        assert not machine.tape_playing
        machine.insert_tape(tape)
        assert machine.tape_playing
        machine.run_frames(100)
        machine.stop_tape()
        assert not machine.tape_playing
        machine.run_frames(200)
        assert machine.tape_position == (0, 1)
        machine.play_tape()
        machine.run_frames(70)
        assert machine.tape_position == (1, 1)
