#!/usr/bin/env bash
# Time from starting the tool on a file to its picture on screen, against a
# small, fast image viewer (feh) on the same file, as a new user would start
# either from a file manager. Run by hand, not by CI.
#
#   scripts/bench-startup.sh [RUNS] [SIDES...]     default: 5 runs, 1024 4096
#
# One virtual X server with a window manager; the tool and the viewer are
# started in turn on the same 32-bit top-left Targa of one colour, and the
# screen is polled every 2 ms until a 16 x 16 block of that colour shows.
# Prints every time, the medians and the ratio tool / viewer per side.
# Environment: BUILD_DIR (default build-startup, a Release build),
# DISPLAY_NUMBER (default 99), TOOL (a tool binary to time instead).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
shift || true
sides=("$@")
[ ${#sides[@]} -gt 0 ] || sides=(1024 4096)
build=${BUILD_DIR:-$root/build-startup}
display=:${DISPLAY_NUMBER:-99}

"$root/scripts/setup.sh" feh openbox x11-utils libx11-dev libxext-dev python3

if [ -z "${TOOL:-}" ]; then
    [ -f "$build/build.ninja" ] ||
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVTT_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build" -j2 --target vellicor-texture-tool >/dev/null
    TOOL=$build/src/vellicor-texture-tool
fi
mkdir -p "$build"
probe=$build/startup-probe
g++ -O2 -std=c++20 "$root/scripts/startup/probe.cpp" -lX11 -lXext -o "$probe"

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# The picture's colour: R 12, G C4, B 7A, opaque; nothing else on screen has it.
colour=12C47A
for side in "${sides[@]}"; do
    python3 - "$work/start-$side.tga" "$side" <<'PY'
import struct, sys
path, side = sys.argv[1], int(sys.argv[2])
header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, side, side, 32, 0x28)
with open(path, "wb") as f:
    f.write(header + bytes((0x7A, 0xC4, 0x12, 0xFF)) * (side * side))
PY
done

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break || sleep 0.05; done
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1
# The tool's settings go to a folder of this run, not the user's.
export XDG_CONFIG_HOME=$work/config

# One start: prints milliseconds to the colour, then waits until it is gone.
timed() {
    local ms
    ms=$("$probe" "$colour" 20000 "$@" 2>/dev/null) || { echo "timed out: $*" >&2; exit 1; }
    "$probe" --gone "$colour" 5000 >/dev/null || true
    echo "$ms"
}

machine="$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(nproc) CPUs, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "$(date -u +%FT%TZ), $machine"
table=""
for side in "${sides[@]}"; do
    file=$work/start-$side.tga
    # One start of each first, unmeasured, so both find their files and
    # libraries in the page cache.
    timed feh "$file" >/dev/null
    timed "$TOOL" "$file" >/dev/null
    viewer=() tool=()
    for _ in $(seq "$runs"); do
        viewer+=("$(timed feh "$file")")
        tool+=("$(timed "$TOOL" "$file")")
    done
    echo "$side x $side: viewer ${viewer[*]}; tool ${tool[*]}" >&2
    table+=$(python3 - "$side" "${viewer[*]}" "${tool[*]}" <<'PY'
import statistics, sys
side, viewer, tool = sys.argv[1], [float(v) for v in sys.argv[2].split()], [float(v) for v in sys.argv[3].split()]
v, t = statistics.median(viewer), statistics.median(tool)
print(f"| {side} x {side} | {v:.0f} | {t:.0f} | {t / v:.2f} |")
PY
)$'\n'
done
echo "| side | viewer (ms) | tool (ms) | tool / viewer |"
echo "|---|---:|---:|---:|"
printf '%s' "$table"
echo "(medians of $runs starts each)"
