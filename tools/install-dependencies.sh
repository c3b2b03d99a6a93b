#!/bin/sh
# Installs what building and testing the program needs on Debian 12, unless it is there already.
# Runs apt-get as root directly, or through sudo for a normal user.
set -eu

# MinGW-w64 and Wine let the tests build and run the Windows side too.
packages="cmake make g++ qtbase5-dev libqt5serialport5-dev fonts-dejavu-core libbenchmark-dev desktop-file-utils
g++-mingw-w64-x86-64-win32 wine wine64"

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
