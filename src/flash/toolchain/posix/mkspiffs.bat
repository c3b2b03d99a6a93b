#!/bin/sh
# Builds the clock's file system image from the digit pictures in data/.
#
# The desk clock program runs this file as: /bin/sh "<full path of this file>"
# with no working directory set and nothing attached to stdin/stdout/stderr.
# Everything this script and the builder print goes to mkspiffs.log beside it.
# Exit status: 0 when the image was built, non-zero otherwise.

# ---- Flash layout ----------------------------------------------------------
# ESP8266 with 4 MB flash and a 1 MB file system at 0x300000. The page and
# block sizes (-p 256 -b 8192) match the SPIFFS of the clock's firmware. If you
# change the layout, change the same values in esptool.bat (FS_OFFSET, IMAGE)
# too.
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

tmp="$IMAGE.tmp"
set -- "$tool" -c "$DATA" -p "$FS_PAGE" -b "$FS_BLOCK" -s "$FS_SIZE" "$tmp"
printf '%s  mkspiffs.bat in %s\n' "$(date '+%Y-%m-%d %H:%M:%S')" "$PWD"
printf 'Builder: %s\n' "$about"
printf 'Running: '
show "$@"

if [ ! -f "$tool" ]; then
    fail "The image builder spiffs_builder is missing from $PWD: copy the esptool folder again from the program's build or package."
fi
if [ ! -x "$tool" ]; then
    fail "${tool#./} in this folder is not executable: run 'chmod +x ${tool#./}' in $PWD."
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
    printf '%s failed with exit status %s; %s was left unchanged.\n' "${tool#./}" "$status" "$IMAGE"
    exit "$status"
fi
if [ ! -s "$tmp" ]; then
    fail "${tool#./} reported success but wrote no image; $IMAGE was left unchanged."
fi
if ! mv -f -- "$tmp" "$IMAGE"; then
    fail "Could not replace $IMAGE with the new image."
fi
printf 'Built %s/%s.\n' "$PWD" "$IMAGE"
exit 0
