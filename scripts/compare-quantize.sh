#!/usr/bin/env bash
# Compares the tool's colour reduction (256 colours, no dither and
# Floyd-Steinberg) with ImageMagick's `convert -colors 256` (+dither and
# -dither FloydSteinberg) and with the `pngquant` command, on a set of
# generated test pictures, and prints a Markdown table.
#
#   scripts/compare-quantize.sh [RUNS]
#
# PSNR is computed over red, green, blue and alpha of every pixel, the colour
# weighted by alpha as ImageMagick's `compare` weighs it (a colour under
# alpha 0 is not seen, and a quantizer may change it), in the same way for
# every tool (each output read back as RGBA). Times are the
# median of RUNS (default 3) whole-process runs, reading the picture and
# writing the result: wall clock, and processor time (user + system, which
# counts every thread and is steadier on a busy machine). The tool is run as
# `vtt convert --mode indexed256` to a TEX type-1 file, whose palette keeps
# alpha (its palette PNG and Targa do not), read back here. Goals: PSNR at
# least ImageMagick's + 1 dB on every picture, time no more than pngquant's.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
runs=${1:-3}

"$root/scripts/setup.sh" python3-pil pngquant imagemagick
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVTT_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target vtt >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Debian's interpreter, where python3-pil is installed.
VTT="$build/src/vtt" WORK="$work" RUNS="$runs" /usr/bin/python3 - <<'PY'
import math, os, random, statistics, subprocess, time
from PIL import Image, ImageChops, ImageDraw, ImageFilter

work, vtt, runs = os.environ["WORK"], os.environ["VTT"], int(os.environ["RUNS"])
rnd = random.Random(7)

def photo(side):
    # Smooth gradients with soft coloured blobs and a little grain.
    img = Image.new("RGB", (side, side))
    px = img.load()
    for y in range(side):
        for x in range(side):
            u, v = x / side, y / side
            b = math.sin(u * 9.1 + math.cos(v * 5.3)) * math.cos(v * 7.7 - u * 2.1)
            g = rnd.uniform(-3, 3)
            px[x, y] = (int(max(0, min(255, 40 + 150 * u + 40 * b + g))),
                        int(max(0, min(255, 90 + 100 * v - 30 * b + g))),
                        int(max(0, min(255, 60 + 120 * (1 - u) * v + 50 * b + g))))
    return img.convert("RGBA")

def noise(side):
    return Image.frombytes("RGB", (side, side), rnd.randbytes(side * side * 3)).convert("RGBA")

def cutout(side):
    # A photo-like picture behind a soft-edged mask of leaves and a disc.
    img = photo(side)
    mask = Image.new("L", (side, side), 0)
    d = ImageDraw.Draw(mask)
    d.ellipse((side * 0.2, side * 0.2, side * 0.8, side * 0.8), fill=255)
    for _ in range(30):
        x, y = rnd.uniform(0, side), rnd.uniform(0, side)
        d.polygon([(x, y), (x + rnd.uniform(-80, 80), y + rnd.uniform(-80, 80)),
                   (x + rnd.uniform(-20, 20), y + rnd.uniform(-20, 20))], fill=255)
    img.putalpha(mask.filter(ImageFilter.GaussianBlur(2)))
    return img

