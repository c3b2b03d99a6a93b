#!/bin/sh
# Runs test_com_port.exe with a COM port that Wine makes of a pty: a pty held open by a small
# Python program, named as COM5 in the prefix's registry key HKLM\Software\Wine\Ports, and the
# prefix restarted so that Wine makes the port. Restarting ends every Wine program of the prefix,
# so this uses a prefix of its own.
#
# Usage: test_com_port.sh PREFIX PROGRAM      WINE names Wine's loader (empty: skipped)
set -u
prefix=$1 program=$2
here=$(dirname -- "$0")
if ! command -v python3 >/dev/null; then
    echo "SKIP: python3, which holds the pty open, is not installed (Debian: python3)"
    exit 77
fi
sh "$here/make_wine_prefix.sh" "${WINE-}" "$prefix" || exit $?
export WINEPREFIX="$prefix"

# The pty's other side stays open as long as the holder runs.
names=$(mktemp)
python3 -c 'import os, pty, sys, time
main, side = pty.openpty()
print(os.ttyname(side), flush=True)
time.sleep(300)' >"$names" &
holder=$!
trap 'kill "$holder" 2>/dev/null; rm -f -- "$names"; wineserver -k 2>/dev/null' EXIT
for _ in $(seq 100); do [ -s "$names" ] && break; sleep 0.05; done
pts=$(head -n 1 "$names")
case $pts in
    /dev/pts/*) ;;
    *) echo "no pty was made"; exit 1 ;;
esac
echo "COM5 is $pts"

"$WINE" reg add 'HKLM\Software\Wine\Ports' /v COM5 /t REG_SZ /d "$pts" /f >/dev/null 2>&1 || {
    echo "could not name the pty in the registry"
    exit 1
}
wineserver -k
wineserver -w
CLOCK_TEST_COM_PORT=COM5 "$WINE" "$program"
