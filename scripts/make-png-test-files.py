#!/usr/bin/python3
"""Writes the PNG test files in tests/data/png with two independent programs
(Pillow and ImageMagick's convert), and beside each NAME.png the pixels the
tool must show for it as NAME.rgba (width x height x 4 bytes, top row first).

The reference pixels come from the pattern below, not from decoding the
written file; each file's header is checked to hold the colour type, bit
depth and interlace it is named for. Run with Debian's python3-pil:
    /usr/bin/python3 scripts/make-png-test-files.py
"""
import os
import struct
import subprocess
import sys
import tempfile

from PIL import Image

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data", "png")
W, H = 9, 5  # odd width: sub-byte rows end mid-byte; interlaced files are 9 x 9
COLOUR_TYPES = {"grey": 0, "rgb": 2, "palette": 3, "greyalpha": 4, "rgba": 6}


def level(x, y, channel, maximum):
    """A spread of sample values from 0 to maximum, different per channel."""
    return ((x * 7 + y * 13 + channel * 5) * 2654435761 >> 7) % (maximum + 1)


def to8(v16):
    return (v16 * 255 + 32767) // 65535


def header_of(path):
    data = open(path, "rb").read()
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", data[16:29])
    return colour, depth, interlace, data


def check(name, colour_type, depth, interlace):
    colour, d, i, _ = header_of(os.path.join(OUT, name + ".png"))
    if (colour, d, i) != (COLOUR_TYPES[colour_type], depth, interlace):
        sys.exit(f"{name}: written as colour type {colour}, depth {d}, interlace {i}")


def write_expected(name, rgba):
    with open(os.path.join(OUT, name + ".rgba"), "wb") as f:
        f.write(bytes(v for px in rgba for v in px))


def magick(name, raw_kind, depth_in, raw, w, h, colour_type, depth, interlace=False, extra=()):
    with tempfile.NamedTemporaryFile(suffix=".raw") as f:
        f.write(raw)
        f.flush()
        args = ["convert", "-endian", "MSB", "-size", f"{w}x{h}", "-depth", str(depth_in), f"{raw_kind}:{f.name}",
                "-define", f"png:color-type={COLOUR_TYPES[colour_type]}", "-define", f"png:bit-depth={depth}",
                "-define", "png:exclude-chunks=date,time", *extra]
        if interlace:
            args += ["-interlace", "PNG"]
        subprocess.run(args + [os.path.join(OUT, name + ".png")], check=True)
    check(name, colour_type, depth, 1 if interlace else 0)


