#!/usr/bin/env python3
"""Draws the tool's pictures and writes them as PNG files under resources/.

The eight toolbar pictures are 16 x 16 with 24-bit colour on a pure green
(0, 255, 0) background, which the program treats as transparent, like the
image list they come from. The program icon (a car wheel rim, 32 x 32) and
the rotate dialog's icon (16 x 16) carry a real alpha channel. The program
icon is also drawn in the other sizes desktops look for, and as SVG, under
resources/icons/hicolor/ for the package.

Only the standard library is used, so the pictures can be redrawn anywhere:
    python3 scripts/draw-icons.py
"""

import math
import struct
import zlib
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent / "resources"

TRANSPARENT = (0, 255, 0)
COLOURS = {
    ".": TRANSPARENT,
    "k": (0, 0, 0),
    "w": (255, 255, 255),
    "g": (128, 128, 128),
    "l": (192, 192, 192),
    "y": (255, 255, 0),
    "o": (160, 120, 40),
    "b": (0, 64, 208),
    "n": (0, 0, 128),
    "r": (208, 32, 32),
    "m": (128, 0, 0),
    "e": (0, 128, 0),
}


def write_png(path, width, height, rows, alpha):
    """rows: list of lists of (r, g, b) or (r, g, b, a) tuples."""
    raw = bytearray()
    for row in rows:
        raw.append(0)  # no filter
        for pixel in row:
            raw.extend(pixel[:4] if alpha else pixel[:3])

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    colour_type = 6 if alpha else 2
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(png)


def from_art(name, art):
    if len(art) != 16 or any(len(line) != 16 for line in art):
        raise SystemExit(f"{name}: the picture must be 16 lines of 16 characters")
    return [[COLOURS[c] for c in line] for line in art]


def blank_grid():
    return [[TRANSPARENT for _ in range(16)] for _ in range(16)]


def coverage(inside, x, y, samples=4):
    hits = 0
    for sy in range(samples):
        for sx in range(samples):
            if inside(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples):
                hits += 1
    return hits / (samples * samples)


# --- toolbar pictures -------------------------------------------------------

NEW = [
    "................",
    "...kkkkkkkk.....",
    "...kwwwwwwkk....",
    "...kwwwwwwkwk...",
    "...kwwwwwwkwwk..",
    "...kwwwwwwkkkkk.",
    "...kwwwwwwwwwwk.",
    "...kwwwwwwwwwwk.",
    "...kwwwwwwwwwwk.",
    "...kwwwwwwwwwwk.",
    "...kwwwwwwwwwwk.",
    "...kwwwwwwwwwwk.",
    "...kwwwwwwwwwwk.",
    "...kwwwwwwwwwwk.",
    "...kkkkkkkkkkkk.",
    "................",
]

OPEN = [
    "................",
    ".........kkk....",
    "........k...k.k.",
    ".............kk.",
    ".kkk.........kkk",
    "kyoyk...........",
    "koyoykkkkkkk....",
    "kyoyoyoyoyok....",
    "koyoyokkkkkkkkkk",
    "kyoyokyyyyyyyyyk",
    "koyokyyyyyyyyyk.",
    "kyokyyyyyyyyyk..",
    "kokyyyyyyyyyk...",
    "kkyyyyyyyyyk....",
    "kkkkkkkkkkk.....",
    "................",
]

SAVE = [
    "................",
    ".kkkkkkkkkkkkkk.",
    ".knkwwwwwwwwknk.",
    ".knkwwwwwwwwknk.",
    ".knkwwwwwwwwknk.",
    ".knkwwwwwwwwknk.",
    ".knkwwwwwwwwknk.",
    ".knnkkkkkkkknnk.",
    ".knnnnnnnnnnnnk.",
    ".knnkkkkkkkknnk.",
    ".knnklllkllknnk.",
    ".knnklllkllknnk.",
    ".knnklllkllknnk.",
    "..kkkkkkkkkkkkk.",
    "................",
    "................",
]

FLIP = [
    "................",
    "..k....rrrrrrrr.",
    ".kkk...rrrrrrr..",
    "kkkkk..rrrrrr...",
    "..k....rrrrr....",
    "..k....rrrr.....",
    "..k.............",
    "..k...g.g.g.g.g.",
    "..k.............",
    "..k....mmmm.....",
    "..k....mmmmm....",
    "kkkkk..mmmmmm...",
    ".kkk...mmmmmmm..",
    "..k....mmmmmmmm.",
    "................",
    "................",
]

