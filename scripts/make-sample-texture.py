#!/usr/bin/env python3
"""Writes tests/data/sample-tiles.tex: a 128 x 128 32-bit (type 18) TEX file
with a tiled pattern, the picture the screenshot shows.

    python3 scripts/make-sample-texture.py
"""

import math
import struct
from pathlib import Path

OUT = Path(__file__).resolve().parent.parent / "tests" / "data" / "sample-tiles.tex"
SIZE = 128


def pixel(x, y):
    tile_x, tile_y = x // 32, y // 32
    u, v = x % 32, y % 32
    if u < 2 or v < 2:  # grout between the tiles
        return (70, 60, 50, 255)
    hue = (tile_x * 3 + tile_y * 5) % 7
    base = [(200, 80, 60), (220, 170, 70), (90, 150, 90), (70, 120, 190),
            (150, 90, 170), (210, 120, 150), (100, 180, 190)][hue]
    # a soft bevel and a round boss in each tile
    shade = 1.0 - 0.25 * (abs(u - 16.5) + abs(v - 16.5)) / 16
    if math.hypot(u - 16.5, v - 16.5) < 7:
        shade += 0.2
    return tuple(max(0, min(255, int(c * shade))) for c in base) + (255,)


def main():
    data = bytearray(struct.pack("<hhhhhi", SIZE, SIZE, 18, 1, 0, 0))
    for y in range(SIZE):
        for x in range(SIZE):
            data.extend(pixel(x, y))
    OUT.parent.mkdir(parents=True, exist_ok=True)
    OUT.write_bytes(bytes(data))


if __name__ == "__main__":
    main()