def grey_files():
    for depth, program in ((1, "pil"), (2, "magick"), (4, "magick"), (8, "pil"), (16, "pil")):
        name = f"grey{depth}-{program}"
        top = (1 << depth) - 1
        values = [[level(x, y, 0, top) for x in range(W)] for y in range(H)]
        if depth == 16:
            expected = [(to8(v), to8(v), to8(v), 255) for row in values for v in row]
        else:
            scale = 255 // top
            expected = [(v * scale,) * 3 + (255,) for row in values for v in row]
        if program == "pil":
            mode = {1: "1", 8: "L", 16: "I;16"}[depth]
            image = Image.new(mode, (W, H))
            image.putdata([v * 255 if depth == 1 else v for row in values for v in row])
            image.save(os.path.join(OUT, name + ".png"))
            check(name, "grey", depth, 0)
        else:
            raw = bytes(v * (255 // top) for row in values for v in row)
            magick(name, "gray", 8, raw, W, H, "grey", depth)
        write_expected(name, expected)


def sixteen_bit_files():
    for kind, channels, colour_type in (("rgb16", 3, "rgb"), ("rgba16", 4, "rgba"), ("greyalpha16", 2, "greyalpha")):
        name = f"{kind}-magick"
        samples = [[level(x, y, c, 65535) for c in range(channels)] for y in range(H) for x in range(W)]
        # Grey + alpha goes in as RGBA with equal colour samples.
        wide = [px if channels > 2 else [px[0], px[0], px[0], px[1]] for px in samples]
        raw = b"".join(struct.pack(">" + "H" * len(px), *px) for px in wide)
        raw_kind = {3: "rgb", 4: "rgba", 2: "rgba"}[channels]
        magick(name, raw_kind, 16, raw, W, H, colour_type, 16)
        expected = []
        for px in samples:
            v = [to8(s) for s in px]
            expected.append((v[0], v[0], v[0], v[1]) if channels == 2 else tuple(v) + (() if channels == 4 else (255,)))
        write_expected(name, expected)


def eight_bit_pil_files():
    for kind, mode, colour_type in (("rgb8", "RGB", "rgb"), ("rgba8", "RGBA", "rgba"), ("greyalpha8", "LA", "greyalpha")):
        name = f"{kind}-pil"
        channels = len(mode)
        samples = [tuple(level(x, y, c, 255) for c in range(channels)) for y in range(H) for x in range(W)]
        image = Image.new(mode, (W, H))
        image.putdata(samples)
        image.save(os.path.join(OUT, name + ".png"))
        check(name, colour_type, 8, 0)
        if channels == 2:
            expected = [(s[0], s[0], s[0], s[1]) for s in samples]
        else:
            expected = [s if channels == 4 else s + (255,) for s in samples]
        write_expected(name, expected)


def palette_of(entries):
    return [tuple(level(i, 3, c, 255) for c in range(3)) for i in range(entries)]


def palette_files():
    # Pillow: 1, 2, 4 and 8 bits, the 8-bit one with tRNS.
    for depth in (1, 2, 4, 8):
        name = f"palette{depth}-pil" + ("-trns" if depth == 8 else "")
        entries = min(1 << depth, 200)
        colours = palette_of(entries)
        indices = [level(x, y, 1, entries - 1) for y in range(H) for x in range(W)]
        image = Image.new("P", (W, H))
        image.putpalette([v for c in colours for v in c])
        image.putdata(indices)
        options = {"bits": depth} if depth < 8 else {}
        alphas = []
        if depth == 8:
            alphas = [level(i, 9, 2, 255) for i in range(40)]  # a tRNS shorter than the palette
            options["transparency"] = bytes(alphas)
        image.save(os.path.join(OUT, name + ".png"), optimize=False, **options)
        check(name, "palette", depth, 0)
        alpha = lambda i: alphas[i] if i < len(alphas) else 255
        write_expected(name, [colours[i] + (alpha(i),) for i in indices])


def interlaced_and_trns_files():
    w = h = 9
    # RGBA 8 and grey 16, interlaced, by ImageMagick.
    samples = [[level(x, y, c, 255) for c in range(4)] for y in range(h) for x in range(w)]
    magick("rgba8-interlaced-magick", "rgba", 8, bytes(v for px in samples for v in px), w, h, "rgba", 8, True)
    write_expected("rgba8-interlaced-magick", [tuple(px) for px in samples])
    greys = [level(x, y, 0, 65535) for y in range(h) for x in range(w)]
    magick("grey16-interlaced-magick", "gray", 16, b"".join(struct.pack(">H", v) for v in greys), w, h, "grey", 16,
           True)
    write_expected("grey16-interlaced-magick", [(to8(v),) * 3 + (255,) for v in greys])
    # A 2-bit palette, interlaced, by ImageMagick from 4 colours.
    colours = [(255, 0, 0), (0, 128, 255), (20, 200, 40), (250, 250, 10)]
    indices = [(x * 3 + y * 5 + x * y) % 3 for y in range(h) for x in range(w)]
    magick("palette2-interlaced-magick", "rgb", 8, bytes(v for i in indices for v in colours[i]), w, h, "palette", 2,
           True)
    # ImageMagick orders the palette as it likes; the pixels' colours are what count.
    write_expected("palette2-interlaced-magick", [colours[i] + (255,) for i in indices])
    # 4-bit grey, interlaced, by ImageMagick.
    greys = [(x * 3 + y * 7 + x * y) % 16 for y in range(h) for x in range(w)]
    magick("grey4-interlaced-magick", "gray", 8, bytes(v * 17 for v in greys), w, h, "grey", 4, True)
    write_expected("grey4-interlaced-magick", [(v * 17,) * 3 + (255,) for v in greys])
    # tRNS on grey and RGB, by Pillow: exactly one sample value is transparent.
    values = [level(x, y, 0, 255) for y in range(H) for x in range(W)]
    transparent = values[3]
    image = Image.new("L", (W, H))
    image.putdata(values)
    image.save(os.path.join(OUT, "grey8-pil-trns.png"), transparency=transparent)
    check("grey8-pil-trns", "grey", 8, 0)
    write_expected("grey8-pil-trns", [(v, v, v, 0 if v == transparent else 255) for v in values])
    rgb = [tuple(level(x, y, c, 3) * 85 for c in range(3)) for y in range(H) for x in range(W)]
    image = Image.new("RGB", (W, H))
    image.putdata(rgb)
    image.save(os.path.join(OUT, "rgb8-pil-trns.png"), transparency=rgb[2])
    check("rgb8-pil-trns", "rgb", 8, 0)
    write_expected("rgb8-pil-trns", [px + (0 if px == rgb[2] else 255,) for px in rgb])


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    grey_files()
    sixteen_bit_files()
    eight_bit_pil_files()
    palette_files()
    interlaced_and_trns_files()
    # Every file decodes in Pillow to the reference pixels (ImageMagick's too).
    for name in sorted(n[:-4] for n in os.listdir(OUT) if n.endswith(".png")):
        expected = open(os.path.join(OUT, name + ".rgba"), "rb").read()
        image = Image.open(os.path.join(OUT, name + ".png"))
        if image.mode in ("I;16", "I"):
            continue  # Pillow keeps 16-bit grey as numbers, not levels
        got = image.convert("RGBA").tobytes()
        if got != expected:
            # Pillow drops 16-bit precision with a plain shift; allow one level.
            if any(abs(a - b) > 1 for a, b in zip(got, expected)) or len(got) != len(expected):
                sys.exit(f"{name}: Pillow reads other pixels than the reference")
    print("wrote", len([n for n in os.listdir(OUT) if n.endswith(".png")]), "files to", os.path.normpath(OUT))
