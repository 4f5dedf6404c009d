#!/usr/bin/env python3
"""Packs source files into a resource package and writes the .rc file that embeds it.

The package is a run of records (all numbers little-endian, no gaps):
    u32 magic 0xA84577FF, u16 n, n UTF-16LE units of entry name, u32 L, L bytes of data,
with every entry's data scrambled by the same keyless step as core/resources/Scrambling.cpp.
Entry names are the files' paths relative to the base folder, with forward slashes, and
the records are written in ascending order of entry name (UTF-16 code units).

usage: pack_resources.py --name NAME --base DIR --output PACKAGE.bin --rc PACKAGE.rc FILE...
"""

import argparse
import os
import struct
import sys

MAGIC = 0xA84577FF
FIRST_PREVIOUS = 0x1F


def _rotate_left(value, bits):
    return ((value << bits) | (value >> (8 - bits))) & 0xFF


def _rotate_right(value, bits):
    return ((value >> bits) | (value << (8 - bits))) & 0xFF


def scramble(data):
    """The settings file's scrambling step over one whole block."""
    n = len(data)
    out = bytearray(n)
    previous = FIRST_PREVIOUS
    for i, plain in enumerate(data):
        mixed = (~previous ^ plain) & 0xFF
        k = (n - 1 - i) % 4
        if k == 0:
            out[i] = _rotate_right(mixed, 2)
        elif k == 1:
            out[i] = _rotate_left(mixed, 4)
        elif k == 2:
            out[i] = _rotate_right(mixed, 3)
        else:
            out[i] = _rotate_left(mixed, 1)
        previous = plain
    return bytes(out)


def entry_name(path, base):
    relative = os.path.relpath(os.path.abspath(path), os.path.abspath(base))
    if relative.startswith(os.pardir + os.sep) or relative == os.pardir:
        raise ValueError(f"{path} is not inside {base}")
    return relative.replace(os.sep, "/")


def code_units(name):
    encoded = name.encode("utf-16-le")
    return struct.unpack(f"<{len(encoded) // 2}H", encoded)


def build_package(entries):
    """entries: list of (name, data) pairs; returns the package bytes."""
    seen = set()
    records = []
    for name, data in sorted(entries, key=lambda entry: code_units(entry[0])):
        if name in seen:
            raise ValueError(f"two entries are named {name}")
        seen.add(name)
        encoded = name.encode("utf-16-le")
        units = len(encoded) // 2
        if units > 0xFFFF:
            raise ValueError(f"entry name too long: {name[:40]}...")
        if len(data) > 0xFFFFFFFF:
            raise ValueError(f"entry too large: {name}")
        records.append(struct.pack("<IH", MAGIC, units) + encoded +
                       struct.pack("<I", len(data)) + scramble(data))
    return b"".join(records)


def rc_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '""') + '"'


def write_file(path, data):
    # Through a temporary file, so that an interrupted build never leaves half a package.
    temporary = path + ".tmp"
    with open(temporary, "wb") as out:
        out.write(data)
    os.replace(temporary, path)


def main(argv):
    parser = argparse.ArgumentParser(description="Pack files into a resource package.")
    parser.add_argument("--name", required=True, help="resource name, e.g. LocalizedStrings")
    parser.add_argument("--base", required=True, help="folder that entry names are relative to")
    parser.add_argument("--output", required=True, help="package file to write")
    parser.add_argument("--rc", help="resource script to write that embeds the package")
    parser.add_argument("files", nargs="*")
    args = parser.parse_args(argv)

    if not args.name.replace("_", "").isalnum():
        parser.error("the resource name must be letters, digits and underscores")

    entries = []
    for path in args.files:
        with open(path, "rb") as source:
            entries.append((entry_name(path, args.base), source.read()))
    package = build_package(entries)

    os.makedirs(os.path.dirname(os.path.abspath(args.output)), exist_ok=True)
    write_file(args.output, package)
    if args.rc:
        script = f"{args.name} RCDATA {rc_string(os.path.abspath(args.output))}\n"
        write_file(args.rc, script.encode("utf-8"))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except (OSError, ValueError) as error:
        print(f"pack_resources.py: {error}", file=sys.stderr)
        sys.exit(1)
