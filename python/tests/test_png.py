"""The PNG writer: its file decoded here, chunk by chunk, gives back the
pixels it was given."""
from __future__ import annotations

import struct
import zlib

import pytest

from quillet.png import encode_png


def decode(png: bytes):
    """(width, height, rows) of an 8-bit RGBA PNG whose rows use filter 0."""
    assert png[:8] == b"\x89PNG\r\n\x1a\n"
    position, chunks = 8, []
    while position < len(png):
        (length,) = struct.unpack(">I", png[position:position + 4])
        kind = png[position + 4:position + 8]
        data = png[position + 8:position + 8 + length]
        (crc,) = struct.unpack(">I", png[position + 8 + length:position + 12 + length])
        assert crc == zlib.crc32(kind + data), kind
        chunks.append((kind, data))
        position += 12 + length
    assert [kind for kind, _ in chunks] == [b"IHDR", b"IDAT", b"IEND"]
    width, height, depth, colour, compression, filtering, interlace = struct.unpack(">IIBBBBB", chunks[0][1])
    assert (depth, colour, compression, filtering, interlace) == (8, 6, 0, 0, 0)
    raw = zlib.decompress(chunks[1][1])
    stride = 1 + 4 * width
    assert len(raw) == stride * height
    assert all(raw[y * stride] == 0 for y in range(height))
    return width, height, [raw[y * stride + 1:(y + 1) * stride] for y in range(height)]


@pytest.mark.parametrize("width,height", [(1, 1), (3, 2), (288, 256), (384, 256)])
def test_the_pixels_come_back(width: int, height: int) -> None:
    pixels = bytes((x * 7 + y * 13) & 0xFF for y in range(height) for x in range(4 * width))
    got_width, got_height, rows = decode(encode_png(width, height, pixels))
    assert (got_width, got_height) == (width, height)
    assert b"".join(rows) == pixels


@pytest.mark.parametrize("width,height,length", [(2, 2, 15), (2, 2, 17), (0, 1, 0), (1, 0, 0)])
def test_a_picture_of_the_wrong_size_is_refused(width: int, height: int, length: int) -> None:
    with pytest.raises(ValueError):
        encode_png(width, height, bytes(length))
