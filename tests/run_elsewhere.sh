#!/bin/sh
# Runs a test program again from an odd program folder: a path with blanks, letters outside
# ASCII and a 200-byte folder name. Started as root, it runs the test as the unprivileged user
# "nobody", so that read-only files and folders really refuse writes: root ignores permission
# bits, and CI runs as root.
#
# Usage: run_elsewhere.sh <test program> <toolchain scripts folder> <sample pictures folder>
set -eu

program=$1
scripts=$2
samples=$3

# A work folder that the test's user owns, with copies of everything the test reads, since the
# source tree may sit below a folder that only root can enter.
work=$(mktemp -d)
trap 'chmod -R u+w -- "$work" 2>/dev/null; rm -rf -- "$work"' EXIT
long=$(printf 'a rather long folder name %.0s' 1 2 3 4 5 6 7 | cut -c1-200)
folder="$work/Uhr für Zifferbilder é 時計/$long"
mkdir -p "$folder" "$work/scripts" "$work/samples" "$work/runtime"
cp "$program" "$folder/"
cp "$scripts"/* "$work/scripts/"
cp "$samples"/* "$work/samples/"
chmod 755 "$work"
chmod 700 "$work/runtime"

# A sanitizer build's leak suppressions, copied where the test's user can read them.
lsan_options=""
if [ -n "${CLOCK_TEST_LSAN_SUPPRESSIONS-}" ]; then
    cp "$CLOCK_TEST_LSAN_SUPPRESSIONS" "$work/lsan.supp"
    lsan_options="suppressions=$work/lsan.supp:fast_unwind_on_malloc=0"
fi

as_user=""
if [ "$(id -u)" -eq 0 ]; then
    chown -R nobody:nogroup "$work"
    as_user="setpriv --reuid=nobody --regid=nogroup --clear-groups"
fi

cd "$folder"
# shellcheck disable=SC2086
$as_user env -i PATH=/usr/bin:/bin HOME="$work" QT_QPA_PLATFORM=offscreen \
    XDG_RUNTIME_DIR="$work/runtime" \
    ASAN_OPTIONS="${ASAN_OPTIONS-}" UBSAN_OPTIONS="${UBSAN_OPTIONS-}" LSAN_OPTIONS="$lsan_options" \
    CLOCK_TEST_SCRIPTS="$work/scripts" CLOCK_TEST_SAMPLES="$work/samples" \
    "$folder/$(basename "$program")"
