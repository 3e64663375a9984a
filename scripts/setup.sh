#!/usr/bin/env bash
# Installs the Debian packages the tool and its tests need. Safe to run again:
# it installs only what is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
    qt6-image-formats-plugins imagemagick   # independent TGA decoders for the interoperability tests
    python3-pil                 # another PNG and Targa reader for the colour mode tests
    xvfb xauth                  # a virtual display for the screenshot and headless runs
    fonts-urw-base35            # the narrow face that fits the header panel's labels and boxes
    libspng-dev                 # PNG reading and writing
    zlib1g-dev                  # the tests make large PNG files with it
    libfontconfig-dev           # start-up loads the font configuration on a thread of its own
    libimagequant-dev           # colour reduction to a palette (GPL-3.0-or-later)
    libstb-dev                  # stb_image_resize: scaling in linear light
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
