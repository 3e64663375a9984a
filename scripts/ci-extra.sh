#!/usr/bin/env bash
# The checks CI runs besides the normal test suite:
#   1. the whole test suite built with AddressSanitizer + UndefinedBehaviorSanitizer;
#   2. a short run of every fuzz target (FUZZ_SECONDS each, default 60);
#   3. the benchmark suite built (so it keeps compiling) and the peak-memory
#      check of opening a 4096 x 4096 type-18 file;
#   4. the Debian package built and checked (scripts/check-package.sh).
# About 20 minutes on two cores. Installs what is missing first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/setup.sh clang libclang-rt-14-dev libbenchmark-dev libstb-dev libpng-dev python3 time \
    dpkg-dev file lintian desktop-file-utils appstream bash-completion

echo "== sanitized test suite"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVTT_SANITIZE=ON >/dev/null
cmake --build build-asan -j2
# Leak reports come from the platform libraries Qt loads, not from the tool.
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:strict_string_checks=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j2

echo "== fuzzing"
scripts/fuzz.sh "${FUZZ_SECONDS:-60}"

echo "== benchmarks build, peak memory of an open"
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVTT_BUILD_BENCH=ON -DVTT_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target vtt_bench vtt_open_peak
QT_QPA_PLATFORM=offscreen build-bench/bench/vtt_open_peak | tee build-bench/open-peak.txt
! grep -q OVER build-bench/open-peak.txt

echo "== Debian package"
scripts/check-package.sh
