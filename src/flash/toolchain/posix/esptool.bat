set com=ttyS0
# Uploads the file system image built by mkspiffs.bat to the clock. The first
# upload to a clock first keeps a copy of what its file system holds, in
# backup/ (see "Keeping the clock's own pictures" below).
#
# The first line above holds the serial port; the desk clock program rewrites
# it before each upload, so keep it the first line and keep nothing before it.
# sh runs it as the builtin "set", which makes "com=<port>" the first
# positional parameter (with the CR of the line's CR LF ending attached).
#
# The program runs this file as: /bin/sh "<full path of this file>"
# with no working directory set and nothing attached to stdin/stdout/stderr.
# Everything this script and esptool print goes to esptool.log beside it,
# which ends with one line for a person, "Result: " and what happened. The
# program shows that line when the upload failed; when an esptool step failed,
# it reads why from the lines between the step's Running: and failure lines.
# Exit status: esptool's own, or non-zero when the upload could not start.

# ---- Flash layout ----------------------------------------------------------
# ESP8266 with 4 MB flash and a 1 MB file system at 0x300000 (0xFA000 bytes,
# built by mkspiffs.bat with page 256 and block 8192). If you change the
# layout, change mkspiffs.bat to match.
FS_OFFSET=0x300000
FS_SIZE=0xFA000     # 1024000 bytes, mkspiffs.bat's FS_SIZE
IMAGE=spiffs.bin    # built into this folder by mkspiffs.bat
CHIP=esp8266
BAUD=460800
# ----------------------------------------------------------------------------

LOG=esptool.log
BACKUP=backup          # the clocks' own file systems, one per clock
NO_BACKUP=no-backup    # an empty file of this name skips the copy

# The port from the first line: drop "com=", the CR and any blanks.
case ${1-} in
    com=*) port=$(printf '%s' "${1#com=}" | tr -d ' \t\r') ;;
    *) port= ;;
esac

# Work in this script's own folder; $0 is the full path of this file.
here=$(dirname -- "$0")
if ! cd -- "$here" 2>/dev/null; then
    printf 'Result: cannot change to the folder %s.\n' "$here" >&2
    exit 1
fi

# Each run writes a log of its own and puts it in place when it ends, so that
# the log is always one run's. Temporary files go when the script ends.
run_log=$LOG.$$.tmp
scratch=
part=
image=
cleanup() {
    rm -f -- ${scratch:+"$scratch"} ${part:+"$part"} ${image:+"$image"}
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
    printf 'Result: cannot write into the folder %s: it is read-only.\n' "$PWD" >&2
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

# A real port name holds letters, digits and . _ - / only; anything else in
# the first line is not a port and never reaches a command.
case $port in
    *[!A-Za-z0-9._/-]*) port= ;;
esac

