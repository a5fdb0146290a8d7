#!/usr/bin/env bash
# The Windows build and its tests: cross-builds the plain C++ libraries,
# lumetto-dump.exe and their tests with mingw-w64 into build-windows/
# (programs in build-windows/bin/) and runs them under Wine in a Wine prefix
# of its own, which is removed at the end with its wineserver:
#  - the codec, framing, option-parser and port-list tests, and the Win32
#    backend's test (output files, AVI and BMP writing, system error texts,
#    the COM port against a pseudo-terminal mapped as COM5);
#  - lumetto-dump.exe against the Linux lumetto-dump over every stream of
#    fuzz/corpus/frame_stream: the same lines and the same BMP files;
#  - lumetto-dump.exe --port COM5 receiving a stream sent into the mapped
#    pseudo-terminal, frame for frame.
# Every Wine run has a time limit, so a hung Wine ends the run with a failure.
# Run by ./test; on its own: scripts/test-windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)
stamp() { echo "== test-windows: $1 ($(($(date +%s) - started)) s)"; }

scripts/deps.sh windows
stamp "packages installed"

cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
    -DLUMETTO_QT=OFF -DLUMETTO_FFMPEG=OFF -DLUMETTO_WERROR=ON \
    -DLUMETTO_GTEST_SOURCE=/usr/src/googletest >/dev/null
cmake --build build-windows --parallel "$(nproc)"
# The Linux lumetto-dump the Windows one is held against.
linux_dump=${LUMETTO_LINUX_DUMP:-build-test/bin/lumetto-dump}
if [ ! -x "$linux_dump" ]; then
    cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUMETTO_SANITIZE=ON \
        -DLUMETTO_FUZZ=OFF -DLUMETTO_WERROR=ON >/dev/null
    cmake --build build-test --parallel "$(nproc)" --target lumetto-dump
fi
# Answers Wine's modem-line calls on a pseudo-terminal (see the file).
cc -shared -fPIC -O2 -o build-windows/wine-modem-lines.so tests/support/WineModemLines.c -ldl
stamp "built"

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
work=$(mktemp -d "${TMPDIR:-/tmp}/lumetto-wine.XXXXXX")
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
helpers=()
cleanup() {
    for pid in "${helpers[@]}"; do kill "$pid" 2>/dev/null || true; done
    timeout 30 "$wineserver" -k 2>/dev/null || true
    timeout 30 "$wineserver" -w 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
# Each Wine run: at most 120 s, then it counts as hung.
in_wine() { LD_PRELOAD=$PWD/build-windows/wine-modem-lines.so timeout -k 5 120 "$wine" "$@"; }

# The line: a pseudo-terminal that echoes, mapped as COM5 through Wine's
# registry key for serial ports (read when the prefix starts).
python3 tests/support/wine_pty_line.py echo >"$work/echo-line" &
helpers+=($!)
for _ in $(seq 100); do [ -s "$work/echo-line" ] && break; sleep 0.1; done
echo_pty=$(head -1 "$work/echo-line")
in_wine reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$echo_pty" /f >/dev/null
timeout 30 "$wineserver" -k || true
timeout 30 "$wineserver" -w || true
stamp "Wine prefix ready, COM5 is $echo_pty"

# A test program whose connection to the wineserver broke ("wine client
# error") has not failed: Wine has. The server is restarted and the program
# run once more; its own failures count at once.
wine_test() {
    local err=$work/wine-test-stderr status
    in_wine "$@" 2>"$err"
    status=$?
    cat "$err" >&2
    if [ "$status" -ne 0 ] && grep -q "wine client error" "$err"; then
        echo "(the wineserver went away under $1; running it again)" >&2
        timeout 30 "$wineserver" -k 2>/dev/null || true
        timeout 30 "$wineserver" -w 2>/dev/null || true
        in_wine "$@"
        status=$?
    fi
    return "$status"
}

export LUMETTO_TEST_COM=COM5
failed=0
for t in test_codec test_frame_receiver test_option_parser test_port_enumeration \
    test_win32_platform; do
    echo "== $t.exe under Wine"
    if ! wine_test "build-windows/bin/$t.exe" --gtest_brief=1; then
        echo "FAILED: $t.exe" >&2
        failed=1
    fi
done
stamp "tests run"

# lumetto-dump.exe and the Linux lumetto-dump over the same streams.
for stream in fuzz/corpus/frame_stream/*; do
    name=$(basename "$stream")
    mkdir -p "$work/linux/$name" "$work/windows/$name"
    "$linux_dump" --out "$work/linux/$name" "$stream" >"$work/linux/$name.txt" || true
    cp "$stream" "$work/$name.bin"
    in_wine build-windows/bin/lumetto-dump.exe --out "$work/windows/$name" "$work/$name.bin" \
        >"$work/windows/$name.txt" || true
    if ! diff -u "$work/linux/$name.txt" "$work/windows/$name.txt" ||
        ! diff -r "$work/linux/$name" "$work/windows/$name"; then
        echo "FAILED: lumetto-dump.exe differs from lumetto-dump on $stream" >&2
        failed=1
    fi
done
echo "== lumetto-dump.exe: the same lines and BMP files for $(ls fuzz/corpus/frame_stream | wc -l) streams"
stamp "lumetto-dump compared"

# A live capture: a stream sent into a second mapped pseudo-terminal.
stream=fuzz/corpus/frame_stream/phone-s60-12-headers-close
"$linux_dump" "$stream" >"$work/live-expected.txt" || true
python3 tests/support/wine_pty_line.py feed "$stream" "$work/live-stderr.txt" >"$work/feed-line" &
helpers+=($!)
for _ in $(seq 100); do [ -s "$work/feed-line" ] && break; sleep 0.1; done
in_wine reg add 'HKLM\Software\Wine\Ports' /v COM6 /d "$(head -1 "$work/feed-line")" /f >/dev/null
timeout 30 "$wineserver" -k || true
timeout 30 "$wineserver" -w || true
in_wine build-windows/bin/lumetto-dump.exe --port COM6 --time-limit 20 \
    >"$work/live.txt" 2>"$work/live-stderr.txt" || true
if ! diff -u "$work/live-expected.txt" "$work/live.txt"; then
    echo "FAILED: lumetto-dump.exe --port COM6 did not receive the stream frame for frame" >&2
    cat "$work/live-stderr.txt" >&2
    failed=1
else
    echo "== lumetto-dump.exe --port COM6: $(grep -c '^frame' "$work/live.txt") frames, as sent"
    [ -s "$work/live.txt" ] || failed=1
fi
stamp "done"
exit $failed
