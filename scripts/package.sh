#!/usr/bin/env bash
# Builds the Debian package, build-package/vellicor-texture-tool_VERSION_amd64.deb,
# with Debian's hardening flags; its dependencies come from the binaries
# (dpkg-shlibdeps). Installs what is missing first.
#
#   scripts/package.sh            then: sudo apt install ./build-package/vellicor-texture-tool_*.deb
#
# Environment: BUILD_DIR (default build-package).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-package}
cd "$root"

"$root/scripts/setup.sh" dpkg-dev file

# The flags Debian builds its own packages with: fortified functions, stack
# protector, read-only relocations bound at start.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVTT_BUILD_TESTS=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j2 --target vtt vellicor-texture-tool
rm -f "$build"/*.deb
(cd "$build" && umask 022 && cpack -G DEB >/dev/null)
ls "$build"/vellicor-texture-tool_*.deb
