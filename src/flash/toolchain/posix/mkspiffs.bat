#!/bin/sh
# Builds the clock's file system image from the digit pictures in data/.
#
# The desk clock program runs this file as: /bin/sh "<full path of this file>"
# with no working directory set and nothing attached to stdin/stdout/stderr.
# Everything this script and the builder print goes to mkspiffs.log beside it,
# which ends with one line for a person, "Result: " and what happened. The
# program shows that line when the build failed.
# Exit status: 0 when the image was built, non-zero otherwise.

# ---- Flash layout ----------------------------------------------------------
# ESP8266 with 4 MB flash and a 1 MB file system at 0x300000. The page and
# block sizes (-p 256 -b 8192) match the SPIFFS of the clock's firmware. If you
# change the layout, change the same values in esptool.bat (FS_OFFSET,
# FS_SIZE) too.
FS_SIZE=1024000     # 0xFA000 bytes
FS_PAGE=256
FS_BLOCK=8192
IMAGE=spiffs.bin    # written into this folder, uploaded by esptool.bat
DATA=data           # folder with the pictures 0.jpg .. 9.jpg
# ----------------------------------------------------------------------------

LOG=mkspiffs.log

# Work in this script's own folder; $0 is the full path of this file.
here=$(dirname -- "$0")
if ! cd -- "$here" 2>/dev/null; then
    printf 'Result: cannot change to the folder %s.\n' "$here" >&2
    exit 1
fi

# Two builds may run at once (two windows, or one started by hand): each one
# writes a log and an image of its own, and puts them in place when it ends,
# so the log is always one run's and the image always a whole one.
run_log=$LOG.$$.tmp
tmp=$IMAGE.$$.tmp
cleanup() {
    rm -f -- "$tmp"
    if [ -n "$run_log" ] && [ -f "$run_log" ]; then mv -f -- "$run_log" "$LOG"; fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
if (: >"$run_log") 2>/dev/null; then
    exec >>"$run_log" 2>&1 </dev/null
elif (: >"$LOG") 2>/dev/null; then
    # A read-only folder that still lets its log be written: say why there.
    run_log=
    exec >>"$LOG" 2>&1 </dev/null
else
    printf 'Result: the image cannot be written: the folder %s is read-only.\n' "$PWD" >&2
    exit 1
fi

# Prints its arguments as one command line, quoting those that need it.
show() {
    line=
    for a in "$@"; do
        case $a in
            *[!A-Za-z0-9_./=:,+-]* | '') a="'$a'" ;;
        esac
        line="$line${line:+ }$a"
    done
    printf '%s\n' "$line"
}

# finish STATUS TEXT: ends the log with its result line.
finish() { printf 'Result: %s\n' "$2"; exit "$1"; }

# Find the image builder. A mkspiffs put into this folder comes first, so that
# anyone who wants the original tool can have it; otherwise spiffs_builder, the
# builder that comes with the program. Nothing on the PATH takes part: a
# mkspiffs built for another chip would make images that the clock cannot read.
if [ -f ./mkspiffs ]; then
    tool=./mkspiffs
    about="mkspiffs from this folder (it overrides spiffs_builder)"
else
    tool=./spiffs_builder
    about="spiffs_builder, the program's own"
fi
name=${tool#./}

set -- "$tool" -c "$DATA" -p "$FS_PAGE" -b "$FS_BLOCK" -s "$FS_SIZE" "$tmp"
printf '%s  mkspiffs.bat in %s\n' "$(date '+%Y-%m-%d %H:%M:%S')" "$PWD"
printf 'Builder: %s\n' "$about"
printf 'Running: '
show "$@"

if [ ! -f "$tool" ]; then
    finish 1 "the image builder spiffs_builder is missing: copy the esptool folder again from the program's build or package."
fi
if [ ! -x "$tool" ]; then
    finish 1 "$name is not executable: run 'chmod +x $name' in the esptool folder."
fi
if [ ! -d "$DATA" ]; then
    finish 1 "the picture folder esptool/$DATA is missing: make it again, or copy the esptool folder again."
fi
if [ -d "$IMAGE" ]; then
    finish 1 "the image cannot be written: esptool/$IMAGE is a folder."
fi
if ! (: >"$tmp") 2>/dev/null; then
    finish 1 "the image cannot be written: the esptool folder is read-only."
fi

# Build into the temporary file and replace the image only on success, so a
# failed build never leaves a half-written image for esptool.bat to upload.
# The builder's own reason for a failure is the last line it prints on its
# error output, after its name.
errors=$IMAGE.$$.err
"$@" 2>"$errors"
status=$?
cat -- "$errors"
reason=$(sed -n "s/^$name: //p" "$errors" | tail -n 1 | tr -d '\r')
rm -f -- "$errors"
if [ "$status" -ne 0 ]; then
    printf '%s failed with exit status %s; %s was left unchanged.\n' "$name" "$status" "$IMAGE"
    finish "$status" "${reason:-$name failed with exit status $status: see mkspiffs.log.}"
fi
if [ ! -s "$tmp" ]; then
    finish 1 "$name reported success but wrote no image; $IMAGE was left unchanged."
fi
if ! mv -f -- "$tmp" "$IMAGE"; then
    finish 1 "the image cannot be written: esptool/$IMAGE cannot be replaced."
fi
printf 'Built %s/%s.\n' "$PWD" "$IMAGE"
finish 0 "the image is built."
