#!/usr/bin/env python3
"""Draws the named images of the "WinUI_BitmapResources" package into resources/bitmaps/.

Each file is a 16 x 16 truecolour-with-alpha PNG named exactly as the image is looked up
(no extension): "btnAdd" (a plus), "btnRemove" (a minus), "btnUp" and "btnDown" (arrows).
Shapes are sampled 8 x 8 times per pixel so that their edges are smoothed through alpha;
the colour is not premultiplied. Only the standard library is used.

usage: gen_bitmaps.py [OUTPUT_DIR]
"""

import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_OUT = os.path.join(HERE, "..", "resources", "bitmaps")
SIZE = 16
SAMPLES = 8

GREEN = (0x2E, 0x8B, 0x3C)
RED = (0xC0, 0x39, 0x2B)
BLUE = (0x2C, 0x5A, 0xA0)


def in_rect(x, y, left, top, right, bottom):
    return left <= x < right and top <= y < bottom


def in_triangle(x, y, a, b, c):
    def side(p, q):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    d1, d2, d3 = side(a, b), side(b, c), side(c, a)
    negative = d1 < 0 or d2 < 0 or d3 < 0
    positive = d1 > 0 or d2 > 0 or d3 > 0
    return not (negative and positive)


def plus(x, y):
    return in_rect(x, y, 2, 6.5, 14, 9.5) or in_rect(x, y, 6.5, 2, 9.5, 14)


def minus(x, y):
    return in_rect(x, y, 2, 6.5, 14, 9.5)


def up(x, y):
    return in_triangle(x, y, (8, 1.5), (14.5, 8.5), (1.5, 8.5)) or in_rect(x, y, 5.5, 8, 10.5, 14.5)


def down(x, y):
    return up(x, SIZE - y)


def render(shape, colour):
    rows = []
    for py in range(SIZE):
        row = bytearray([0])  # filter type None
        for px in range(SIZE):
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    if shape(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES):
                        hits += 1
            alpha = (hits * 255 + SAMPLES * SAMPLES // 2) // (SAMPLES * SAMPLES)
            row += bytes(colour) + bytes([alpha])
        rows.append(bytes(row))
    return b"".join(rows)


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(raw):
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


IMAGES = {
    "btnAdd": (plus, GREEN),
    "btnRemove": (minus, RED),
    "btnUp": (up, BLUE),
    "btnDown": (down, BLUE),
}


def main():
    out = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else DEFAULT_OUT)
    os.makedirs(out, exist_ok=True)
    for name, (shape, colour) in sorted(IMAGES.items()):
        with open(os.path.join(out, name), "wb") as f:
            f.write(png(render(shape, colour)))
    print("wrote %d images to %s" % (len(IMAGES), out))


if __name__ == "__main__":
    main()
