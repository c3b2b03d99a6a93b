#!/bin/sh
# Cross-builds the program and its tests for 64-bit Windows into build-windows/, and packs the
# program folder as build-windows/Electronic_Clock-<version>-win64.zip. Then
# `ctest --test-dir build-windows` runs the Windows tests under Wine.
#
# Usage: sh tools/build-windows.sh QT
#   QT: a Qt 5 for Windows built with MinGW-w64 (the -posix flavour): its folder, or its .tar.xz,
#   which is then unpacked into build-windows/qt/.
set -eu
if [ $# -ne 1 ]; then
    echo "usage: sh tools/build-windows.sh QT-FOLDER-OR-TAR.XZ" >&2
    exit 2
fi
qt=$(realpath -- "$1")
cd "$(dirname "$0")/.."
build=build-windows

sh tools/install-dependencies.sh windows

case $qt in
    *.tar.xz)
        unpacked=$build/qt
        # Unpacked again only when the archive changed since.
        if [ ! -f "$unpacked/.unpacked" ] || [ "$qt" -nt "$unpacked/.unpacked" ]; then
            rm -rf -- "$unpacked"
            mkdir -p -- "$unpacked"
            tar -xJf "$qt" -C "$unpacked"
            : >"$unpacked/.unpacked"
        fi
        qt=$(realpath -- "$(dirname -- "$(find "$unpacked" -path '*/lib/cmake/Qt5/Qt5Config.cmake' | head -n 1)")/../../..")
        ;;
esac
if [ ! -f "$qt/lib/cmake/Qt5/Qt5Config.cmake" ]; then
    echo "$qt holds no Qt 5 (no lib/cmake/Qt5/Qt5Config.cmake)" >&2
    exit 1
fi

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_PREFIX_PATH="$qt" \
    -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j "$(nproc)"
(cd "$build" && cpack)