# A name such as ttyUSB0 means /dev/ttyUSB0; a full path is used as it is.
case $port in
    '') device= ;;
    /*) device=$port ;;
    *) device=/dev/$port ;;
esac

# Find esptool: this folder first, then the PATH, then where pipx puts it (a
# program started from the desktop may not have that folder on its PATH), then
# Python's module.
missing="esptool is not installed: install it with 'pipx install esptool' (on Debian and Ubuntu first 'sudo apt install pipx'), or put it into the esptool folder."
user_bin=${HOME:+$HOME/.local/bin}
if [ -f ./esptool ] && [ -x ./esptool ]; then
    set -- ./esptool
elif [ -f ./esptool.py ] && [ -x ./esptool.py ]; then
    set -- ./esptool.py
elif [ -f ./esptool.py ]; then
    if ! python=$(command -v python3 2>/dev/null) || [ -z "$python" ]; then
        missing="Python 3 is not installed: esptool.py in the esptool folder needs it; install python3."
        set --
    else
        set -- "$python" ./esptool.py
    fi
elif found=$(command -v esptool 2>/dev/null) && [ -n "$found" ]; then
    set -- "$found"
elif found=$(command -v esptool.py 2>/dev/null) && [ -n "$found" ]; then
    set -- "$found"
elif [ -n "$user_bin" ] && [ -f "$user_bin/esptool" ] && [ -x "$user_bin/esptool" ]; then
    set -- "$user_bin/esptool"
elif [ -n "$user_bin" ] && [ -f "$user_bin/esptool.py" ] && [ -x "$user_bin/esptool.py" ]; then
    set -- "$user_bin/esptool.py"
elif python=$(command -v python3 2>/dev/null) && [ -n "$python" ] &&
    "$python" -c 'import esptool' </dev/null >/dev/null 2>&1; then
    set -- "$python" -m esptool
else
    set --
fi
# Without esptool, the log still shows the command that would have run.
tool_found=$#
[ $# -gt 0 ] || set -- esptool
# From here on "$@" is esptool with the options of the connection to the clock;
# each step adds what esptool does after it and the command.
set -- "$@" --chip "$CHIP" --port "${device:-<none>}" --baud "$BAUD" --before default_reset
printf '%s  esptool.bat in %s\n' "$(date '+%Y-%m-%d %H:%M:%S')" "$PWD"
printf 'Running: '
show "$@" --after hard_reset write_flash "$FS_OFFSET" "$IMAGE"

if [ -z "$port" ]; then
    finish 1 "no usable serial port was chosen: click Refresh, choose the clock's port and upload again."
fi
# esptool's output is kept apart for a moment, to read the MAC address from it;
# in the system's temporary folder, which is writable where this one may not be.
scratch=$(mktemp "${TMPDIR:-/tmp}/esptool-output.XXXXXX" 2>/dev/null) ||
    finish 1 "no temporary file can be made in ${TMPDIR:-/tmp}: is the disk full?"
if [ "$tool_found" -eq 0 ]; then
    finish 1 "$missing"
fi
if [ ! -f "$IMAGE" ]; then
    finish 1 "there is no image to upload: click Compile Custom Picture first."
fi

# The image of this upload, taken now: a compile from here on changes only the
# next upload. A hard link keeps this very file whatever replaces spiffs.bin;
# where the folder takes no link, a copy in the temporary folder.
image=$IMAGE.$$.upload
if ! ln -- "$IMAGE" "$image" 2>/dev/null; then
    image=$(mktemp "${TMPDIR:-/tmp}/spiffs.XXXXXX" 2>/dev/null) && cp -- "$IMAGE" "$image" ||
        finish 1 "the image cannot be copied for the upload: is the disk full?"
fi
want=$(wc -c <"$IMAGE" | tr -d ' ')
got=$(wc -c <"$image" | tr -d ' ')
[ "$got" = "$want" ] ||
    finish 1 "the image cannot be copied for the upload ($got of $want bytes): is the disk full?"

# step COMMAND ARGUMENTS...: runs esptool for one step, its output into
# $scratch and then into the log. A failure ends the upload with a result line
# that names the step; the program reads why from the lines printed here.
step() {
    name=$1
    shift
    printf 'Running: '
    show "$@"
    "$@" >"$scratch" 2>&1
    step_status=$?
    cat -- "$scratch"
    [ "$step_status" -eq 0 ] && return 0
    printf 'esptool failed with exit status %s.\n' "$step_status"
    [ -n "$copying" ] && explain_no_backup
    finish "$step_status" "esptool's $name failed on $device with exit status $step_status: see the lines above."
}

# ---- Keeping the clock's own pictures --------------------------------------
# The upload overwrites the whole file system. Before the first upload to a
# clock, its file system area is read into backup/<MAC>.bin, named after the
# chip's MAC address (5c-cf-7f-51-4d-01), and unpacked into backup/<MAC>/. A
# copy that exists is never read again nor changed. No copy, no upload: when
# the copy cannot be made, nothing is written to the clock.

# no_backup WHY: stops before anything is written to the clock.
no_backup() {
    explain_no_backup
    finish 1 "no copy of the clock's pictures could be kept ($*): to upload without one, put an empty file named $NO_BACKUP into the esptool folder."
}
explain_no_backup() {
    printf 'No copy of the clock'\''s file system could be kept, so nothing was written to the clock. To upload without keeping a copy, put an empty file named %s into %s.\n' \
        "$NO_BACKUP" "$PWD"
}

copying=
if [ -e "$NO_BACKUP" ]; then
    printf 'Not keeping a copy of the clock'\''s file system: %s is present.\n' "$NO_BACKUP"
else
    copying=1
    step read_mac "$@" --after no_reset read_mac
    # esptool 4 prints "MAC: 5c:cf:7f:51:4d:01", esptool 5 pads the label.
    mac=$(awk '$1 == "MAC:" { print $2; exit }' "$scratch")
    hex='[0-9A-Fa-f][0-9A-Fa-f]'
    case $mac in
        $hex:$hex:$hex:$hex:$hex:$hex) ;;
        *) no_backup "esptool named no MAC address for the clock" ;;
    esac
    clock=$(printf '%s' "$mac" | tr 'A-F:' 'a-f-')
    copy=$BACKUP/$clock.bin
    if [ -f "$copy" ]; then
        printf 'The clock %s was copied before: %s/%s is kept as it is.\n' "$clock" "$PWD" "$copy"
    elif [ -e "$copy" ]; then
        no_backup "esptool/$copy is there but is not a file"
    else
        mkdir -p -- "$BACKUP" 2>/dev/null || no_backup "the folder esptool/$BACKUP cannot be made"
        part=$BACKUP/$clock.part
        (: >"$part") 2>/dev/null || no_backup "the folder esptool/$BACKUP is read-only"
        step read_flash "$@" --after no_reset read_flash "$FS_OFFSET" "$FS_SIZE" "$part"
        got=$(wc -c <"$part" 2>/dev/null | tr -d ' ')
        if [ "${got:-0}" -ne $((FS_SIZE)) ]; then
            no_backup "esptool read ${got:-0} bytes of $((FS_SIZE)); is the disk full?"
        fi
        mv -f -- "$part" "$copy" 2>/dev/null || no_backup "$part cannot be renamed to $copy"
        part=
        printf 'Kept the clock'\''s file system in %s/%s.\n' "$PWD" "$copy"
        # The pictures as files, for a user to look at or to use as a custom set.
        if [ -x ./spiffs_builder ] && ./spiffs_builder -u "$BACKUP/$clock" "$copy"; then
            printf 'Its files are in %s/%s/%s/.\n' "$PWD" "$BACKUP" "$clock"
        else
            printf 'Its files could not be unpacked (a blank area, another file system, or no spiffs_builder here); the raw copy %s is kept.\n' \
                "$copy"
        fi
    fi
    copying=
fi

# ---- The upload ------------------------------------------------------------

step write_flash "$@" --after hard_reset write_flash "$FS_OFFSET" "$image"
printf 'Upload finished.\n'
finish 0 "the image is on the clock on $device."
