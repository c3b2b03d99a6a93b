# Checks of the upload scripts' copy of a clock's file system, shared by the tests of the POSIX
# and the Windows scripts, sourced by bash. They read $esp, the esptool folder, and $esptool_calls,
# the file where the fake esptool notes each command line it was run with; $root, the test's own
# folder, and $builder, the program's spiffs_builder as built to run here. Each test has its ways
# to run a script and read a log, which differ by system: run NAME (setting $rc), log_has LOG TEXT
# and tree_of_root, every path below $root but the fake's records and the script's own output.

# The name of a clock's copy, from the MAC that the fake esptools answer with unless told another.
clock=5c-cf-7f-51-4d-01

# make_clock_image: $root/clock.bin, a real image of known files (those of $root/clock-files) to
# stand for the clock's file system.
make_clock_image() {
    mkdir -p -- "$root/clock-files/sub"
    printf 'the clock zero' >"$root/clock-files/0.jpg"
    printf 'the clock seven' >"$root/clock-files/sub/7.jpg"
    "$builder" -c "$root/clock-files" -p 256 -b 8192 -s 1024000 "$root/clock.bin" >/dev/null
}

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

# run_upload: runs esptool.bat, noting the tree before it in $tree_before.
run_upload() {
    tree_before=$(tree_of_root)
    run esptool.bat
}

# no_backup_made: after run_upload, the upload stopped before writing and left nothing behind,
# not even in the backup folder; what differs is shown.
no_backup_made() {
    status_failed || { echo "# esptool.bat exited with 0"; return 1; }
    ! called_with write_flash || { echo "# esptool.bat wrote the image"; return 1; }
    [ ! -e "$esp/backup/$clock.bin" ] && { [ ! -e "$esp/backup" ] || backup_holds; } ||
        { echo "# backup holds:" $(cd -- "$esp/backup" && ls); return 1; }
    [ "$(tree_of_root)" = "$tree_before" ] ||
        { diff <(echo "$tree_before") <(tree_of_root) | sed 's/^/# /'; return 1; }
    log_has esptool.log "put an empty file named no-backup"
}
