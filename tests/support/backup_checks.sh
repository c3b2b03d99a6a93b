# Checks of the upload scripts' copy of a clock's file system, shared by the tests of the POSIX
# and the Windows scripts, sourced by bash. They read $esp, the esptool folder, and $esptool_calls,
# the file where the fake esptool notes each command line it was run with.

# commands_are COMMAND...: the esptool commands run, in order (the word after "--after <what>").
commands_are() {
    [ "$(awk '{ for (i = 1; i < NF; i++) if ($i == "--after") { print $(i + 2); break } }' \
        "$esptool_calls" 2>/dev/null | tr '\n' ' ')" = "$*${*:+ }" ]
}

# called_with TEXT: some command line held TEXT.
called_with() { grep -qF -- "$1" "$esptool_calls" 2>/dev/null; }

# backup_holds NAME...: the backup folder holds exactly these entries.
backup_holds() {
    [ "$(cd -- "$esp/backup" 2>/dev/null && LC_ALL=C ls)" = "$(printf '%s\n' "$@" | LC_ALL=C sort)" ]
}

# stamp_of FILE: its time stamp, size and checksum, to see that it was left alone.
stamp_of() { stat -c '%Y %s' -- "$1" && cksum <"$1"; }
