#!/usr/bin/env python3
"""Writes the PNG fixtures of the toolkit's decoder tests into ui_toolkit/tests/data/png/,
and the entries of the test program's bitmap package into
ui_toolkit/tests/data/resources/WinUI_BitmapResources/.

Every picture is computed from the same pattern that ui_toolkit/tests/PngFixtures.h
recomputes, so the tests can check each decoded pixel exactly:

    value(x, y, c) = (x*31 + y*17 + c*59 + x*y*7 + 3) * 40503
    sample         = value & (2**depth - 1)            (c = channel: R, G, B, A or grey)
    palette index  = value(x, y, 0) % entries
    palette entry  = ((i*47 + 11) & 255, (i*91 + 13) & 255, (255 - i*29) & 255)

Rows use the filter types in turn ((row + pass) % 5), so every format meets every filter.
Besides the format table there are streams of each deflate block kind, chunk layouts that
must still decode, and damaged files that must fail. Only the standard library is used;
the damaged deflate streams are put together bit by bit with the small encoder below.

usage: gen_png_fixtures.py [PNG_OUTPUT_DIR]   (the package folder is ../resources/ beside it)
"""

import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_OUT = os.path.join(HERE, "..", "ui_toolkit", "tests", "data", "png")

GREY, TRUECOLOR, PALETTE, GREY_ALPHA, TRUECOLOR_ALPHA = 0, 2, 3, 4, 6
CHANNELS = {GREY: 1, TRUECOLOR: 3, PALETTE: 1, GREY_ALPHA: 2, TRUECOLOR_ALPHA: 4}
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def value(x, y, c):
    return (x * 31 + y * 17 + c * 59 + x * y * 7 + 3) * 40503


def palette_entries(depth):
    return 200 if depth == 8 else 1 << depth


def palette_colour(i):
    return ((i * 47 + 11) & 255, (i * 91 + 13) & 255, (255 - i * 29) & 255)


def pixel_samples(color_type, depth, x, y):
    if color_type == PALETTE:
        return [value(x, y, 0) % palette_entries(depth)]
    mask = (1 << depth) - 1
    return [value(x, y, c) & mask for c in range(CHANNELS[color_type])]


