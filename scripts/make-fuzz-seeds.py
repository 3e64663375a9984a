#!/usr/bin/env python3
"""Writes the small TEX and Targa files that start the fuzzers' corpora.

Each file is a valid example of one layout the readers know, kept tiny so
that mutations reach every field quickly. Run again only to change them.
"""
import os
import struct
import sys

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "fuzz", "seeds")
os.makedirs(out, exist_ok=True)


def tex(width, height, kind, mips=1, unknown=0, bits=0):
    return struct.pack("<hhhhhi", width, height, kind, mips, unknown, bits)


def tga(width, height, depth, image_type, cmap=False, descriptor=0, id_len=0):
    return struct.pack("<BBBHHBHHHHBB", id_len, 1 if cmap else 0, image_type, 0, 256 if cmap else 0,
                       24 if cmap else 0, 0, 0, width, height, depth, descriptor)


def write(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)


ramp = bytes(range(256))
w, h = 4, 3
n = w * h
write("type1-4x3.tex", tex(w, h, 1) + ramp * 4 + bytes(i * 17 % 256 for i in range(n)))
write("type14-4x3.tex", tex(w, h, 14, 3) + ramp * 4 + bytes(range(n)))
write("type15-4x3.tex", tex(w, h, 15) + ramp[:64] + bytes(i % 16 for i in range(n)))
write("type17-4x3.tex", tex(w, h, 17, 1, -1, 0x7FFFFFFF) + bytes(i % 256 for i in range(3 * n)))
write("type18-4x3.tex", tex(w, h, 18, 5) + bytes((i * 7) % 256 for i in range(4 * n)))
write("type18-mips.tex", tex(4, 4, 18, 3) + bytes(range(64)) + bytes(range(16)) + bytes(range(4)))
write("type16.tex", tex(2, 2, 16) + bytes(16))
write("type18-1x1.tex", tex(1, 1, 18) + b"\x01\x02\x03\x04")

write("map8-4x3.tga", tga(w, h, 8, 1, cmap=True) + ramp * 3 + bytes(range(n)))
write("rgb24-4x3.tga", tga(w, h, 24, 2) + bytes(i % 256 for i in range(3 * n)))
write("rgba32-4x3.tga", tga(w, h, 32, 2, descriptor=8) + bytes((i * 5) % 256 for i in range(4 * n)))
write("rgba32-top-4x3.tga", tga(w, h, 32, 2, descriptor=0x28) + bytes((i * 3) % 256 for i in range(4 * n)))
# Run-length: one run of 3 equal pixels, then a raw packet of 9, per 12 pixels.
rle = bytes([0x82, 1, 2, 3, 4, 0x08]) + bytes(range(36))
write("rgba32-rle-4x3.tga", tga(w, h, 32, 10, descriptor=8) + rle)
write("rgb24-id-2x2.tga", tga(2, 2, 24, 2, id_len=3) + b"abc" + bytes(12))
write("rgb16-2x2.tga", tga(2, 2, 16, 2) + bytes(range(8)))

# Palette files: both text kinds (with an alpha column and a comment) and
# both colour-table sizes.
write("colours3.pal", b"JASC-PAL\r\n0100\r\n3\r\n255 0 0\r\n0 255 0 128\r\n0 0 255\r\n")
write("colours3.gpl", b"GIMP Palette\nName: seed\nColumns: 16\n#\n255   0   0\tred\n  0 255   0\n0 0 255 blue\n")
write("table.act", bytes((i * 7) % 256 for i in range(768)))
write("table-count.act", bytes((i * 11) % 256 for i in range(768)) + bytes([0, 5, 0xFF, 0xFF]))
