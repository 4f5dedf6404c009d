#!/usr/bin/env python3
"""Draws the programs' icons into resources/icons/: varnel.ico, plexwright.ico, sifton.ico.

Each file holds the same picture at 16, 32 and 48 pixels as 32-bit images with alpha (and an
all-clear AND mask, which the alpha makes redundant). The pictures are simple shapes on a
rounded tile, one colour and one motif per program so that they tell apart on a taskbar:

  Varnel      blue tile, a white magnifying glass over text lines (searching memories)
  Plexwright  green tile, three stacked sheets with coloured edges (a group of files)
  Sifton      orange tile, a white funnel with a drop below it (filtering a file)

Shapes are given in a unit square and sampled 8 x 8 times per pixel, so edges are smoothed
through alpha. Only the standard library is used.

usage: gen_icons.py [OUTPUT_DIR]
"""

import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_OUT = os.path.join(HERE, "..", "resources", "icons")
SIZES = (16, 32, 48)
SAMPLES = 8

WHITE = (0xFF, 0xFF, 0xFF)


# --- shapes: predicates over the unit square (x to the right, y downwards) -----------------

def rounded_rect(left, top, right, bottom, radius):
    def inside(x, y):
        if not (left <= x <= right and top <= y <= bottom):
            return False
        cx = min(max(x, left + radius), right - radius)
        cy = min(max(y, top + radius), bottom - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, outer, inner):
    return lambda x, y: inner * inner <= (x - cx) ** 2 + (y - cy) ** 2 <= outer * outer


def capsule(ax, ay, bx, by, half_width):
    """A thick line from a to b with round ends."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        px, py = ax + t * dx, ay + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= half_width ** 2
    return inside


def polygon(points):
    """Even-odd fill of a closed polygon."""
    def inside(x, y):
        hit = False
        n = len(points)
        for i in range(n):
            (x1, y1), (x2, y2) = points[i], points[(i + 1) % n]
            if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                hit = not hit
        return hit
    return inside


def drop(cx, top, bottom):
    """A teardrop pointing up: a circle at the bottom under a triangle."""
    r = (bottom - top) * 0.36
    body = circle(cx, bottom - r, r)
    tip = polygon([(cx, top), (cx + r * 0.95, bottom - r * 1.2), (cx - r * 0.95, bottom - r * 1.2)])
    return lambda x, y: body(x, y) or tip(x, y)


# --- the three pictures: layers drawn bottom to top, (shape, colour, opacity) --------------

def tile(colour):
    return (rounded_rect(0.03, 0.03, 0.97, 0.97, 0.18), colour, 1.0)


def varnel():
    blue = (0x23, 0x5F, 0xB8)
    layers = [tile(blue)]
    for i, width in enumerate((0.56, 0.42, 0.50)):
        y = 0.22 + i * 0.12
        layers.append((rounded_rect(0.14, y, 0.14 + width, y + 0.06, 0.03), (0xA9, 0xC6, 0xEE), 1.0))
    layers.append((circle(0.44, 0.44, 0.21), (0x1B, 0x4A, 0x90), 1.0))
    layers.append((ring(0.44, 0.44, 0.25, 0.17), WHITE, 1.0))
    layers.append((capsule(0.62, 0.62, 0.84, 0.84, 0.075), WHITE, 1.0))
    return layers


def plexwright():
    green = (0x2E, 0x8B, 0x4A)
    layers = [tile(green)]
    edges = [(0xF2, 0xC1, 0x4E), (0xE0, 0x6C, 0x5B), (0x6F, 0xA8, 0xF0)]
    for i, edge in enumerate(edges):
        offset = i * 0.14
        left, top = 0.16 + offset, 0.14 + offset
        right, bottom = left + 0.50, top + 0.44
        layers.append((rounded_rect(left - 0.03, top - 0.03, right + 0.03, bottom + 0.03, 0.07),
                       (0x1E, 0x5E, 0x32), 1.0))
        layers.append((rounded_rect(left, top, right, bottom, 0.05), WHITE, 1.0))
        layers.append((rounded_rect(left, top, left + 0.10, bottom, 0.05), edge, 1.0))
    return layers


def sifton():
    orange = (0xE0, 0x78, 0x1E)
    funnel = polygon([(0.14, 0.18), (0.86, 0.18), (0.58, 0.52), (0.58, 0.70),
                      (0.42, 0.78), (0.42, 0.52)])
    return [
        tile(orange),
        (funnel, WHITE, 1.0),
        (rounded_rect(0.14, 0.18, 0.86, 0.27, 0.04), (0xFF, 0xE0, 0xB8), 1.0),
        (drop(0.50, 0.78, 0.95), (0xFF, 0xF2, 0xE0), 1.0),
    ]


PROGRAMS = {"Varnel": varnel, "Plexwright": plexwright, "Sifton": sifton}


# --- rendering and the icon file -------------------------------------------------------------

def render(layers, size):
    """Rows of (r, g, b, a) from top to bottom; colour not premultiplied."""
    rows = []
    step = 1.0 / (size * SAMPLES)
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(SAMPLES):
                y = (py * SAMPLES + sy + 0.5) * step
                for sx in range(SAMPLES):
                    x = (px * SAMPLES + sx + 0.5) * step
                    colour, opacity = None, 0.0
                    for shape, layer_colour, layer_opacity in reversed(layers):
                        if shape(x, y):
                            colour, opacity = layer_colour, layer_opacity
                            break
                    if colour:
                        r += colour[0] * opacity
                        g += colour[1] * opacity
                        b += colour[2] * opacity
                        a += opacity
            if a > 0:
                row.append((round(r / a), round(g / a), round(b / a),
                            round(255 * a / (SAMPLES * SAMPLES))))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def dib(rows):
    """The icon image: a BITMAPINFOHEADER of doubled height, BGRA rows bottom-up, AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    return header + bytes(pixels) + bytes(mask_stride * size)


def icon_file(images):
    count = len(images)
    out = bytearray(struct.pack("<HHH", 0, 1, count))
    offset = 6 + 16 * count
    for size, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return bytes(out)


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_OUT
    os.makedirs(out_dir, exist_ok=True)
    for name, picture in PROGRAMS.items():
        layers = picture()
        images = [(size, dib(render(layers, size))) for size in SIZES]
        path = os.path.join(out_dir, name.lower() + ".ico")
        with open(path, "wb") as f:
            f.write(icon_file(images))
        print(path)


if __name__ == "__main__":
    main()
