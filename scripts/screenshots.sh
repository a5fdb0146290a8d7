#!/usr/bin/env bash
# Takes the README's screenshots of the real window under Xvfb and writes them
# into docs/images/. Builds the program (Release, build/) first, as ./run does,
# unless a build folder with bin/lumetto is given.
# Usage: scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
if [ -z "${LUMETTO_SHOTS_INNER:-}" ]; then
    scripts/deps.sh screenshots
    build=${1:-}
    if [ -z "$build" ]; then
        build=build
        cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMETTO_TESTS=OFF >/dev/null
        cmake --build build --parallel "$(nproc)" --target lumetto lumetto-phone lumetto_skins
    fi
    mkdir -p docs/images
    # A fixed screen, a fixed font set-up and no window manager: the pictures
    # come out the same on every machine.
    LUMETTO_SHOTS_INNER=window LUMETTO_SHOTS_BUILD=$(realpath "$build") \
        xvfb-run -a -s "-screen 0 1024x1100x24" "$0"
    # Presentation mode covers a whole screen of the common size.
    LUMETTO_SHOTS_INNER=presentation LUMETTO_SHOTS_BUILD=$(realpath "$build") \
        exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0"
fi

bin=$LUMETTO_SHOTS_BUILD/bin
out=$root/docs/images
export QT_QPA_PLATFORM=xcb
export ASAN_OPTIONS=detect_leaks=0
# User skins and remembered choices of whoever runs this stay out of the
# pictures.
export XDG_DATA_HOME=$(mktemp -d)
export XDG_CONFIG_HOME=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
}
trap cleanup EXIT
# A light desktop behind the menus instead of black.
convert -size 1024x1100 xc:'#e8ebf0' "$XDG_DATA_HOME/desktop.png"
display -window root "$XDG_DATA_HOME/desktop.png" || true # sets the root window; reports 1

# Presentation mode: the demo phone x2 on a 1920 x 1080 screen.
if [ "$LUMETTO_SHOTS_INNER" = presentation ]; then
    "$bin/lumetto" --demo --fullscreen & pid=$!; pids+=($pid)
    xdotool search --sync --onlyvisible --name "Lumetto" >/dev/null
    sleep 3 # the simulated phone's first pictures
    import -window root "$out/presentation.png"
    echo "wrote docs/images/presentation.png"
    exit 0
fi

# Waits for a window whose name matches $1 and prints its id.
window() { xdotool search --sync --onlyvisible --name "$1" | head -n1; }
# Saves window $1 as docs/images/$2.
shot() { import -window "$1" "$out/$2"; echo "wrote docs/images/$2"; }
# Saves the part of the screen from window $1's top left, $3 x $4 pixels
# (menus are windows of their own), as docs/images/$2.
shot_area() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    import -window root -crop "${3}x${4}+${X}+${Y}" +repage "$out/$2"
    echo "wrote docs/images/$2"
}
stop() { kill "$1" 2>/dev/null || true; wait "$1" 2>/dev/null || true; }

# 1. The demo: the built-in phone simulator's home screen inside the S60 skin.
"$bin/lumetto" --demo & pid=$!; pids+=($pid)
w=$(window "Lumetto")
sleep 3 # the simulated phone's first pictures
shot "$w" main-window.png

# 2. The View menu's skin list, with a user's own skin: the README's worked
#    example, made in the (temporary) user skin folder.
stop $pid
skins=$XDG_DATA_HOME/lumetto/skins/S60
mkdir -p "$skins"
convert -size 236x300 xc:'#2f5fb3' -fill '#101418' -draw 'roundrectangle 22,22 213,245 6,6' \
    -fill white -draw 'rectangle 30,30 205,237' -type TrueColor "BMP3:$skins/Blue.bmp"
printf 'Blue phone\n0 30 30 206 238\n' >"$skins/Blue.lumetto"
"$bin/lumetto" --check-skin "$skins/Blue.lumetto" >/dev/null
"$bin/lumetto" --demo & pid=$!; pids+=($pid)
w=$(window "Lumetto")
sleep 3
# The desktop again, light where the last window was.
display -window root "$XDG_DATA_HOME/desktop.png" || true
xdotool mousemove --window "$w" 60 9 click 1 # "View" in the menu bar
sleep 1
xdotool key s # "Select background image"
sleep 1
xdotool mousemove --window "$w" 600 600 # no hover mark on the pictures
sleep 0.5
shot_area "$w" skin-menu.png 520 300
xdotool mousemove --window "$w" 380 95 # "Blue phone"
sleep 0.5
xdotool click 1
sleep 2
shot "$w" user-skin.png
stop $pid

# 3. Zoom 200 %.
"$bin/lumetto" --demo --zoom & pid=$!; pids+=($pid)
w=$(window "Lumetto")
sleep 3
shot "$w" zoom.png
stop $pid

# 4. A UIQ phone: the program switches to the UIQ skins when the phone's
#    screens are 208 x 320.
pty_out=$(mktemp)
"$bin/lumetto-phone" --pty --platform uiq --rate 0 --clock 09:41:00 >"$pty_out" 2>/dev/null & ppid=$!; pids+=($ppid)
for _ in $(seq 100); do [ -s "$pty_out" ] && break; sleep 0.1; done
"$bin/lumetto" --port "$(head -n1 "$pty_out")" & pid=$!; pids+=($pid)
w=$(window "Lumetto")
sleep 3
shot "$w" uiq.png
stop $pid
stop $ppid
rm -f "$pty_out"

# 5. The "COM ports" dialog, which opens at start without options. A test
#    build (scripts/screenshots.sh build-test) has the dialog's example
#    program: it shows the dialog as a machine with the phone on USB and on
#    Bluetooth lists it, the devices described by a sysfs tree made here.
if [ -x "$bin/port_select_dlg_demo" ]; then
    sys=$XDG_DATA_HOME/sys
    usb=$sys/devices/pci0000:00/0000:00:14.0/usb1/1-2
    mkdir -p "$usb/1-2:1.0" "$sys/class/tty/ttyACM0" "$sys/class/tty/rfcomm0"
    printf '0e8d\n' >"$usb/idVendor"
    printf '2000\n' >"$usb/idProduct"
    printf 'Acme Mobile\n' >"$usb/manufacturer"
    printf 'Smartphone Serial\n' >"$usb/product"
    ln -s ../../../devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0 "$sys/class/tty/ttyACM0/device"
    printf '00:1A:7D:DA:71:13\n' >"$sys/class/tty/rfcomm0/address"
    LUMETTO_PORTS="COM2=/dev/ttyACM0;COM3=/dev/rfcomm0;COM7=/dev/pts/3" \
        "$bin/port_select_dlg_demo" --sysfs "$sys" >/dev/null & pid=$!; pids+=($pid)
else
    "$bin/lumetto" & pid=$!; pids+=($pid)
fi
d=$(window "COM ports")
sleep 1
shot "$d" com-ports.png
stop $pid
