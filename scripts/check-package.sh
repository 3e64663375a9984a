#!/usr/bin/env bash
# Builds the Debian package and checks it as CI does: no lintian error, the
# desktop entry and the AppStream metainfo valid, and both programs, run from
# the unpacked package, answering --version; vtt also converts a texture and
# its bash completion offers the --to formats. Installs what is missing first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh dpkg-dev file lintian desktop-file-utils appstream bash-completion

BUILD_DIR=$root/build-package scripts/package.sh
deb=$(ls build-package/vellicor-texture-tool_*.deb)
version=$(dpkg-deb -f "$deb" Version)

echo "== lintian"
# Warnings left are explained in the README; an error fails the check.
lintian --fail-on error --display-info "$deb" 2> >(grep -v "running with root privileges" >&2)

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
share=$unpacked/usr/share

echo "== desktop entry and metainfo"
desktop-file-validate "$share/applications/vellicor-texture-tool.desktop"
appstreamcli validate --no-net "$share"/metainfo/*.metainfo.xml

echo "== the unpacked programs"
expect() { # what, expected, actual
    [ "$2" = "$3" ] || { echo "$1: expected \"$2\", got \"$3\"" >&2; exit 1; }
}
expect "vtt --version" "vtt $version" "$("$unpacked/usr/bin/vtt" --version)"
# The window program answers without a display.
expect "vellicor-texture-tool --version" "vellicor-texture-tool $version" \
    "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$unpacked/usr/bin/vellicor-texture-tool" --version)"
"$unpacked/usr/bin/vtt" convert -o "$unpacked/sample.png" tests/data/sample-tiles.tex
expect "the converted file's signature" "89504e470d0a1a0a" "$(head -c 8 "$unpacked/sample.png" | od -An -tx1 | tr -d ' \n')"
"$unpacked/usr/bin/vtt" info --json "$unpacked/sample.png" | grep -q '"format":"png","width":128,"height":128,"depth":32' ||
    { echo "the converted file is no 128 x 128 RGBA PNG" >&2; exit 1; }

echo "== bash completion"
completions=$(bash -c 'source /usr/share/bash-completion/bash_completion && source "$1" &&
    COMP_WORDS=(vtt convert --to "") COMP_CWORD=3 && _vtt vtt "" --to && echo "${COMPREPLY[*]}"' - \
    "$share/bash-completion/completions/vtt")
expect "completion of vtt convert --to" "tex tga png" "$completions"

echo "package $deb: $(du -k "$deb" | cut -f1) KiB, $(dpkg-deb -c "$deb" | grep -vc '/$') files"
