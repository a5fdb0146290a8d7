#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks the installed tree: the
# programs, the skins, the menu entry, the icons and the manual pages are in
# place, the menu entry is valid, and the installed program finds the installed
# skins and a user's own skin.
# Usage: scripts/check-install.sh [BUILD_DIR]   (default: build-test)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-test}
work=$(mktemp -d "${TMPDIR:-/tmp}/lumetto-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

fail=0
expected=(bin/lumetto bin/lumetto-phone bin/lumetto-dump
    share/applications/lumetto.desktop
    share/man/man1/lumetto.1.gz share/man/man1/lumetto-phone.1.gz share/man/man1/lumetto-dump.1.gz)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/lumetto.png")
done
for f in res/skins/*/*; do
    expected+=("share/lumetto/skins/${f#res/skins/}")
done
for f in "${expected[@]}"; do
    if [ ! -s "$prefix/$f" ]; then
        echo "check-install: $f is missing from the installed tree" >&2
        fail=1
    fi
done
# A PNG file's width and height are big-endian 32-bit numbers at byte 16.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{print $3*256+$4 "x" $7*256+$8}'; }
for size in 16 48 256; do
    if [ "$(png_size "$prefix/share/icons/hicolor/${size}x${size}/apps/lumetto.png")" != \
        "${size}x${size}" ]; then
        echo "check-install: the ${size}x${size} icon is not a $size x $size PNG" >&2
        fail=1
    fi
done
desktop-file-validate "$prefix/share/applications/lumetto.desktop" || fail=1
# The video encoder module, loaded by the program when an MP4 movie starts.
if [ -z "$(find "$prefix" -path '*/lumetto/lumetto-encoder.so' -type f)" ]; then
    echo "check-install: lumetto-encoder.so is missing from the installed tree" >&2
    fail=1
fi

# The installed program: its skins come from <prefix>/share/lumetto/skins/, and
# a user's skin dropped into the user's folder follows them.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
lumetto=$prefix/bin/lumetto
# The installed program finds its installed module: an MP4 of the demo phone.
if ! out=$("$lumetto" --demo --no-window --record "$work/demo.mp4" --time-limit 2 2>&1) ||
    [ ! -s "$work/demo.mp4" ]; then
    echo "check-install: the installed program could not record an MP4 movie:" >&2
    echo "$out" >&2
    fail=1
fi
for f in "$prefix"/share/lumetto/skins/*/*.lumetto; do
    if ! out=$("$lumetto" --check-skin "$f"); then
        echo "check-install: the installed program leaves out $f:" >&2
        echo "$out" >&2
        fail=1
    fi
done
mkdir -p "$work/home/.local/share/lumetto/skins/S60"
cp res/skins/S60/Silver.bmp "$work/home/.local/share/lumetto/skins/S60/Mine.bmp"
printf 'My own phone\n0 28 62 204 270\n' >"$work/home/.local/share/lumetto/skins/S60/Mine.lumetto"
list=$(env -u XDG_DATA_HOME HOME="$work/home" "$lumetto" --list-skins)
want="S60 skins, read from $prefix/share/lumetto/skins/S60/ then $work/home/.local/share/lumetto/skins/S60/:
  1. $(head -n1 res/skins/S60/default.lumetto)  ($prefix/share/lumetto/skins/S60/default.bmp)
  2. $(head -n1 res/skins/S60/Silver.lumetto)  ($prefix/share/lumetto/skins/S60/Silver.bmp)
  3. My own phone  ($work/home/.local/share/lumetto/skins/S60/Mine.bmp)
  4. <Series60 frame>"
if [ "$(printf '%s\n' "$list" | head -n 5)" != "$want" ]; then
    echo "check-install: the installed program lists other S60 skins than expected:" >&2
    printf '%s\n' "$list" >&2
    fail=1
fi

if [ $fail -ne 0 ]; then
    echo "check-install: the installed tree is not right" >&2
    exit 1
fi
echo "check-install: ${#expected[@]} files in place, menu entry valid, skins found"
