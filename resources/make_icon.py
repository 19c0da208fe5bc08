#!/usr/bin/env python3
"""Writes the program's 16x16, 16-colour icon (a firmware arrow into a chip).

The .ico is committed; run this only to change the picture.
"""
import struct
import sys

# The standard 16-colour palette, by index.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

# One character a pixel, top row first: '.' is transparent, hex digits index the palette.
PICTURE = [
    "......2222......",
    "......2aa2......",
    "......2aa2......",
    "...22222aa2222..",
    "....2aaaaaaa2...",
    ".....2aaaaa2....",
    "......2aaa2.....",
    ".......2a2......",
    "..7.7.7.7.7.7...",
    ".888888888888...",
    ".844444444448...",
    ".8444b4444448...",
    ".844444444448...",
    ".888888888888...",
    "..7.7.7.7.7.7...",
    "................",
]


def icon_bytes():
    size = 16
    xor_rows, and_rows = [], []
    for line in reversed(PICTURE):  # bitmaps are stored bottom-up
        indices = [0 if c == "." else int(c, 16) for c in line]
        xor_rows.append(bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2)))
        mask = 0
        for c in line:
            mask = (mask << 1) | (1 if c == "." else 0)
        and_rows.append(struct.pack(">H", mask) + b"\0\0")  # rows padded to 32 bits
    xor_bits, and_bits = b"".join(xor_rows), b"".join(and_rows)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(xor_bits) + len(and_bits), 0, 0, 16, 0)
    image = header + palette + xor_bits + and_bits
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 22)
    return directory + image


if __name__ == "__main__":
    with open(sys.argv[1] if len(sys.argv) > 1 else "KorvaniFWUpdater.ico", "wb") as out:
        out.write(icon_bytes())
