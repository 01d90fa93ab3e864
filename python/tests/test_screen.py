"""The picture of the machine's screen, pixel by pixel against video
memory written here, as a notebook shows it (PNG); and watchpoints, which
end a run after the instruction that touched a watched address."""
from __future__ import annotations

import pytest

import quillet
from conftest import bare
from test_png import decode

WIDTH, HEIGHT = 288, 256
WHITE, DIM, DARK = (255, 255, 255, 255), (128, 128, 128, 255), (0, 0, 0, 255)


# (video byte, its six pixels with blink on, and with blink off)
PIXELS = [
    (0b00000101, [WHITE, DARK, WHITE, DARK, DARK, DARK], None),   # bit 0 the leftmost
    (0b01100000, [DARK, DARK, DARK, DARK, DARK, DIM], None),      # bit 6: dim
    (0b10000001, [WHITE, DARK, DARK, DARK, DARK, DARK], [DARK] * 6),  # bit 7: blinks
    (0b11000010, [DARK, DIM, DARK, DARK, DARK, DARK], [DARK] * 6),
]


@pytest.mark.parametrize("byte,lit,blinked", PIXELS)
def test_the_picture_draws_each_pixel_of_video_memory(byte: int, lit, blinked) -> None:
    with bare("76") as machine:
        machine.memory[0xC000 + 64 * 10 + 3] = byte  # line 10, pixels 18 to 23
        machine.memory[0xC000 + 64 * 10 + 48] = 0xFF  # beyond the 48 bytes shown
        for blink_on, wanted in ((True, lit), (False, blinked or lit)):
            picture = machine.screen_rgba(blink_on)
            assert len(picture) == WIDTH * HEIGHT * 4
            row = picture[10 * WIDTH * 4:11 * WIDTH * 4]
            assert [tuple(row[4 * x:4 * x + 4]) for x in range(18, 24)] == wanted
            others = row[:18 * 4] + row[24 * 4:] + picture[:10 * WIDTH * 4] + picture[11 * WIDTH * 4:]
            assert set(others) == {0, 255} and others.count(255) == len(others) // 4  # black, opaque


def test_a_notebook_shows_the_screen_as_png() -> None:
    with bare("76") as machine:
        machine.memory[0xC000:0xC030] = bytes(range(0, 240, 5))
        width, height, rows = decode(machine._repr_png_())
        assert (width, height) == (WIDTH, HEIGHT)
        assert b"".join(rows) == machine.screen_rgba()


# (watched kinds, the program: LXI H,2000H, then at 3 the access, HLT)
WATCHES = [
    (dict(write=True), "210020" "77" "76", (0x2000, "write")),              # MOV M,A
    (dict(read=True, write=False), "210020" "7E" "76", (0x2000, "read")),   # MOV A,M
    (dict(read=True, write=False), "210020" "77" "76", None),               # a write is no read
    (dict(write=True), "210120" "77" "76", None),                           # 2001H is not watched
]


RUNS = {"processor": lambda machine: machine.run(states=quillet.FRAME_STATES),
        "frame": lambda machine: machine.run_frame()}


@pytest.mark.parametrize("run", RUNS.values(), ids=RUNS.keys())
@pytest.mark.parametrize("kinds,program,hit", WATCHES)
def test_a_watched_access_ends_the_run_after_its_instruction(kinds, program: str, hit, run) -> None:
    with bare(program) as machine:
        machine.watch(0x1FFF, 0x2000, **kinds)
        stop = run(machine)
        assert machine.watch_hit == hit
        if hit:
            assert stop == quillet.Stop.WATCH and machine.registers["PC"] == 4
            machine.unwatch(0x1FFF, 0x2000)
        assert machine.run(states=quillet.FRAME_STATES) == quillet.Stop.HALTED


def test_a_watch_of_a_range_backwards_is_refused() -> None:
    with bare("76") as machine:
        with pytest.raises(quillet.ArgumentError):
            machine.watch(0x2001, 0x2000)
