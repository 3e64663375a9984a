#!/usr/bin/env bash
# Times `vtt convert` on many files against copying them with the same
# durability (cp, then one sync of their file system) and against
# ImageMagick's mogrify, and prints a Markdown table.
#
#   scripts/bench-cli.sh [FILES] [REPEATS]     (default 200 files, 3 repeats)
#
# Inputs are FILES Targa images of 512 x 512 at 32 bits, made in a temporary
# folder (removed at the end). Each step runs REPEATS times; the table gives
# medians. Every timed step starts with the page cache holding the inputs
# and no dirty data left from the step before.
set -euo pipefail
cd "$(dirname "$0")/.."
files=${1:-200}
repeats=${2:-3}

# ImageMagick (in the base set) for mogrify, python3 for the inputs.
scripts/setup.sh python3
vtt=build/src/vtt
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target vtt >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/vtt-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/tga"

python3 - "$work/tga" "$files" <<'EOF'
import struct, sys
folder, count = sys.argv[1], int(sys.argv[2])
side = 512
row = bytes((x * 7 + (x >> 3)) & 0xFF for x in range(side * 4))
for n in range(count):
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, side, side, 32, 8)
    body = b"".join(row[(y + n) % 64:] + row[:(y + n) % 64] for y in range(side))
    with open(f"{folder}/tex{n:04d}.tga", "wb") as f:
        f.write(header + body)
EOF
mb=$(du -sm "$work/tga" | cut -f1)

# Seconds taken by "$@", after a sync and with the inputs read once.
timed() {
    cat "$work"/tga/* >/dev/null
    sync
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    calc "$end - $start"
}

calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

run() { # name, output folder, command...
    local name=$1 out=$2
    shift 2
    local times=()
    for _ in $(seq "$repeats"); do
        rm -rf "$out" && mkdir -p "$out" && sync
        times+=("$(timed "$@")")
    done
    printf '%s\n' "${times[@]}" | median >"$work/$name.time"
}

copy_and_sync() { cp "$work"/tga/* "$work/copy/" && sync -f "$work/copy"; }
copy_only() { cp "$work"/tga/* "$work/copy/"; }
to_tex() { "$vtt" convert --to tex --out-dir "$work/tex" "$work"/tga/*; }
back_to_tga() { "$vtt" convert --to tga --out-dir "$work/back" "$work"/tex-kept/*; }
mogrify_tga() { mogrify -path "$work/mog" -format tga "$work"/tga/*; }

run copy "$work/copy" copy_only
run copy_sync "$work/copy" copy_and_sync
run to_tex "$work/tex" to_tex
rm -rf "$work/tex-kept" && "$vtt" convert --to tex --out-dir "$work/tex-kept" "$work"/tga/*
run back "$work/back" back_to_tga
run mogrify "$work/mog" mogrify_tga

t() { cat "$work/$1.time"; }
ms() { printf '%.0f' "$(calc "$(t "$1") * 1000")"; }
per_file() { printf '%.2f' "$(calc "$(t "$1") * 1000 / $files")"; }
rate() { printf '%.0f' "$(calc "$mb / $(t "$1")")"; }
ratio() { printf '%.2f' "$(calc "$(t "$1") / $(t "$2")")"; }

cat <<EOF
$files Targa files of 512 x 512 at 32 bits ($mb MiB), medians of $repeats runs, $(date -u +%Y-%m-%dT%H:%M:%SZ).
Machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) CPUs, Linux $(uname -r); file system $(df -T "$work" | awk 'NR == 2 { print $2 }').

| step | total (ms) | per file (ms) | MiB/s | × cp + sync | mogrify ÷ step |
|---|---:|---:|---:|---:|---:|
| cp | $(ms copy) | $(per_file copy) | $(rate copy) | $(ratio copy copy_sync) | $(ratio mogrify copy) |
| cp + one sync | $(ms copy_sync) | $(per_file copy_sync) | $(rate copy_sync) | 1.00 | $(ratio mogrify copy_sync) |
| vtt convert --to tex | $(ms to_tex) | $(per_file to_tex) | $(rate to_tex) | $(ratio to_tex copy_sync) | $(ratio mogrify to_tex) |
| vtt convert --to tga (from the TEX files) | $(ms back) | $(per_file back) | $(rate back) | $(ratio back copy_sync) | $(ratio mogrify back) |
| mogrify -format tga | $(ms mogrify) | $(per_file mogrify) | $(rate mogrify) | $(ratio mogrify copy_sync) | 1.00 |
EOF
