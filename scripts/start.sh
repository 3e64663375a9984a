#!/usr/bin/env bash
# Installs what is missing, builds, and starts the tool.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No graphical display was found (DISPLAY is not set)."
    echo "To run the tool under a virtual X server (Debian's xvfb, installed by this script):"
    echo "    xvfb-run -a build/src/vellicor-texture-tool"
    exit 2
fi
exec build/src/vellicor-texture-tool
