#!/bin/sh
# Installs what is needed, builds the program into build/bin and starts it.
set -eu
cd "$(dirname "$0")"
sh tools/install-dependencies.sh run
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target Electronic_Clock -j "$(nproc)"
exec build/bin/Electronic_Clock "$@"
