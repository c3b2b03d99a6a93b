#!/bin/sh
# Builds the clock's file system image from the digit pictures in data/.
#
# The desk clock program runs this file as: /bin/sh "<full path of this file>"
# with no working directory set and nothing attached to stdin/stdout/stderr.
# Everything this script and mkspiffs print goes to mkspiffs.log beside it.
# Exit status: 0 when the image was built, non-zero otherwise.

# ---- Flash layout ----------------------------------------------------------
# ESP8266 with 4 MB flash and a 1 MB file system at 0x300000. The clock needs
# the ESP8266 Arduino build of mkspiffs: its page/block layout (-p 256
# -b 8192) matches the SPIFFS of the ESP8266 Arduino core. If you change the
# layout, change the same values in esptool.bat (FS_OFFSET, IMAGE) too.
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
    msg="mkspiffs.bat: cannot change to the folder '$here'."
    printf '%s\n' "$msg" >"$here/$LOG" 2>/dev/null
    printf '%s\n' "$msg" >&2
    exit 1
fi

# Start a fresh log; if this folder is read-only, still report through stderr.
if (printf '' >"$LOG") 2>/dev/null; then
    exec >>"$LOG" 2>&1 </dev/null
else
    printf 'mkspiffs.bat: cannot write %s/%s.\n' "$PWD" "$LOG" >&2
    exec </dev/null
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

fail() {
    printf '%s\n' "$*"
    exit 1
}

# Find mkspiffs: this folder first, then the PATH.
tool=
if [ -f ./mkspiffs ] && [ -x ./mkspiffs ]; then
    tool=./mkspiffs
elif found=$(command -v mkspiffs 2>/dev/null) && [ -n "$found" ]; then
    tool=$found
fi

tmp="$IMAGE.tmp"
set -- "${tool:-mkspiffs}" -c "$DATA" -p "$FS_PAGE" -b "$FS_BLOCK" -s "$FS_SIZE" "$tmp"
printf '%s  mkspiffs.bat in %s\n' "$(date '+%Y-%m-%d %H:%M:%S')" "$PWD"
printf 'Running: '
show "$@"

if [ -z "$tool" ]; then
    if [ -f ./mkspiffs ]; then
        fail "mkspiffs in this folder is not executable: run 'chmod +x mkspiffs' in $PWD."
    fi
    fail "mkspiffs was not found: put the ESP8266 build of mkspiffs into this folder or on the PATH."
fi
if [ ! -d "$DATA" ]; then
    fail "The picture folder '$DATA' is missing in $PWD, so there is nothing to pack."
fi

# Build into a temporary file and replace the image only on success, so a
# failed build never leaves a half-written image for esptool.bat to upload.
trap 'rm -f -- "$tmp"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
rm -f -- "$tmp"
"$@"
status=$?
if [ "$status" -ne 0 ]; then
    printf 'mkspiffs failed with exit status %s; %s was left unchanged.\n' "$status" "$IMAGE"
    exit "$status"
fi
if [ ! -s "$tmp" ]; then
    fail "mkspiffs reported success but wrote no image; $IMAGE was left unchanged."
fi
if ! mv -f -- "$tmp" "$IMAGE"; then
    fail "Could not replace $IMAGE with the new image."
fi
printf 'Built %s/%s.\n' "$PWD" "$IMAGE"
exit 0
