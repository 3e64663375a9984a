#!/usr/bin/env bash
# Builds and runs the benchmark suite and writes the results table.
#
#   scripts/bench.sh [output.md] [extra benchmark arguments...]
#
# Default output: build-bench/bench-results.md (also printed). Pass for
# example --benchmark_filter=decode/ or --benchmark_min_time=0.1 to narrow
# or shorten the run, or --benchmark_repetitions=3 for medians on a busy
# machine. BUILD_DIR overrides the build folder.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-bench}
out=${1:-$build/bench-results.md}
shift || true

# Google Benchmark; stb_image and libpng as the baselines; python3 for the
# table; GNU time for the whole process's peak.
"$root/scripts/setup.sh" libbenchmark-dev libstb-dev libpng-dev python3 time

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVTT_BUILD_BENCH=ON -DVTT_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target vtt_bench vtt_open_peak

export QT_QPA_PLATFORM=offscreen
json=$build/bench-results.json
"$build/bench/vtt_bench" --benchmark_out="$json" --benchmark_out_format=json "$@" 2> >(grep -v -e XDG_RUNTIME_DIR -e propagateSizeHints >&2)
peak=$build/open-peak.txt
{
    "$build/bench/vtt_open_peak"
    /usr/bin/time -f "whole process, /usr/bin/time: maximum resident %M KiB" "$build/bench/vtt_open_peak" >/dev/null
} >"$peak" 2> >(grep -v -e XDG_RUNTIME_DIR -e propagateSizeHints >>"$peak")
sleep 0.2
python3 "$root/scripts/bench-table.py" "$json" "$peak" >"$out"
cat "$out"
