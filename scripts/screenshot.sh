#!/usr/bin/env bash
# Writes docs/screenshot.png: the main window with a sample texture loaded,
# shown under a virtual X server (Debian's xvfb, installed when missing).
#
#   scripts/screenshot.sh [out.png]
#
# Environment: BUILD_DIR (default build-screenshot).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-screenshot}
out=${1:-$root/docs/screenshot.png}
sample=$root/tests/data/sample-tiles.tex

# xvfb is in the set scripts/setup.sh installs; python3 draws a missing sample.
"$root/scripts/setup.sh" python3

# The helper is an extra target of an ordinary build of the tool.
cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_PROJECT_VellicorTextureTool_INCLUDE="$root/scripts/screenshot/helper.cmake" >/dev/null
cmake --build "$build" -j2 --target vtt-screenshot

[ -f "$sample" ] || python3 "$root/scripts/make-sample-texture.py"
mkdir -p "$(dirname "$out")"
xvfb-run -a -s "-screen 0 1024x768x24" env QT_QPA_PLATFORM=xcb "$build/vtt-screenshot" "$sample" "$out"
echo "Wrote $out"
