"""Writes RGB pixels as a PNG picture with nothing but the standard library: a PNG is
little more than a zlib stream of the pixel rows in a few checksummed chunks."""

import struct
import zlib

SIGNATURE = b"\x89PNG\r\n\x1a\n"


def save_png(path, width, height, rgb):
    """Saves `rgb` (rows from the top, three bytes a pixel) to `path`."""
    if width <= 0 or height <= 0 or len(rgb) != width * height * 3:
        raise ValueError(f"{len(rgb)} bytes are not {width}x{height} RGB pixels")
    row_bytes = width * 3
    # Every row is preceded by its filter type; 0 leaves the bytes as they are.
    rows = b"".join(b"\x00" + rgb[row * row_bytes:(row + 1) * row_bytes] for row in range(height))
    # 8 bits per channel, colour type 2 (RGB), compression, filter and interlacing 0.
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    with open(path, "wb") as file:
        file.write(SIGNATURE)
        for kind, data in ((b"IHDR", header), (b"IDAT", zlib.compress(rows, 9)), (b"IEND", b"")):
            file.write(struct.pack(">I", len(data)) + kind + data)
            file.write(struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
