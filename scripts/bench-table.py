#!/usr/bin/env python3
"""Turns the benchmark suite's JSON output into the Markdown results table.

  bench-table.py results.json [peak-memory.txt] > table.md

Each benchmark is shown as a ratio to memcpy of the bytes it produces
(warm buffers: the machine's limit; and into a fresh block, which any
decoder returning a new image also pays) and, for Targa decodes, to
stb_image and Qt's TGA plugin decoding the same bytes.
"""
import json
import platform
import subprocess
import sys

data = json.load(open(sys.argv[1]))
# With --benchmark_repetitions the median of the repetitions stands for each
# benchmark; a single run stands for itself.
rows = {}
medians = {}
for b in data["benchmarks"]:
    name = b.get("run_name", b["name"]).removesuffix("/real_time").removesuffix("/process_time")
    if b.get("run_type", "iteration") == "aggregate":
        if b.get("aggregate_name") == "median":
            medians[name] = b
    elif b.get("error_occurred") or name not in rows:
        rows[name] = b
rows.update(medians)

def micros(b):
    if b.get("error_occurred"):
        return None
    # Rows registered without real time (the PNG ones) count CPU time.
    real = b.get("run_name", b["name"]).endswith("/real_time")
    t = b["real_time"] if real else b["cpu_time"]
    unit = b.get("time_unit", "ns")
    return t * {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[unit]

memcpy = {}
fresh = {}
for name, b in rows.items():
    group, _, size = name.partition("/")
    if group == "memcpy":
        memcpy[int(size)] = micros(b)
    elif group == "memcpy-fresh":
        fresh[int(size)] = micros(b)

def nearest(table, size):
    if not table:
        return None
    key = min(table, key=lambda k: abs(k - size))
    return table[key]

def ratio(a, b):
    if a is None or b is None or b == 0:
        return "—"
    return f"{a / b:.2f}"

# The goals: every decode, encode and operation within 2 x memcpy of what it
# produces (warm at 256 and 1024; into a new block at 4096, where the page
# faults of fresh memory dominate); the palette mip chain within 10 x memcpy;
# Targa decodes at most 0.8 x stb_image. The redraw keeps its own goal of
# 2 x a warm copy.
goal_groups = ("decode", "encode", "flip", "mirror", "switch", "redraw", "rotate")
FRESH_FROM = 4096
lines = [
    "| benchmark | side | time (µs) | output (MiB) | × memcpy | × memcpy into new block | × stb_image | × libpng | × Qt TGA | goal |",
    "|---|---|---:|---:|---:|---:|---:|---:|---:|---|",
]
misses = []
for name, b in rows.items():
    group, _, rest = name.partition("/")
    if group in ("memcpy", "memcpy-fresh", "stb", "qt", "open-baseline", "libpng-decode", "libpng-encode"):
        continue
    case, _, side = rest.rpartition("/")
    t = micros(b)
    if t is None:
        lines.append(f"| {group} {case} | {side} | not run: {b.get('error_message', '')} | | | | | | | |")
        continue
    out = b.get("bytes", 0)
    m = nearest(memcpy, out)
    f = nearest(fresh, out)
    stb = qt = None
    if group == "decode" and case.startswith("tga"):
        stb = micros(rows.get(f"stb/{case}/{side}", {"error_occurred": True}))
        qt = micros(rows.get(f"qt/{case}/{side}", {"error_occurred": True}))
    # PNG rows are judged against the reference PNG library on the same image:
    # decode within 0.8 x its time, encode within 1.0 x with a file at most
    # 5 % larger.
    png = case.startswith("png-") and group in ("decode", "encode")
    lib = micros(rows.get(f"libpng-{group}/{rest}", {"error_occurred": True})) if png else None
    verdict = "—"
    if png:
        limit = 0.8 if group == "decode" else 1.0
        why = [] if lib is not None and t <= limit * lib else [f"{ratio(t, lib)}× libpng"]
        if group == "encode":
            theirs = rows.get(f"libpng-encode/{rest}", {}).get("file")
            if not theirs or b.get("file", 0) > 1.05 * theirs:
                why.append(f"file {ratio(b.get('file', 0), theirs)}× libpng's")
        verdict = "met" if not why else "missed (" + ", ".join(why) + ")"
        if why:
            misses.append(f"{group} {case} {side}: " + ", ".join(why))
    if group == "open":
        # The whole command within 1.5 x reading the file plus a copy of the
        # image into a new block.
        base = micros(rows.get(f"open-baseline/{rest}", {"error_occurred": True}))
        ok = base is not None and t <= 1.5 * base
        verdict = "met" if ok else "missed"
        verdict += f" ({t / base:.2f}× reading + copy)" if base else ""
        if not ok:
            misses.append(f"open {case} {side}: {verdict}")
    if group == "paint":
        # A whole paint of a 1920 x 1080 picture area within 4 ms.
        ok = t <= 4000
        verdict = "met" if ok else f"missed ({t / 1000:.1f} ms)"
        if not ok:
            misses.append(f"paint {case}: {verdict}")
    if group in goal_groups and not png:
        fresh_base = group != "redraw" and side.isdigit() and int(side) >= FRESH_FROM
        base, base_name = (f, "memcpy into new block") if fresh_base else (m, "memcpy")
        limit = 10 if (group, case) == ("encode", "tex1-mips") else 2
        if group == "rotate":  # a transpose: 4 x a warm copy, 3 x a copy into a new block
            limit = 3 if fresh_base else 4
        if base is None:
            # A --benchmark_filter that left the baselines out: nothing to judge against.
            verdict = f"not judged (no {base_name} row)"
        else:
            ok = t <= limit * base
            why = [] if ok else [f"{t / base:.1f}× {base_name}"]
            if group == "decode" and case.startswith("tga") and stb is not None and t > 0.8 * stb:
                ok = False
                why.append(f"{t / stb:.2f}× stb_image")
            verdict = "met" if ok else "missed (" + ", ".join(why) + ")"
            if not ok:
                misses.append(f"{group} {case} {side}: " + ", ".join(why))
    lines.append(f"| {group} {case} | {side} | {t:,.1f} | {out / 2**20:.2f} | {ratio(t, m)} | {ratio(t, f)} | "
                 f"{ratio(t, stb)} | {ratio(t, lib)} | {ratio(t, qt)} | {verdict} |")

ctx = data.get("context", {})
try:
    model = next(l.split(":", 1)[1].strip() for l in subprocess.run(["lscpu"], capture_output=True, text=True)
                 .stdout.splitlines() if l.startswith("Model name"))
except Exception:
    model = platform.processor() or "unknown"
print(f"Machine: {model}, {ctx.get('num_cpus', '?')} CPUs at {ctx.get('mhz_per_cpu', '?')} MHz, "
      f"{platform.system()} {platform.release()}; run {ctx.get('date', '')}.")
print()
print("\n".join(lines))
print()
print("Baselines (µs): memcpy warm / into a new block, by bytes:")
print()
print("| bytes | memcpy | memcpy into new block |")
print("|---:|---:|---:|")
for size in sorted(memcpy):
    print(f"| {size:,} | {memcpy[size]:,.1f} | {fresh.get(size, 0):,.1f} |")
print()
print("stb_image and Qt decode times (µs), same bytes:")
print()
print("| file | side | stb_image | Qt TGA plugin |")
print("|---|---|---:|---:|")
for name, b in rows.items():
    group, _, rest = name.partition("/")
    if group != "stb":
        continue
    case, _, side = rest.rpartition("/")
    s = micros(b)
    q = micros(rows.get(f"qt/{case}/{side}", {"error_occurred": True}))
    print(f"| {case} | {side} | {'—' if s is None else f'{s:,.1f}'} | "
          f"{'does not read it' if q is None else f'{q:,.1f}'} |")
print()
print("PNG files written (bytes), this tool and libpng at the same level:")
print()
print("| image | side | this tool | libpng | ratio |")
print("|---|---|---:|---:|---:|")
for name, b in rows.items():
    group, _, rest = name.partition("/")
    if group != "encode" or not rest.startswith("png-"):
        continue
    case, _, side = rest.rpartition("/")
    theirs = rows.get(f"libpng-encode/{rest}", {}).get("file")
    print(f"| {case} | {side} | {b.get('file', 0):,.0f} | {theirs or 0:,.0f} | {ratio(b.get('file', 0), theirs)} |")
if len(sys.argv) > 2:
    print()
    print("Peak memory of File > Open, 4096 × 4096 type 18:")
    print()
    print("```")
    print(open(sys.argv[2]).read().strip())
    print("```")
if misses:
    print()
    print("Goals missed: " + "; ".join(misses) + ".")
