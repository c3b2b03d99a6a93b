#!/bin/sh
# Runs a test program as the unprivileged user "nobody", so that read-only files and folders
# really refuse writes: root ignores permission bits, and CI runs as root.
#
# Usage: run_unprivileged.sh <test program> <toolchain scripts folder> <sample pictures folder>
# Exits 77 (skipped) when not run as root: the normal run of the test already covers it then.
set -eu

program=$1
scripts=$2
samples=$3

if [ "$(id -u)" -ne 0 ]; then
    echo "Not root: permission bits already bind this user, the normal run covers these cases."
    exit 77
fi

# A program folder that nobody owns, with copies of everything the test reads, since the
# source tree may sit below a folder that only root can enter.
work=$(mktemp -d)
trap 'rm -rf -- "$work"' EXIT
mkdir -p "$work/program" "$work/scripts" "$work/samples" "$work/runtime"
cp "$program" "$work/program/"
cp "$scripts"/* "$work/scripts/"
cp "$samples"/* "$work/samples/"
chmod 755 "$work"
chmod 700 "$work/runtime"
chown -R nobody:nogroup "$work"

cd "$work/program"
setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env -i PATH=/usr/bin:/bin HOME="$work" QT_QPA_PLATFORM=offscreen \
    XDG_RUNTIME_DIR="$work/runtime" \
    CLOCK_TEST_SCRIPTS="$work/scripts" CLOCK_TEST_SAMPLES="$work/samples" \
    "$work/program/$(basename "$program")"
