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
# Everything this script and esptool print goes to esptool.log beside it.
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
    msg="esptool.bat: cannot change to the folder '$here'."
    printf '%s\n' "$msg" >"$here/$LOG" 2>/dev/null
    printf '%s\n' "$msg" >&2
    exit 1
fi

# Start a fresh log; if this folder is read-only, still report through stderr.
if (printf '' >"$LOG") 2>/dev/null; then
    exec >>"$LOG" 2>&1 </dev/null
else
    printf 'esptool.bat: cannot write %s/%s.\n' "$PWD" "$LOG" >&2
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
missing="esptool was not found: install it with 'pipx install esptool' (on Debian and Ubuntu first 'sudo apt install pipx'), or put it into this folder."
user_bin=${HOME:+$HOME/.local/bin}
if [ -f ./esptool ] && [ -x ./esptool ]; then
    set -- ./esptool
elif [ -f ./esptool.py ] && [ -x ./esptool.py ]; then
    set -- ./esptool.py
elif [ -f ./esptool.py ]; then
    if ! python=$(command -v python3 2>/dev/null) || [ -z "$python" ]; then
        missing="Python 3 was not found: it is needed to run esptool.py from this folder; install python3."
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
if [ $# -gt 0 ]; then
    tool_found=1
else
    tool_found=
    set -- esptool
fi
# From here on "$@" is esptool with the options of the connection to the clock;
# each step adds what esptool does after it and the command.
set -- "$@" --chip "$CHIP" --port "${device:-<none>}" --baud "$BAUD" --before default_reset
printf '%s  esptool.bat in %s\n' "$(date '+%Y-%m-%d %H:%M:%S')" "$PWD"
printf 'Running: '
show "$@" --after hard_reset write_flash "$FS_OFFSET" "$IMAGE"

if [ -z "$port" ]; then
    fail "No usable serial port was chosen: click Refresh in the program, choose the clock's port and upload again."
fi
if [ -z "$tool_found" ]; then
    fail "$missing"
fi
if [ ! -f "$IMAGE" ]; then
    fail "The image $IMAGE is missing in $PWD: build it first (mkspiffs.bat)."
fi

# ---- Keeping the clock's own pictures --------------------------------------
# The upload overwrites the whole file system. Before the first upload to a
# clock, its file system area is read into backup/<MAC>.bin, named after the
# chip's MAC address (5c-cf-7f-51-4d-01), and unpacked into backup/<MAC>/. A
# copy that exists is never read again nor changed. No copy, no upload: when
# the copy cannot be made, nothing is written to the clock.

scratch=
part=
trap 'rm -f -- ${scratch:+"$scratch"} ${part:+"$part"}' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

no_backup() {
    printf 'No copy of the clock'\''s file system could be kept: %s\n' "$*"
    printf 'Nothing was written to the clock. To upload without keeping a copy, put an empty file named %s into %s.\n' \
        "$NO_BACKUP" "$PWD"
    exit 1
}

# Runs a command with its output into $scratch, then into the log.
esptool_step() {
    "$@" >"$scratch" 2>&1
    step_status=$?
    cat -- "$scratch"
    return "$step_status"
}

if [ -e "$NO_BACKUP" ]; then
    printf 'Not keeping a copy of the clock'\''s file system: %s is present.\n' "$NO_BACKUP"
else
    scratch=$(mktemp "./esptool-output.XXXXXX" 2>/dev/null) ||
        no_backup "cannot write into $PWD."
    printf 'Reading the clock'\''s MAC address: '
    show "$@" --after no_reset read_mac
    esptool_step "$@" --after no_reset read_mac ||
        no_backup "esptool could not read the clock's MAC address (exit status $step_status)."
    # esptool 4 prints "MAC: 5c:cf:7f:51:4d:01", esptool 5 pads the label.
    mac=$(awk '$1 == "MAC:" { print $2; exit }' "$scratch")
    hex='[0-9A-Fa-f][0-9A-Fa-f]'
    case $mac in
        $hex:$hex:$hex:$hex:$hex:$hex) ;;
        *) no_backup "esptool named no MAC address that this script understands." ;;
    esac
    clock=$(printf '%s' "$mac" | tr 'A-F:' 'a-f-')
    if [ -e "$BACKUP/$clock.bin" ] && [ ! -f "$BACKUP/$clock.bin" ]; then
        no_backup "$PWD/$BACKUP/$clock.bin is there but is not a file."
    elif [ -f "$BACKUP/$clock.bin" ]; then
        printf 'The clock %s was copied before: %s/%s.bin is kept as it is.\n' "$clock" "$BACKUP" "$clock"
    else
        mkdir -p -- "$BACKUP" 2>/dev/null || no_backup "cannot make the folder $PWD/$BACKUP."
        part=$BACKUP/$clock.part
        rm -f -- "$part"
        (: >"$part") 2>/dev/null || no_backup "cannot write into $PWD/$BACKUP."
        rm -f -- "$part"
        printf 'Copying the clock'\''s file system: '
        show "$@" --after no_reset read_flash "$FS_OFFSET" "$FS_SIZE" "$part"
        esptool_step "$@" --after no_reset read_flash "$FS_OFFSET" "$FS_SIZE" "$part" ||
            no_backup "esptool could not read the file system (exit status $step_status)."
        got=$(wc -c <"$part" 2>/dev/null | tr -d ' ')
        if [ "${got:-0}" -ne $((FS_SIZE)) ]; then
            no_backup "esptool read ${got:-0} bytes instead of $((FS_SIZE)) (is the disk full?)."
        fi
        mv -f -- "$part" "$BACKUP/$clock.bin" 2>/dev/null ||
            no_backup "cannot rename $part to $BACKUP/$clock.bin."
        part=
        printf 'Kept the clock'\''s file system in %s/%s/%s.bin.\n' "$PWD" "$BACKUP" "$clock"
        # The pictures as files, for a user to look at or to use as a custom set.
        if [ -x ./spiffs_builder ] &&
            ./spiffs_builder -u "$BACKUP/$clock" "$BACKUP/$clock.bin"; then
            printf 'Its files are in %s/%s/%s/.\n' "$PWD" "$BACKUP" "$clock"
        else
            printf 'Its files could not be unpacked (a blank area, another file system, or no spiffs_builder here); the raw copy %s/%s.bin is kept.\n' \
                "$BACKUP" "$clock"
        fi
    fi
fi

# ---- The upload ------------------------------------------------------------

printf 'Writing the image: '
show "$@" --after hard_reset write_flash "$FS_OFFSET" "$IMAGE"
"$@" --after hard_reset write_flash "$FS_OFFSET" "$IMAGE"
status=$?
if [ "$status" -ne 0 ]; then
    printf 'esptool failed with exit status %s.\n' "$status"
else
    printf 'Upload finished.\n'
fi
exit "$status"
