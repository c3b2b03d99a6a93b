#!/bin/sh
# Installs what is needed, builds the program and its tests, and runs every test.
set -eu
cd "$(dirname "$0")"
sh tools/install-dependencies.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"
ctest --test-dir build --output-on-failure