MIRROR = [
    "................",
    "......r.g.m.....",
    ".....rr...mm....",
    "....rrr.g.mmm...",
    "...rrrr...mmmm..",
    "..rrrrr.g.mmmmm.",
    "..rrrrr...mmmmm.",
    "..rrrrr.g.mmmmm.",
    "................",
    "................",
    "....k.......k...",
    "...kk.......kk..",
    "..kkkkkkkkkkkkk.",
    "...kk.......kk..",
    "....k.......k...",
    "................",
]

PAINT_POT = [
    "...........kk...",
    "..........kook..",
    "...kk....kook...",
    "..kook..kook....",
    "...kook.kok.....",
    "....kookkk......",
    "..kkkkkkkkkkk...",
    ".krrrrrrrrrrrk..",
    ".kwrrrrrrrrrrk..",
    ".klwlllllllllk..",
    ".klwlllllllllk..",
    ".klwllllllllgk..",
    ".klwllllllllgk..",
    ".kgllllllllggk..",
    "..kkkkkkkkkkk...",
    "................",
]

INFO_GLYPH = [
    "................",
    "................",
    "................",
    ".......yy.......",
    ".......yy.......",
    "................",
    "......yyy.......",
    ".......yy.......",
    ".......yy.......",
    ".......yy.......",
    ".......yy.......",
    ".......yy.......",
    "......yyyy......",
    "................",
    "................",
    "................",
]


def rotate_picture():
    """Two arrows chasing each other clockwise around a circle."""
    cx = cy = 8.0
    inner, outer = 4.4, 6.4
    mid = (inner + outer) / 2
    ink = (0, 0, 128)

    def on_screen(theta, radius):
        return cx + radius * math.cos(theta), cy - radius * math.sin(theta)

    # Each arc runs clockwise (falling angle) from `start` to `end`, where
    # the arrow head sits.
    arcs = [(math.radians(175), math.radians(55)), (math.radians(355), math.radians(235))]

    def in_arc(theta, start, end):
        span = (start - theta) % (2 * math.pi)
        return span <= (start - end)

    heads = []
    for _, end in arcs:
        tip = on_screen(end - math.radians(38), mid)
        base_out = on_screen(end, outer + 1.6)
        base_in = on_screen(end, inner - 1.6)
        heads.append((tip, base_out, base_in))

    def in_triangle(p, a, b, c):
        def sign(p1, p2, p3):
            return (p1[0] - p3[0]) * (p2[1] - p3[1]) - (p2[0] - p3[0]) * (p1[1] - p3[1])

        d1, d2, d3 = sign(p, a, b), sign(p, b, c), sign(p, c, a)
        negative = d1 < 0 or d2 < 0 or d3 < 0
        positive = d1 > 0 or d2 > 0 or d3 > 0
        return not (negative and positive)

    def inside(x, y):
        r = math.hypot(x - cx, y - cy)
        theta = math.atan2(cy - y, x - cx) % (2 * math.pi)
        if inner <= r <= outer and any(in_arc(theta, s, e) for s, e in arcs):
            return True
        return any(in_triangle((x, y), *head) for head in heads)

    grid = blank_grid()
    for y in range(16):
        for x in range(16):
            if coverage(inside, x, y) >= 0.45:
                grid[y][x] = ink
    return grid


def info_picture():
    grid = blank_grid()
    for y in range(16):
        for x in range(16):
            r = math.hypot(x + 0.5 - 8, y + 0.5 - 8)
            if r <= 7.0:
                grid[y][x] = (0, 64, 208)
            elif r <= 7.9:
                grid[y][x] = (0, 0, 128)
    for y, line in enumerate(INFO_GLYPH):
        for x, c in enumerate(line):
            if c != ".":
                grid[y][x] = COLOURS[c]
    return grid


TOOLBAR = [
    ("new", from_art("new", NEW)),
    ("open", from_art("open", OPEN)),
    ("save", from_art("save", SAVE)),
    ("flip", from_art("flip", FLIP)),
    ("mirror", from_art("mirror", MIRROR)),
    ("rotate", rotate_picture()),
    ("paintpot", from_art("paintpot", PAINT_POT)),
    ("info", info_picture()),
]


