#!/bin/sh
# Runs a Windows test program again under Wine from an odd program folder: a path with blanks,
# brackets and letters outside ASCII and outside any one code page, as a user's unpacked folder
# may be named. The program launches the scripts of its own folder, so this tries the launch
# (Unicode, quoted, hidden) from there. Wine runs as root and has no ACLs, so unlike the Linux
# run there is no other user to become.
#
# Usage: run_elsewhere.sh <test program> <toolchain scripts folder> <sample pictures folder>
# WINE names Wine's loader; the rest of Wine's environment comes from CTest.
set -eu

program=$1
scripts=$2
samples=$3

work=$(mktemp -d)
trap 'rm -rf -- "$work"' EXIT
folder="$work/Clock [x86] (1) für é 時計"
mkdir -p "$folder"
cp "$program" "$folder/"

cd "$folder"
CLOCK_TEST_SCRIPTS="Z:$scripts" CLOCK_TEST_SAMPLES="Z:$samples" \
    "$WINE" "$folder/$(basename "$program")"
