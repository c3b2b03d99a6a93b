#!/usr/bin/env bash
# The Windows release zip as a user gets it: packed by cpack, unpacked into a folder whose path
# holds a blank and a letter outside ASCII, and run in a fresh Wine prefix on an X server of its
# own, with no WINEPATH, so that a DLL or plugin missing from the zip fails it. Clicks a style and
# "Compile Custom Picture" as a user would, then closes the window as a user would.
#
# Usage: bash test_windows_zip.sh CPACK CPACK_CONFIG WINE
# Exits 77 (skipped) where Wine or Xvfb is missing.

set -u
if [ $# -ne 3 ]; then
    echo "usage: $0 CPACK CPACK_CONFIG WINE" >&2
    exit 2
fi
cpack=$1 config=$2 wine=$3
for tool in "$wine" Xvfb xwininfo xdotool; do
    if [ -z "$tool" ] || ! command -v "$tool" >/dev/null; then
        echo "SKIP: ${tool:-wine} is not installed (Debian: wine64 xvfb x11-utils xdotool)"
        exit 77
    fi
done

. "$(dirname -- "$0")/../support/checks.sh"

work=$(mktemp -d) || exit 2
xvfb=
cleanup() {
    WINEPREFIX=$work/prefix wineserver -k 2>/dev/null
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null
    rm -rf -- "$work"
}
trap cleanup EXIT

# --- The zip, unpacked where a user might put it ----------------------------------------------
"$cpack" --config "$config" -B "$work/package" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack makes the zip"; finish; exit; }
zip=$(ls "$work/package"/*-win64.zip 2>/dev/null | head -n 1)
check "cpack makes the zip" [ -f "$zip" ]
place="$work/Téléchargements du bureau"
mkdir -p -- "$place"
(cd -- "$place" && cmake -E tar xf "$zip") || fail "the zip unpacks"
folder=$(ls -d -- "$place"/*/ | head -n 1)
folder=${folder%/}
check "the zip unpacks into one folder named after the release" \
    [ "$(ls -- "$place" | wc -l)" -eq 1 ] && [[ $folder == *-win64 ]]
esp="$folder/esptool"

# --- A fresh prefix and an X server without a window manager ----------------------------------
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
# Nothing of the other tests' set-up: no DLL path, no Qt settings handed on (WINEQT_*).
unset WINEPATH $(env | sed -n 's/^\(WINEQT_[A-Z_]*\)=.*/\1/p')
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
timeout 120 "$wine" cmd.exe /c exit 0 </dev/null >/dev/null 2>&1
wineserver -w

# --- The program's window ---------------------------------------------------------------------
(cd -- "$folder" && exec timeout 180 "$wine" Electronic_Clock.exe </dev/null >"$work/program.log" 2>&1) &
program=$!
window=
for _ in $(seq 600); do
    window=$(xdotool search --onlyvisible --classname electronic_clock.exe 2>/dev/null | while read -r id; do
        xwininfo -id "$id" | grep -q 'Width: 850' && echo "$id"; done | head -n 1)
    [ -n "$window" ] && break
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$window" ]; then
    fail "the window opens"
    sed 's/^/# /' "$work/program.log"
    finish
    exit
fi
size=$(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
check "the window opens at 850 x 740 (it is $size)" [ "$size" = 850x740 ]

# click X Y: a click at a point of the window's client area, as laid out in the form.
click() {
    xdotool mousemove --window "$window" "$1" "$2" click 1
}
# wait_for SECONDS COMMAND...: until the command succeeds or the time is up.
wait_for() {
    local limit=$(($1 * 10))
    shift
    for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
    return 1
}
# jpeg_size FILE: WIDTHxHEIGHT from a baseline or progressive JPEG's frame header.
jpeg_size() {
    od -An -tx1 -v -- "$1" | tr -d '\n' | tr -s ' ' |
        sed -n 's/.* ff c[02] 00 11 08 \(..\) \(..\) \(..\) \(..\) .*/\3\4 \1\2/p' |
        { read -r w h; [ -n "$h" ] && echo "$((16#$w))x$((16#$h))"; }
}
ten_pictures() {
    for digit in 0 1 2 3 4 5 6 7 8 9; do
        [ "$(jpeg_size "$esp/data/$digit.jpg" 2>/dev/null)" = 135x240 ] || return 1
    done
}
compiled() { [ -s "$esp/spiffs.bin" ] && grep -q '^Result: ' "$esp/mkspiffs.log" 2>/dev/null; }

# The first style, at the top of the style column; the compile button beside the upload button.
click 400 320
check "a style click writes the ten 135 x 240 pictures into esptool/data" wait_for 30 ten_pictures
click 270 60
check "\"Compile Custom Picture\" leaves spiffs.bin" wait_for 60 compiled
# The image holds what the style click wrote: unpacked by the zip's own builder, byte for byte.
unpacks_to_data() {
    "$wine" "$esp/spiffs_builder.exe" -u "$(winepath -w "$work/unpacked")" \
        "$(winepath -w "$esp/spiffs.bin")" </dev/null >/dev/null 2>&1 &&
        for digit in 0 1 2 3 4 5 6 7 8 9; do
            cmp -s -- "$esp/data/$digit.jpg" "$work/unpacked/$digit.jpg" || return 1
        done
}
check "spiffs.bin unpacks to the ten pictures of esptool/data" unpacks_to_data
if grep -q '^Result: the image is built' "$esp/mkspiffs.log" 2>/dev/null; then
    pass "the compile's log says that the image is built"
else
    fail "the compile's log says that the image is built"
    sed 's/^/# /' "$esp/mkspiffs.log" 2>/dev/null
fi

# Closed as a user closes it: Windows asks the window to close (WM_CLOSE), nothing is forced.
"$wine" taskkill /im Electronic_Clock.exe >/dev/null 2>&1
wait "$program"
rc=$?
check "closing the window ends the program with exit code 0 (it ended with $rc)" status_is 0
finish
