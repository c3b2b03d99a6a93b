#!/bin/sh
# Installs what is needed, builds the program and its tests, and runs every test: once in a
# normal build, then again built with AddressSanitizer and UndefinedBehaviorSanitizer. Given a Qt
# for Windows built with MinGW-w64 (its folder or .tar.xz), it then cross-builds the Windows
# program and its tests into build-windows/ and runs those under Wine.
# Usage: sh test.sh [WINDOWS-QT]
set -eu
cd "$(dirname "$0")"
sh tools/install-dependencies.sh test
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
ctest --test-dir build --output-on-failure

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DELECTRONIC_CLOCK_SANITIZE=ON
cmake --build build-sanitize -j "$(nproc)"
ctest --test-dir build-sanitize --output-on-failure

if [ $# -ge 1 ]; then
    sh tools/build-windows.sh "$1"
    # Most of a Windows test's time is Wine starting programs: two at once halve the run.
    ctest --test-dir build-windows --output-on-failure -j 2
else
    echo "The Windows build was not tried: no Qt for Windows was given (sh test.sh WINDOWS-QT)."
fi
