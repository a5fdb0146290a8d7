#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, but only
# the ones that are missing, so a second call costs a few milliseconds.
# Usage: scripts/deps.sh [build|test|bench|package|screenshots|all]
set -euo pipefail

want=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev fonts-dejavu-core
    libavformat-dev libavcodec-dev libswscale-dev libavutil-dev)
case "${1:-build}" in
build) ;;
test | all | bench)
    want+=(libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev clang-format clang-tidy python3
        ffmpeg xvfb xauth imagemagick x11-apps desktop-file-utils)
    ;;
esac
# The instructions a frame costs are counted under valgrind (./bench).
case "${1:-build}" in
bench | all) want+=(valgrind) ;;
esac
case "${1:-build}" in
build | test | bench) ;;
package | all) want+=(dpkg-dev file desktop-file-utils lintian) ;;&
screenshots | all) want+=(xvfb xauth imagemagick x11-utils xdotool) ;;
package | screenshots | all) ;;
*)
    echo "usage: $0 [build|test|bench|package|screenshots|all]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${want[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=()
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null; then
        sudo=(sudo)
    else
        echo "Missing packages (${missing[*]}) and no root rights: install them as root." >&2
        exit 1
    fi
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