def sprite(side):
    # 24 flat colours with hard edges, some half transparent.
    colours = [(rnd.randrange(256), rnd.randrange(256), rnd.randrange(256), rnd.choice((255, 255, 128))) for _ in range(24)]
    img = Image.new("RGBA", (side, side), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    for i in range(60):
        x, y, s = rnd.randrange(side), rnd.randrange(side), rnd.randrange(8, side // 4)
        d.rectangle((x, y, x + s, y + s // 2), fill=colours[i % 24])
    return img

pictures = [("photo 1024", photo(1024)), ("noise 512", noise(512)),
            ("alpha cut-out 1024", cutout(1024)), ("sprite 256 (24 colours)", sprite(256))]

def run(cmd):
    walls, cpus = [], []
    for _ in range(runs):
        start = time.perf_counter()
        p = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        _, status, usage = os.wait4(p.pid, 0)
        walls.append(time.perf_counter() - start)
        cpus.append(usage.ru_utime + usage.ru_stime)
        p.returncode = os.waitstatus_to_exitcode(status)
        err = p.stderr.read().decode()
        p.stderr.close()
        if p.returncode not in (0, 99):  # pngquant says 99 when it cannot reach its quality goal
            raise SystemExit(f"{cmd[0]} failed: {err}")
    return statistics.median(walls) * 1000, statistics.median(cpus) * 1000

def read_tex1(path, size):
    # Type 1: 14-byte header, 256 entries of blue, green, red, alpha, one index a pixel.
    data = open(path, "rb").read()
    pal = data[14:14 + 1024]
    n = size[0] * size[1]
    lut = [bytes((pal[4 * i + 2], pal[4 * i + 1], pal[4 * i], pal[4 * i + 3])) for i in range(256)]
    return Image.frombytes("RGBA", size, b"".join(lut[i] for i in data[1038:1038 + n]))

def weighted(img):
    # Red, green and blue weighted by alpha (what is seen), and alpha itself.
    r, g, b, a = img.split()
    return [ImageChops.multiply(c, a) for c in (r, g, b)] + [a]

def psnr(ref, got):
    # Squared differences counted from the histogram of |ref - got|, channel by channel.
    se = 0
    for x, y in zip(weighted(ref), weighted(got)):
        se += sum(n * i * i for i, n in enumerate(ImageChops.difference(x, y).histogram()))
    count = ref.size[0] * ref.size[1] * 4
    return math.inf if se == 0 else 10 * math.log10(255 * 255 * count / se)

print(f"| picture | tool | PSNR (dB) | wall (ms) | processor (ms) |")
print(f"|---|---|---:|---:|---:|")
verdicts = []
for name, img in pictures:
    src = os.path.join(work, "in.png")
    img.save(src)
    ref = Image.open(src).convert("RGBA")
    raw = os.path.join(work, "out.tex")
    png = os.path.join(work, "out.png")
    tools = [
        ("this tool, no dither", [vtt, "convert", "-f", "--mode", "indexed256", "-o", raw, src], raw),
        ("this tool, Floyd-Steinberg", [vtt, "convert", "-f", "--mode", "indexed256", "--dither", "fs", "-o", raw, src], raw),
        ("convert +dither -colors 256", ["convert", src, "+dither", "-colors", "256", png], png),
        ("convert -dither FloydSteinberg -colors 256", ["convert", src, "-dither", "FloydSteinberg", "-colors", "256", png], png),
        ("pngquant --nofs 256", ["pngquant", "--force", "--nofs", "--output", png, "256", src], png),
        ("pngquant 256 (dithered)", ["pngquant", "--force", "--output", png, "256", src], png),
    ]
    result = {}
    for label, cmd, out in tools:
        for f in (raw, png):
            if os.path.exists(f):
                os.remove(f)
        wall, cpu = run(cmd)
        if out == raw:
            got = read_tex1(raw, ref.size)
        else:
            got = Image.open(out).convert("RGBA")
        q = psnr(ref, got)
        result[label] = (q, wall, cpu)
        print(f"| {name} | {label} | {'exact' if math.isinf(q) else f'{q:.2f}'} | {wall:,.0f} | {cpu:,.0f} |", flush=True)
    for ours, im, pq in (("this tool, no dither", "convert +dither -colors 256", "pngquant --nofs 256"),
                         ("this tool, Floyd-Steinberg", "convert -dither FloydSteinberg -colors 256", "pngquant 256 (dithered)")):
        q, wall, cpu = result[ours]
        gain = q - result[im][0] if not math.isinf(q) else math.inf
        quality = math.isinf(q) or gain >= 1
        speed = cpu <= result[pq][2]
        verdicts.append(f"{name}, {ours[11:]}: {'+' if gain >= 0 else ''}{'exact' if math.isinf(gain) else f'{gain:.2f} dB'} "
                        f"against ImageMagick ({'met' if quality else 'missed'}), processor time "
                        f"{cpu / result[pq][2]:.2f} x pngquant's ({'met' if speed else 'missed'})")
print()
for v in verdicts:
    print("- " + v)
PY
