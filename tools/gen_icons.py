#!/usr/bin/env python3
"""Draws the main program's icon into resources/icons/varnel.ico.

One icon file with 16 x 16, 32 x 32 and 48 x 48 images (32-bit BGRA bitmaps with an AND mask):
a blue rounded tile holding a white page with lines, under a magnifying glass. Edges are
smoothed by sampling each pixel 6 x 6 times. Only the standard library is used.

usage: gen_icons.py [OUTPUT_FILE]
"""

import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_OUT = os.path.join(HERE, "..", "resources", "icons", "varnel.ico")
SIZES = (16, 32, 48)
SAMPLES = 6

TILE = (0x2C, 0x5A, 0xA0)
PAGE = (0xFF, 0xFF, 0xFF)
LINE = (0x9D, 0xB4, 0xD6)
GLASS = (0xF2, 0xB1, 0x34)


def in_round_rect(x, y, left, top, right, bottom, radius):
    if not (left <= x < right and top <= y < bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def shade(u, v):
    """Colour and coverage of the design at (u, v) in the unit square."""
    ring = ((u - 0.62) ** 2 + (v - 0.62) ** 2) ** 0.5
    if 0.13 <= ring <= 0.2:
        return GLASS
    # The handle runs from the ring towards the bottom-right corner.
    d = (u - v)
    if abs(d) <= 0.06 and 0.75 <= (u + v) / 2 <= 0.95:
        return GLASS
    if ring < 0.13:
        return (0xDD, 0xE8, 0xF6)
    if in_round_rect(u, v, 0.2, 0.12, 0.68, 0.82, 0.04):
        for top in (0.26, 0.38, 0.5):
            if top <= v < top + 0.05 and 0.28 <= u < 0.6:
                return LINE
        return PAGE
    if in_round_rect(u, v, 0.02, 0.02, 0.98, 0.98, 0.18):
        return TILE
    return None


def render(size):
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            r = g = b = a = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = shade((x + (sx + 0.5) / SAMPLES) / size, (y + (sy + 0.5) / SAMPLES) / size)
                    if c:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        a += 1
            n = SAMPLES * SAMPLES
            if a:
                row.append((r // a, g // a, b // a, a * 255 // n))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def icon_image(size):
    pixels = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_OUT
    images = [icon_image(size) for size in SIZES]
    data = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        data += image
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