def pack_row(color_type, depth, pixels):
    """Packs a row of sample lists at the given bit depth, big-endian, padded to bytes."""
    out = bytearray()
    if depth >= 8:
        for samples in pixels:
            for s in samples:
                out += s.to_bytes(depth // 8, "big")
        return bytes(out)
    acc = bits = 0
    for samples in pixels:
        for s in samples:
            acc = (acc << depth) | s
            bits += depth
            if bits == 8:
                out.append(acc)
                acc = bits = 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_row(kind, row, prev, distance):
    out = bytearray([kind])
    for i, byte in enumerate(row):
        a = row[i - distance] if i >= distance else 0
        b = prev[i]
        c = prev[i - distance] if i >= distance else 0
        predictor = [0, a, b, (a + b) // 2, paeth(a, b, c)][kind]
        out.append((byte - predictor) & 255)
    return bytes(out)


def filtered_image(width, height, color_type, depth, interlaced, filter_override=None):
    """The filtered scanlines of the pattern picture (what the zlib stream inflates to)."""
    distance = max(1, depth * CHANNELS[color_type] // 8)
    passes = ADAM7 if interlaced else [(0, 0, 1, 1)]
    out = bytearray()
    for number, (x0, y0, dx, dy) in enumerate(passes):
        xs = list(range(x0, width, dx))
        ys = list(range(y0, height, dy))
        if not xs or not ys:
            continue
        prev = bytes(len(pack_row(color_type, depth, [pixel_samples(color_type, depth, 0, 0)] * len(xs))))
        for j, y in enumerate(ys):
            row = pack_row(color_type, depth, [pixel_samples(color_type, depth, x, y) for x in xs])
            kind = (j + number) % 5
            if filter_override and (number, j) in filter_override:
                line = bytearray(filter_row(kind, row, prev, distance))
                line[0] = filter_override[(number, j)]
                out += line
            else:
                out += filter_row(kind, row, prev, distance)
            prev = row
    return bytes(out)


def chunk(kind, data, crc=None):
    if crc is None:
        crc = zlib.crc32(kind + data) & 0xFFFFFFFF
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", crc)


def ihdr(width, height, color_type, depth, interlaced, compression=0, filter_method=0, interlace=None):
    method = (1 if interlaced else 0) if interlace is None else interlace
    return chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, color_type,
                                      compression, filter_method, method))


SIGNATURE = b"\x89PNG\r\n\x1a\n"


def plte(depth, count=None):
    count = palette_entries(depth) if count is None else count
    return chunk(b"PLTE", b"".join(bytes(palette_colour(i)) for i in range(count)))


def png(width, height, color_type, depth, interlaced=False, stream=None, extra_before=b"",
        extra_after=b""):
    if stream is None:
        stream = zlib.compress(filtered_image(width, height, color_type, depth, interlaced), 9)
    body = ihdr(width, height, color_type, depth, interlaced)
    if color_type == PALETTE:
        body += plte(depth)
    body += extra_before + chunk(b"IDAT", stream) + chunk(b"IEND", b"") + extra_after
    return SIGNATURE + body


# --- a small deflate writer for streams that zlib would never produce ---------------------

class BitWriter:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.count = 0

    def bits(self, value, n):
        """Extra bits and header fields: least significant bit first."""
        self.acc |= value << self.count
        self.count += n
        while self.count >= 8:
            self.out.append(self.acc & 255)
            self.acc >>= 8
            self.count -= 8

    def code(self, code, n):
        """Huffman codes: most significant bit first."""
        for i in range(n - 1, -1, -1):
            self.bits((code >> i) & 1, 1)

    def align(self):
        if self.count:
            self.bits(0, 8 - self.count)

    def data(self):
        out = bytearray(self.out)
        if self.count:
            out.append(self.acc & 255)
        return bytes(out)


def fixed_symbol(w, symbol):
    if symbol < 144:
        w.code(0x30 + symbol, 8)
    elif symbol < 256:
        w.code(0x190 + symbol - 144, 9)
    elif symbol < 280:
        w.code(symbol - 256, 7)
    else:
        w.code(0xC0 + symbol - 280, 8)


LENGTH_BASE = [3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43, 51, 59, 67, 83,
               99, 115, 131, 163, 195, 227, 258]
LENGTH_EXTRA = [0] * 8 + [1] * 4 + [2] * 4 + [3] * 4 + [4] * 4 + [5] * 4 + [0]
DIST_BASE = [1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257, 385, 513, 769, 1025,
             1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577]
DIST_EXTRA = [0, 0, 0, 0] + [n for n in range(1, 14) for _ in (0, 1)]


def fixed_match(w, length, distance):
    code = max(i for i in range(29) if LENGTH_BASE[i] <= length)
    fixed_symbol(w, 257 + code)
    w.bits(length - LENGTH_BASE[code], LENGTH_EXTRA[code])
    dcode = max(i for i in range(30) if DIST_BASE[i] <= distance)
    w.code(dcode, 5)
    w.bits(distance - DIST_BASE[dcode], DIST_EXTRA[dcode])


def fixed_block(w, data, final):
    """A fixed-code block of literals only."""
    w.bits(1 if final else 0, 1)
    w.bits(1, 2)
    for byte in data:
        fixed_symbol(w, byte)
    fixed_symbol(w, 256)


def stored_block(w, data, final):
    w.bits(1 if final else 0, 1)
    w.bits(0, 2)
    w.align()
    w.bits(len(data), 16)
    w.bits(len(data) ^ 0xFFFF, 16)
    for byte in data:
        w.bits(byte, 8)


def zlib_wrap(deflate, data=b""):
    return b"\x78\x01" + deflate + struct.pack(">I", zlib.adler32(data) & 0xFFFFFFFF)


def canonical_codes(lengths):
    """Canonical Huffman codes (code, length) for a list of code lengths."""
    codes = {}
    code = 0
    for n in range(1, 16):
        for symbol, length in enumerate(lengths):
            if length == n:
                codes[symbol] = (code, n)
                code += 1
        code <<= 1
    return codes


def dynamic_header(w, code_length_lengths, sequence, hlit, hdist, final=True):
    """A dynamic block header whose code lengths are sent as the given code-length symbols
    (each a symbol, or a (symbol, extra, extra_bits) triple)."""
    order = [16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15]
    w.bits(1 if final else 0, 1)
    w.bits(2, 2)
    w.bits(hlit - 257, 5)
    w.bits(hdist - 1, 5)
    w.bits(19 - 4, 4)
    for symbol in order:
        w.bits(code_length_lengths[symbol], 3)
    codes = canonical_codes(code_length_lengths)
    for item in sequence:
        symbol, extra, extra_bits = item if isinstance(item, tuple) else (item, 0, 0)
        w.code(*codes[symbol])
        w.bits(extra, extra_bits)


def block_type(stream):
    """BTYPE of the first deflate block of a zlib stream."""
    return (stream[2] >> 1) & 3


# --- the fixtures --------------------------------------------------------------------------

FORMATS = [
    ("grey1", GREY, 1), ("grey2", GREY, 2), ("grey4", GREY, 4), ("grey8", GREY, 8),
    ("grey16", GREY, 16), ("rgb8", TRUECOLOR, 8), ("rgb16", TRUECOLOR, 16),
    ("pal1", PALETTE, 1), ("pal2", PALETTE, 2), ("pal4", PALETTE, 4), ("pal8", PALETTE, 8),
    ("greyalpha8", GREY_ALPHA, 8), ("greyalpha16", GREY_ALPHA, 16),
    ("rgba8", TRUECOLOR_ALPHA, 8), ("rgba16", TRUECOLOR_ALPHA, 16),
]


def fixtures():
    files = {}
    for name, color_type, depth in FORMATS:
        files["%s.png" % name] = png(13, 7, color_type, depth)
        files["adam7_%s.png" % name] = png(13, 11, color_type, depth, interlaced=True)
    files["adam7_rgb8_3x3.png"] = png(3, 3, TRUECOLOR, 8, interlaced=True)
    files["rgb8_3x3.png"] = png(3, 3, TRUECOLOR, 8)
    files["adam7_grey1_1x1.png"] = png(1, 1, GREY, 1, interlaced=True)

    # Pictures with magenta, the transparent colour of 24-bit images.
    def solid_rgb(width, height, colours):
        rows = b"".join(b"\0" + b"".join(bytes(colours[y * width + x]) for x in range(width))
                        for y in range(height))
        return png(width, height, TRUECOLOR, 8, stream=zlib.compress(rows))
    M = (255, 0, 255)
    files["key_rgb8.png"] = solid_rgb(3, 2, [M, (255, 0, 0), M, (0, 255, 0), M, (0, 0, 255)])
    files["key_all_magenta.png"] = solid_rgb(3, 2, [M] * 6)

    # One 40 x 30 truecolour picture in every stream and chunk layout that must decode.
    W, H = 40, 30
    raw = filtered_image(W, H, TRUECOLOR, 8, False)
    stored = zlib.compress(raw, 0)
    fixed_obj = zlib.compressobj(9, zlib.DEFLATED, 15, 9, zlib.Z_FIXED)
    fixed = fixed_obj.compress(raw) + fixed_obj.flush()
    dynamic = zlib.compress(raw, 9)
    assert (block_type(stored), block_type(fixed), block_type(dynamic)) == (0, 1, 2)
    files["stream_stored.png"] = png(W, H, TRUECOLOR, 8, stream=stored)
    files["stream_fixed.png"] = png(W, H, TRUECOLOR, 8, stream=fixed)
    files["stream_dynamic.png"] = png(W, H, TRUECOLOR, 8, stream=dynamic)

    # Stored, then our own fixed block, an empty stored block to reach a byte boundary,
    # then a dynamic block from zlib (its copies reach only into its own part).
    third = len(raw) // 3
    w = BitWriter()
    stored_block(w, raw[:third], False)
    fixed_block(w, raw[third:2 * third], False)
    stored_block(w, b"", False)
    tail = zlib.compressobj(9, zlib.DEFLATED, -15)
    tail_stream = tail.compress(raw[2 * third:]) + tail.flush()
    assert (tail_stream[0] >> 1) & 3 == 2
    files["stream_mixed.png"] = png(W, H, TRUECOLOR, 8,
                                    stream=zlib_wrap(w.data() + tail_stream, raw))

    parts = [dynamic[:5], dynamic[5:5], dynamic[5:40], dynamic[40:]]
    split = SIGNATURE + ihdr(W, H, TRUECOLOR, 8, False)
    split += b"".join(chunk(b"IDAT", p) for p in parts) + chunk(b"IEND", b"")
    files["layout_split_idat.png"] = split

    good = png(W, H, TRUECOLOR, 8, stream=dynamic)
    files["layout_bad_crc.png"] = SIGNATURE + ihdr(W, H, TRUECOLOR, 8, False) + \
        chunk(b"IDAT", dynamic, crc=0x12345678) + chunk(b"IEND", b"", crc=0)
    files["layout_bad_adler.png"] = png(W, H, TRUECOLOR, 8, stream=dynamic[:-4] + b"\0\0\0\0")
    files["layout_ancillary.png"] = png(W, H, TRUECOLOR, 8, stream=dynamic,
                                        extra_before=chunk(b"tEXt", b"Comment\0ours") +
                                        chunk(b"prVt", b"\1\2\3"),
                                        extra_after=chunk(b"zzZz", b"after the end"))
    files["layout_trailing_bytes.png"] = good + b"\0\0\0"
    files["pal8_trns.png"] = png(13, 7, PALETTE, 8,
                                 extra_before=chunk(b"tRNS", bytes(range(0, 200))))

    # Headers that must be refused.
    files["bad_short.png"] = good[:15]
    files["bad_signature.png"] = b"\x89PNG\r\n\x1a\x0b" + good[8:]
    files["bad_first_chunk.png"] = SIGNATURE + chunk(b"tEXt", b"a\0b") + good[8:]
    files["bad_zero_width.png"] = SIGNATURE + ihdr(0, 5, TRUECOLOR, 8, False) + \
        chunk(b"IDAT", dynamic) + chunk(b"IEND", b"")
    files["bad_ihdr_length.png"] = SIGNATURE + chunk(b"IHDR", struct.pack(">IIBBBB", W, H, 8, 2, 0, 0)) + \
        chunk(b"IDAT", dynamic) + chunk(b"IEND", b"")
    files["bad_no_idat.png"] = SIGNATURE + ihdr(W, H, TRUECOLOR, 8, False) + chunk(b"IEND", b"")
    files["bad_chunk_length.png"] = SIGNATURE + ihdr(W, H, TRUECOLOR, 8, False) + \
        struct.pack(">I", 0x7FFFFFFF) + b"IDAT" + dynamic
    files["bad_critical_chunk.png"] = png(W, H, TRUECOLOR, 8, stream=dynamic,
                                          extra_before=chunk(b"ABCD", b"x"))
    files["bad_depth.png"] = SIGNATURE + ihdr(W, H, TRUECOLOR, 4, False) + \
        chunk(b"IDAT", dynamic) + chunk(b"IEND", b"")
    files["bad_color_type.png"] = SIGNATURE + ihdr(W, H, 5, 8, False) + \
        chunk(b"IDAT", dynamic) + chunk(b"IEND", b"")
    files["bad_compression_method.png"] = SIGNATURE + ihdr(W, H, TRUECOLOR, 8, False, compression=1) + \
        chunk(b"IDAT", dynamic) + chunk(b"IEND", b"")
    files["bad_filter_method.png"] = SIGNATURE + ihdr(W, H, TRUECOLOR, 8, False, filter_method=1) + \
        chunk(b"IDAT", dynamic) + chunk(b"IEND", b"")
    files["bad_interlace_method.png"] = SIGNATURE + ihdr(W, H, TRUECOLOR, 8, False, interlace=2) + \
        chunk(b"IDAT", dynamic) + chunk(b"IEND", b"")
    pal_stream = zlib.compress(filtered_image(13, 7, PALETTE, 8, False))
    files["bad_palette_missing.png"] = SIGNATURE + ihdr(13, 7, PALETTE, 8, False) + \
        chunk(b"IDAT", pal_stream) + chunk(b"IEND", b"")
    files["bad_palette_too_large.png"] = SIGNATURE + ihdr(13, 7, PALETTE, 8, False) + \
        plte(8, 257) + chunk(b"IDAT", pal_stream) + chunk(b"IEND", b"")
    files["bad_too_wide.png"] = SIGNATURE + ihdr(4097, 1, GREY, 1, False) + \
        chunk(b"IDAT", zlib.compress(b"\0" * 514)) + chunk(b"IEND", b"")
    # A whole, valid picture far larger than any interface image: a few kilobytes that would
    # decode to hundreds of megabytes.
    files["bad_too_large_valid.png"] = SIGNATURE + ihdr(16000, 16000, GREY, 1, False) + \
        chunk(b"IDAT", zlib.compress(b"\0" * (16000 * 2001), 9)) + chunk(b"IEND", b"")
    files["bad_overflowing_size.png"] = SIGNATURE + ihdr(0xFFFFFFFF, 0xFFFFFFFF, TRUECOLOR_ALPHA, 16, False) + \
        chunk(b"IDAT", dynamic) + chunk(b"IEND", b"")
    # Allowed dimensions whose image data could never fill them: refused before allocating.
    files["bad_huge_for_its_data.png"] = SIGNATURE + ihdr(4096, 4096, TRUECOLOR_ALPHA, 16, False) + \
        chunk(b"IDAT", dynamic) + chunk(b"IEND", b"")

    # Streams that must fail while inflating.
    def with_stream(stream):
        return png(W, H, TRUECOLOR, 8, stream=stream)

    files["bad_truncated.png"] = good[:len(good) - 12 - 40]
    files["bad_zlib_method.png"] = with_stream(b"\x77" + dynamic[1:])
    files["bad_zlib_window.png"] = with_stream(b"\x88" + dynamic[1:])
    files["bad_zlib_dictionary.png"] = with_stream(b"\x78\x20" + dynamic[2:])
    w = BitWriter()
    w.bits(1, 1)
    w.bits(3, 2)
    files["bad_block_type3.png"] = with_stream(zlib_wrap(w.data() + b"\0" * 8))
    w = BitWriter()
    stored_block(w, raw, True)
    bad = bytearray(w.data())
    bad[3] ^= 1  # NLEN no longer the complement of LEN
    files["bad_stored_length.png"] = with_stream(zlib_wrap(bytes(bad), raw))
    w = BitWriter()
    w.bits(1, 1)
    w.bits(1, 2)
    fixed_symbol(w, 7)
    fixed_match(w, 5, 2)  # reaches before the start of the output
    fixed_symbol(w, 256)
    files["bad_distance_too_far.png"] = with_stream(zlib_wrap(w.data()))
    w = BitWriter()
    w.bits(1, 1)
    w.bits(1, 2)
    for byte in raw[:8]:
        fixed_symbol(w, byte)
    fixed_symbol(w, 257)
    w.code(30, 5)  # a distance symbol that has no meaning
    files["bad_distance_symbol.png"] = with_stream(zlib_wrap(w.data() + b"\0" * 4))
    w = BitWriter()
    w.bits(1, 1)
    w.bits(1, 2)
    for byte in raw[:8]:
        fixed_symbol(w, byte)
    fixed_symbol(w, 286)  # a length symbol that has no meaning
    w.code(0, 5)
    files["bad_length_symbol.png"] = with_stream(zlib_wrap(w.data() + b"\0" * 4))
    w = BitWriter()
    dynamic_header(w, [1] * 19, [], 257, 1)
    files["bad_huffman_oversubscribed.png"] = with_stream(zlib_wrap(w.data() + b"\0" * 64))
    cl = [0] * 19
    cl[0] = cl[7] = cl[8] = cl[9] = 2
    w = BitWriter()
    lengths = [0] * 258
    lengths[65] = 8
    lengths[256] = 8
    dynamic_header(w, cl, [8 if l == 8 else 0 for l in lengths], 257, 1)
    files["bad_huffman_incomplete.png"] = with_stream(zlib_wrap(w.data() + b"\0" * 64))
    cl = [0] * 19
    cl[0] = cl[1] = 1
    w = BitWriter()
    lengths = [0] * 258
    lengths[65] = lengths[66] = 1
    dynamic_header(w, cl, [1 if l else 0 for l in lengths], 257, 1)
    files["bad_huffman_no_end_code.png"] = with_stream(zlib_wrap(w.data() + b"\0" * 64))
    cl = [0] * 19
    cl[16] = cl[0] = 1
    w = BitWriter()
    dynamic_header(w, cl, [(16, 0, 2)], 257, 1)
    files["bad_huffman_repeat_first.png"] = with_stream(zlib_wrap(w.data() + b"\0" * 64))
    cl = [0] * 19
    cl[18] = cl[0] = 1
    w = BitWriter()
    dynamic_header(w, cl, [(18, 127, 7), (18, 127, 7), (18, 127, 7)], 257, 1)
    files["bad_huffman_repeat_overrun.png"] = with_stream(zlib_wrap(w.data() + b"\0" * 64))
    files["bad_too_much_data.png"] = with_stream(zlib.compress(raw + b"\0" * 10, 9))
    files["bad_too_little_data.png"] = with_stream(zlib.compress(raw[:-10], 9))
    files["bad_stream_cut.png"] = with_stream(dynamic[:len(dynamic) // 2])

    # Inflates cleanly but names filter type 5 in one row: no bitmap.
    files["bad_filter_type.png"] = png(W, H, TRUECOLOR, 8, stream=zlib.compress(
        filtered_image(W, H, TRUECOLOR, 8, False, filter_override={(0, 9): 5})))
    return files


def package_entries(files):
    """Entries of the test program's bitmap package (named as images are looked up)."""
    return {
        "pattern": files["rgba8.png"],
        "broken": files["bad_stream_cut.png"],
        "empty": b"",
    }


def write_all(folder, files):
    os.makedirs(folder, exist_ok=True)
    for name, data in sorted(files.items()):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
    print("wrote %d files to %s" % (len(files), folder))


def main():
    out = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else DEFAULT_OUT)
    files = fixtures()
    write_all(out, files)
    write_all(os.path.join(out, "..", "resources", "WinUI_BitmapResources"), package_entries(files))


if __name__ == "__main__":
    main()
