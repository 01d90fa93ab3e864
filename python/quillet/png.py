"""PNG files of pictures, written with zlib from the standard library
(for a notebook's display of the screen)."""
from __future__ import annotations

import struct
import zlib

_SIGNATURE = b"\x89PNG\r\n\x1a\n"
_RGBA = 6  # colour type: red, green, blue, alpha, 8 bits each


def _chunk(kind: bytes, data: bytes) -> bytes:
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def encode_png(width: int, height: int, rgba: bytes) -> bytes:
    """The PNG file of a picture `width` by `height` pixels, `rgba` holding
    4 bytes a pixel (red, green, blue, alpha), rows from the top."""
    row = 4 * width
    if width <= 0 or height <= 0 or len(rgba) != row * height:
        raise ValueError("%d bytes are no %d by %d RGBA picture" % (len(rgba), width, height))
    # Each row after its filter byte 0 (none).
    raw = b"".join(b"\x00" + rgba[y * row:(y + 1) * row] for y in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, _RGBA, 0, 0, 0)
    return _SIGNATURE + _chunk(b"IHDR", header) + _chunk(b"IDAT", zlib.compress(raw, 9)) + _chunk(b"IEND", b"")
