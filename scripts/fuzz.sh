#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a given time.
#
#   scripts/fuzz.sh [seconds-per-target] [target...]
#
# Every target starts from fuzz/seeds, tests/data and the kept regression
# inputs, and grows its own corpus in fuzz/corpus-work/<target> (not kept in
# git). A crashing input is written to fuzz/corpus-work/artifacts/<target>/;
# copy it into tests/data/fuzz-regressions/ and fix the reader.
# Environment: BUILD_DIR (default build-fuzz), FUZZ_JOBS (parallel workers
# per target, default 1), FUZZ_MAX_LEN (default 1048576).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build=${BUILD_DIR:-$root/build-fuzz}
jobs=${FUZZ_JOBS:-1}
max_len=${FUZZ_MAX_LEN:-1048576}

# libFuzzer comes with clang and its runtime libraries.
"$root/scripts/setup.sh" clang libclang-rt-14-dev

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVTT_BUILD_FUZZ=ON -DVTT_BUILD_TESTS=OFF >/dev/null
fi

if [ $# -gt 0 ]; then
    targets=("$@")
else
    mapfile -t targets < <(cd "$root/fuzz" && ls fuzz_*.cpp | sed 's/\.cpp$//')
fi
cmake --build "$build" -j2 --target "${targets[@]}"

seed_dirs=("$root/fuzz/seeds")
[ -d "$root/tests/data" ] && seed_dirs+=("$root/tests/data")

failed=0
summary=()
for target in "${targets[@]}"; do
    corpus=$root/fuzz/corpus-work/$target
    artifacts=$root/fuzz/corpus-work/artifacts/$target
    mkdir -p "$corpus" "$artifacts"
    log=$root/fuzz/corpus-work/$target.log
    echo "== $target: ${seconds}s"
    parallel=()
    [ "$jobs" -gt 1 ] && parallel=(-jobs="$jobs" -workers="$jobs")
    set +e
    # Workers (with FUZZ_JOBS > 1) write fuzz-<n>.log into the current folder.
    (cd "$artifacts" && rm -f fuzz-*.log &&
        "$build/fuzz/$target" -max_total_time="$seconds" -max_len="$max_len" -timeout=20 -rss_limit_mb=2560 \
            -print_final_stats=1 -artifact_prefix="$artifacts/" "${parallel[@]}" \
            "$corpus" "${seed_dirs[@]}" >"$log" 2>&1)
    status=$?
    set -e
    stats=$(cat "$log" "$artifacts"/fuzz-*.log 2>/dev/null | grep -E '^stat::number_of_executed_units' \
        | awk '{s += $2} END {print s + 0}' || true)
    if [ $status -ne 0 ]; then
        failed=1
        summary+=("$target: FAILED after $stats executions (exit $status), see $log and $artifacts")
        grep -E 'ERROR|SUMMARY|invariant|#[0-9]+ ' "$log" | head -20 || true
    else
        summary+=("$target: $stats executions in ${seconds}s, corpus $(ls "$corpus" | wc -l) inputs")
    fi
done

printf '%s\n' "${summary[@]}"
exit $failed