# --- window icons -----------------------------------------------------------

def layered(size, layers, samples=6, unit=1.0):
    """layers: (inside(x, y) -> bool, (r, g, b)) from bottom to top; a pixel
    is `unit` of the shapes' coordinates wide."""
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            r = g = b = a = 0.0
            for inside, colour in layers:
                if unit != 1.0:
                    inside = (lambda shape: lambda px, py: shape(px * unit, py * unit))(inside)
                cov = coverage(inside, x, y, samples)
                if cov == 0:
                    continue
                # "over" compositing with premultiplied colour
                r = colour[0] * cov + r * (1 - cov)
                g = colour[1] * cov + g * (1 - cov)
                b = colour[2] * cov + b * (1 - cov)
                a = cov + a * (1 - cov)
            if a > 0:
                row.append((round(r / a), round(g / a), round(b / a), round(a * 255)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


# The wheel's parts on a 32 x 32 grid, shared by the pixel and SVG versions.
WHEEL_CENTRE = 16.0
WHEEL_TYRE = (15.6, (30, 30, 32))
WHEEL_LINE = (14.2, 14.6, (70, 70, 74))  # the tyre wall's line, a ring
WHEEL_DISCS = [(12.6, (150, 154, 160)), (11.4, (40, 42, 46))]  # rim lip, dark openings between spokes
WHEEL_SPOKE = (205, 210, 216)
WHEEL_HUB = [(4.6, (185, 190, 196)), (1.6, (90, 94, 100))]  # hub, centre cap
WHEEL_NUT = (0.9, 3.0, (60, 62, 66))  # radius, distance from the centre, colour


def spoke_half_width(r):
    return 1.3 + r * 0.12


def wheel_rim(size=32):
    """A car wheel seen from the side: tyre, rim lip, five spokes, hub, nuts."""
    c = WHEEL_CENTRE

    def ring(r0, r1):
        return lambda x, y: r0 <= math.hypot(x - c, y - c) <= r1

    def disc(r, ox=0.0, oy=0.0):
        return lambda x, y: math.hypot(x - c - ox, y - c - oy) <= r

    def spokes(x, y):
        dx, dy = x - c, y - c
        r = math.hypot(dx, dy)
        if r < 3 or r > 11.5:
            return False
        theta = math.atan2(dy, dx)
        for k in range(5):
            axis = -math.pi / 2 + k * 2 * math.pi / 5
            # distance from the spoke's centre line; spokes widen outwards
            off = abs(math.sin(theta - axis)) * r
            if math.cos(theta - axis) > 0 and off <= spoke_half_width(r):
                return True
        return False

    nuts = []
    for k in range(5):
        a = -math.pi / 2 + math.pi / 5 + k * 2 * math.pi / 5
        nuts.append(disc(WHEEL_NUT[0], WHEEL_NUT[1] * math.cos(a), WHEEL_NUT[1] * math.sin(a)))

    layers = (
        [(disc(WHEEL_TYRE[0]), WHEEL_TYRE[1]), (ring(WHEEL_LINE[0], WHEEL_LINE[1]), WHEEL_LINE[2])]
        + [(disc(r), colour) for r, colour in WHEEL_DISCS]
        + [(spokes, WHEEL_SPOKE)]
        + [(disc(r), colour) for r, colour in WHEEL_HUB]
        + [(n, WHEEL_NUT[2]) for n in nuts]
    )
    if size == 32:
        return layered(32, layers)
    # Fewer samples where pixels are small: the edges stay as smooth.
    return layered(size, layers, samples=max(2, round(6 * 32 / size)), unit=32 / size)


def wheel_svg():
    """The same wheel as shapes, for the scalable icon."""
    c = WHEEL_CENTRE

    def fill(colour):
        return "#%02x%02x%02x" % colour

    def circle(r, colour, cx=c, cy=c):
        return f'<circle cx="{cx:.3f}" cy="{cy:.3f}" r="{r}" fill="{fill(colour)}"/>'

    inner, outer, line = WHEEL_LINE
    shapes = [
        circle(*WHEEL_TYRE),
        f'<circle cx="{c}" cy="{c}" r="{(inner + outer) / 2:.1f}" fill="none" '
        f'stroke="{fill(line)}" stroke-width="{outer - inner:.1f}"/>',
    ] + [circle(r, colour) for r, colour in WHEEL_DISCS]
    for k in range(5):
        axis = -math.pi / 2 + k * 2 * math.pi / 5
        side = []
        for i in range(13):
            r = 3 + (11.5 - 3) * i / 12
            side.append((r, math.asin(min(1.0, spoke_half_width(r) / r))))
        points = [(r, axis + a) for r, a in side] + [(r, axis - a) for r, a in reversed(side)]
        path = " ".join(f"{c + r * math.cos(t):.3f},{c + r * math.sin(t):.3f}" for r, t in points)
        shapes.append(f'<polygon points="{path}" fill="{fill(WHEEL_SPOKE)}"/>')
    shapes += [circle(r, colour) for r, colour in WHEEL_HUB]
    radius, distance, colour = WHEEL_NUT
    for k in range(5):
        a = -math.pi / 2 + math.pi / 5 + k * 2 * math.pi / 5
        shapes.append(circle(radius, colour, c + distance * math.cos(a), c + distance * math.sin(a)))
    body = "\n  ".join(shapes)
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">\n'
            f"  {body}\n</svg>\n")


def rotate_dialog_icon():
    """A square turned a little, with a curved arrow sweeping round it."""
    c = 8.0

    def turned_square(x, y):
        a = math.radians(20)
        dx, dy = x - c, y - c
        u = dx * math.cos(a) + dy * math.sin(a)
        v = -dx * math.sin(a) + dy * math.cos(a)
        return abs(u) <= 3.2 and abs(v) <= 3.2

    def arc(x, y):
        r = math.hypot(x - c, y - c)
        theta = math.degrees(math.atan2(c - y, x - c)) % 360
        return 5.6 <= r <= 7.0 and 20 <= theta <= 250

    def head(x, y):
        # arrow head at the clockwise end (20 degrees), pointing downwards
        tip = (c + 6.3 * math.cos(math.radians(-25)), c - 6.3 * math.sin(math.radians(-25)))
        a = (c + 8.6 * math.cos(math.radians(20)), c - 8.6 * math.sin(math.radians(20)))
        b = (c + 4.0 * math.cos(math.radians(20)), c - 4.0 * math.sin(math.radians(20)))

        def sign(p1, p2, p3):
            return (p1[0] - p3[0]) * (p2[1] - p3[1]) - (p2[0] - p3[0]) * (p1[1] - p3[1])

        p = (x, y)
        d1, d2, d3 = sign(p, tip, a), sign(p, a, b), sign(p, b, tip)
        return not ((d1 < 0 or d2 < 0 or d3 < 0) and (d1 > 0 or d2 > 0 or d3 > 0))

    layers = [
        (turned_square, (230, 150, 30)),
        (lambda x, y: turned_square(x, y) and not turned_square_inset(x, y), (120, 70, 0)),
        (arc, (0, 90, 200)),
        (head, (0, 90, 200)),
    ]

    def turned_square_inset(x, y):
        a = math.radians(20)
        dx, dy = x - c, y - c
        u = dx * math.cos(a) + dy * math.sin(a)
        v = -dx * math.sin(a) + dy * math.cos(a)
        return abs(u) <= 2.4 and abs(v) <= 2.4

    return layered(16, layers)


def main():
    for name, grid in TOOLBAR:
        write_png(ROOT / "toolbar" / f"{name}.png", 16, 16, grid, alpha=False)
    write_png(ROOT / "icons" / "vellicor-texture-tool.png", 32, 32, wheel_rim(), alpha=True)
    hicolor = ROOT / "icons" / "hicolor"
    for size in (16, 22, 24, 48, 64, 128, 256):
        write_png(hicolor / f"{size}x{size}" / "vellicor-texture-tool.png", size, size, wheel_rim(size), alpha=True)
    (hicolor / "scalable").mkdir(parents=True, exist_ok=True)
    (hicolor / "scalable" / "vellicor-texture-tool.svg").write_text(wheel_svg())
    write_png(ROOT / "icons" / "rotate.png", 16, 16, rotate_dialog_icon(), alpha=True)


if __name__ == "__main__":
    main()
