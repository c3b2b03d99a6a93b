# Checks of the upload scripts' copy of a clock's file system, shared by the tests of the POSIX
# and the Windows scripts, sourced by bash after upload_checks.sh, whose settings they read too.
# Besides those: $esptool_calls, the file where the fake esptool notes each command line it was
# run with; $root, the test's own folder, and $builder, the program's spiffs_builder as built to
# run here. Each test has its own way to read a log, log_has LOG TEXT, and tree_of_root, every
# path below $root but the fake's records and the script's own output.

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

# copy_of_another_clock: after a first upload, whose copy's stamp is $before, an upload to a clock
# with another MAC and nothing in its file system.
copy_of_another_clock() {
    printf 'A4:CF:12:0B:FF:EE' >"${esptool_orders}mac"
    rm -f -- "${esptool_orders}flash" "$esptool_calls"
    run esptool.bat
    check "backup: another clock gets a copy of its own, named in lower case" \
        backup_holds "$clock" "$clock.bin" a4-cf-12-0b-ff-ee.bin
    check "backup: ... a blank area is kept, though it does not unpack" \
        cmp -s -- "$esp/backup/a4-cf-12-0b-ff-ee.bin" <(head -c 1024000 /dev/zero | tr '\000' '\377')
    check "backup: ... and the upload goes on" commands_are read_mac read_flash write_flash
    check "backup: ... and the log says the files could not be unpacked" \
        log_has esptool.log "could not be unpacked"
    check "backup: ... the first clock's copy is untouched" \
        [ "$(stamp_of "$esp/backup/$clock.bin")" = "$before" ]
}

# copies_that_fail: uploads whose reading of the clock fails, or comes a byte short, then the
# upload after each.
copies_that_fail() {
    local failure
    for failure in read_flash.fail read_flash.short; do
        ready_to_upload "$upload_port"
        : >"${esptool_orders}$failure"
        run_upload
        check "backup: $failure: no write, a failure, no copy and nothing temporary" no_backup_made
        check "backup: ... the log says why" log_has esptool.log "No copy of the clock's file system"
        rm -f -- "${esptool_orders}$failure" "$esptool_calls"
        run esptool.bat
        check "backup: ... and the next upload copies and writes" \
            commands_are read_mac read_flash write_flash
        check "backup: ... ending with a whole copy" \
            [ "$(wc -c <"$esp/backup/$clock.bin")" -eq 1024000 ]
    done
}

# upload_to_mac MAC: run_upload with the fake esptool naming MAC as the clock's, or naming none
# for "none".
upload_to_mac() {
    ready_to_upload "$upload_port"
    if [ "$1" = none ]; then
        : >"${esptool_orders}no-mac"
    else
        printf '%s' "$1" >"${esptool_orders}mac"
    fi
    run_upload
}
