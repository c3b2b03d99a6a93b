set com=ttyS0
# Uploads the file system image built by mkspiffs.bat to the clock.
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
IMAGE=spiffs.bin    # built into this folder by mkspiffs.bat
CHIP=esp8266
BAUD=460800
# ----------------------------------------------------------------------------

LOG=esptool.log

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

set -- "$@" --chip "$CHIP" --port "${device:-<none>}" --baud "$BAUD" \
    --before default_reset --after hard_reset \
    write_flash "$FS_OFFSET" "$IMAGE"
printf '%s  esptool.bat in %s\n' "$(date '+%Y-%m-%d %H:%M:%S')" "$PWD"
printf 'Running: '
show "$@"

if [ -z "$port" ]; then
    fail "No serial port is set: choose the clock's port in the program and upload again."
fi
if [ -z "$tool_found" ]; then
    fail "$missing"
fi
if [ ! -f "$IMAGE" ]; then
    fail "The image $IMAGE is missing in $PWD: build it first (mkspiffs.bat)."
fi

"$@"
status=$?
if [ "$status" -ne 0 ]; then
    printf 'esptool failed with exit status %s.\n' "$status"
else
    printf 'Upload finished.\n'
fi
exit "$status"
