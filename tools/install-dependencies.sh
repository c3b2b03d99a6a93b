#!/bin/sh
# Installs Debian 12's packages for what is asked, unless they are there already:
#   run      building and running the program
#   test     building and running every test (the Linux builds and the Windows build's tests)
#   windows  cross-building the Windows program and running it under Wine
# Runs apt-get as root directly, or through sudo for a normal user.
# Usage: install-dependencies.sh run|test|windows...
set -eu

run="cmake make g++ qtbase5-dev libqt5serialport5-dev"
# The -posix compilers: the Windows Qt is built with them, and their C++ runtime differs from the
# -win32 flavour's.
windows="cmake make g++-mingw-w64-x86-64-posix wine wine64"
# Fonts for the offscreen platform, the benchmark library, the desktop entry's checker, and an X
# server with the tools that start, find and click the Windows program's window under Wine, and
# python3, which holds the pty that Wine makes a COM port of.
test="$run $windows fonts-dejavu-core libbenchmark-dev desktop-file-utils xvfb xauth x11-utils xdotool python3"

packages=""
for group in "$@"; do
    case $group in
        run) packages="$packages $run" ;;
        test) packages="$packages $test" ;;
        windows) packages="$packages $windows" ;;
        *) echo "usage: install-dependencies.sh run|test|windows..." >&2; exit 2 ;;
    esac
done

missing=""
for package in $packages; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing="$missing $package"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    as_root=""
elif command -v sudo >/dev/null 2>&1; then
    as_root="sudo"
else
    echo "Missing packages:$missing. Install them as root, or install sudo." >&2
    exit 1
fi
$as_root apt-get update
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y --no-install-recommends $missing
