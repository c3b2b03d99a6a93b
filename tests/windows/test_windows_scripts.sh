#!/usr/bin/env bash
# Runs the Windows flashing scripts under Wine's cmd.exe, started with exactly the command line
# that the program's launcher builds on Windows, from a program folder whose path holds blanks,
# letters outside ASCII and brackets. mkspiffs.bat uses the Windows build of spiffs_builder for
# real; esptool.bat runs a fake esptool.exe that records how it was called and answers as esptool
# does (see fake_tool.c), and keeps the clock's file system with the real spiffs_builder.exe.
#
# Usage: bash test_windows_scripts.sh SCRIPTS RUN_AS_LAUNCHER FAKE_TOOL WINDOWS_BUILDER
#                                     LINUX_BUILDER COMMAND_LINE_TOOL PICTURES [LOG_REASON]
# LOG_REASON, the tests' log_reason, reads a failed upload's log as the program reads it.
# The Windows programs are empty where MinGW-w64 is missing. Exits 77 (skipped) then, or when
# Wine is missing; WINE names Wine's loader.

set -u
if [ $# -ne 7 ] && [ $# -ne 8 ]; then
    echo "usage: $0 SCRIPTS RUN_AS_LAUNCHER FAKE_TOOL WINDOWS_BUILDER LINUX_BUILDER COMMAND_LINE_TOOL PICTURES [LOG_REASON]" >&2
    exit 2
fi
scripts=$1 launcher_exe=$2 fake_exe=$3 builder_exe=$4 builder=$5 command_line=$6 pictures=$7
log_reason=${8:-}
wine=${WINE:-}
if [ -z "$wine" ]; then
    echo "SKIP: Wine is not installed (Debian: wine64)"
    exit 77
fi
for exe in "$launcher_exe" "$fake_exe" "$builder_exe"; do
    if [ -z "$exe" ]; then
        echo "SKIP: no Windows programs were built (MinGW-w64 is missing; Debian: g++-mingw-w64-x86-64-win32)"
        exit 77
    fi
done

. "$(dirname -- "$0")/../support/checks.sh"
. "$(dirname -- "$0")/../support/upload_checks.sh"

root=$(mktemp -d) || exit 2
trap 'rm -rf -- "$root"' EXIT
program="$root/Clock é ü (1)"
esp="$program/esptool"
elsewhere="$root/elsewhere"
mkdir -p -- "$elsewhere"

# fresh_folder: the program folder as a release lays it out, with the ten sample pictures.
fresh_folder() {
    rm -rf -- "$program"
    mkdir -p -- "$esp/data"
    cp -- "$scripts/mkspiffs.bat" "$scripts/esptool.bat" "$scripts/common.bat" "$builder_exe" "$esp/"
    cp -- "$pictures"/[0-9].jpg "$esp/data/"
}

# run SCRIPT: starts the script as the launcher does, from another folder; sets $rc.
run() {
    local script
    script=$(winepath -w "$esp/$1" 2>/dev/null) || { rc=125; return; }
    "$command_line" "$script" 'C:\windows' >"$root/command-line" || { rc=125; return; }
    (cd -- "$elsewhere" && timeout 120 "$wine" "$launcher_exe" "$root/command-line" \
        </dev/null >"$root/out" 2>&1)
    rc=$?
    [ "$rc" -ne 124 ] || fail "$1 ended within 120 s"
    # Whatever Wine or the launcher said: nothing, when the script ran.
    [ ! -s "$root/out" ] || sed 's/^/# /' "$root/out"
}

# log_text LOG: the log in UTF-8 without CRs (cmd writes it in the OEM code page).
log_text() { tr -d '\r' <"$esp/$1" 2>/dev/null | iconv -f CP437 -t UTF-8; }
log_has() { log_text "$1" | grep -qF -- "$2"; }
args_of() { tr -d '\r' <"$esp/$1.args" 2>/dev/null; }
not_called() { [ ! -e "$esp/$1.args" ]; }
# no_temporary_image: no run's folder (NAME.N.run) nor an old-style temporary image is left.
no_temporary_image() {
    [ ! -e "$esp/spiffs.bin.tmp" ] && [ -z "$(find "$esp" -maxdepth 1 -name '*.run')" ]
}
# result_is LOG TEXT: the log's one result line is its last, starts with TEXT and holds no '%'.
result_is() {
    local last
    last=$(log_text "$1" | tail -n 1)
    case $last in
        *%*) ;;
        "Result: $2"*) [ "$(log_text "$1" | grep -c '^Result: ')" -eq 1 ] && return 0 ;;
    esac
    echo "# $1 ends: $last"
    return 1
}
# uploaded_to PORT: esptool wrote with the upload's options to PORT, the image being the run's
# own copy of spiffs.bin, esptool.N.run\spiffs.bin.
uploaded_to() {
    [ "$(args_of esptool | head -n -1)" = "$(lines --chip esp8266 --port "$1" --baud 460800 \
        --before default_reset --after hard_reset write_flash 0x300000)" ] &&
        [[ $(args_of esptool | tail -n 1) == esptool.*.run\\spiffs.bin ]]
}
# image_holds_data: spiffs.bin unpacks to exactly the data folder.
image_holds_data() {
    rm -rf -- "$root/unpacked"
    "$builder" -u "$root/unpacked" "$esp/spiffs.bin" >/dev/null && diff -r "$root/unpacked" "$esp/data"
}

check "the command line is the launcher's: the system cmd.exe, /d /s /c and the quoted path" \
    sh -c '"$1" "C:\\Clock é (1)\\esptool\\mkspiffs.bat" "C:\\windows" |
        grep -qxF "C:\\windows\\System32\\cmd.exe  /d /s /c \"\"C:\\Clock é (1)\\esptool\\mkspiffs.bat\"\""' \
    sh "$command_line"

# ---- mkspiffs.bat ----------------------------------------------------------

fresh_folder
run mkspiffs.bat
check "mkspiffs.bat: builds the image with spiffs_builder.exe and exits 0" status_is 0
check "mkspiffs.bat: ... spiffs.bin is 1024000 bytes" [ "$(wc -c <"$esp/spiffs.bin" 2>/dev/null)" = 1024000 ]
check "mkspiffs.bat: ... it unpacks to exactly the data folder" image_holds_data
check "mkspiffs.bat: ... no temporary image is left" no_temporary_image
check "mkspiffs.bat: ... the log names the builder" log_has mkspiffs.log "Builder: spiffs_builder.exe"
check "mkspiffs.bat: ... and holds the builder's own output" log_has mkspiffs.log "/9.jpg"
check "mkspiffs.bat: ... and ends saying so" result_is mkspiffs.log "the image is built."
check "mkspiffs.bat: ... leaving only the image and the log" \
    folder_holds common.bat data esptool.bat mkspiffs.bat mkspiffs.log spiffs.bin spiffs_builder.exe
built=$(cksum <"$esp/spiffs.bin")
cp -- "$esp/spiffs.bin" "$root/built.bin"

fresh_folder
cp -- "$fake_exe" "$esp/mkspiffs.exe"
run mkspiffs.bat
check "mkspiffs.bat: a mkspiffs.exe in the folder overrides spiffs_builder.exe" status_is 0
check "mkspiffs.bat: ... called with the builder's options" \
    [ "$(args_of mkspiffs | head -n 8)" = "$(lines -c data -p 256 -b 8192 -s 1024000)" ]
check "mkspiffs.bat: ... and an image in a folder of the run's own" \
    sh -c 'tr -d "\r" <"$1" | tail -n +9 | grep -qx "mkspiffs\.[0-9]*\.run\\\\spiffs\.bin"' sh "$esp/mkspiffs.args"
check "mkspiffs.bat: ... whose output becomes spiffs.bin" same_text "$esp/spiffs.bin" "IMAGE FROM MKSPIFFS"
check "mkspiffs.bat: ... no temporary image is left" no_temporary_image
check "mkspiffs.bat: ... and the log says so" log_has mkspiffs.log "Builder: mkspiffs.exe from this folder"

fresh_folder
cp -- "$fake_exe" "$esp/mkspiffs.exe"
printf 5 >"$esp/mkspiffs.exit"
run mkspiffs.bat
check "mkspiffs.bat: a builder that fails without saying why: its status (5)" status_is 5
check "mkspiffs.bat: ... and the result points at the log" result_is mkspiffs.log \
    "mkspiffs.exe failed with exit status 5: see mkspiffs.log."

fresh_folder
printf 'OLD IMAGE' >"$esp/spiffs.bin"
printf 'x' >"$esp/data/a-name-far-too-long-for-the-file-system.jpg"
run mkspiffs.bat
check "mkspiffs.bat: a refused build exits with the builder's status" status_is 1
check "mkspiffs.bat: ... the old spiffs.bin is untouched" same_text "$esp/spiffs.bin" "OLD IMAGE"
check "mkspiffs.bat: ... no temporary image is left" no_temporary_image
check "mkspiffs.bat: ... the log gives the builder's reason" log_has mkspiffs.log "at most 31 bytes"
check "mkspiffs.bat: ... and says the build failed" log_has mkspiffs.log \
    "spiffs_builder.exe failed with exit status 1"
check "mkspiffs.bat: ... the result is the builder's reason, its quotes made single" result_is \
    mkspiffs.log "the name '/a-name-far-too-long-for-the-file-system.jpg' is "

fresh_folder
printf 'OLD IMAGE' >"$esp/spiffs.bin"
head -c 120000 /dev/urandom >"$root/noise"
for d in 0 1 2 3 4 5 6 7 8 9; do cp -- "$root/noise" "$esp/data/$d.jpg"; done
run mkspiffs.bat
check "mkspiffs.bat: pictures that do not fit: the builder's status" status_is 1
check "mkspiffs.bat: ... the result in the builder's words" result_is mkspiffs.log "the files do not fit"
check "mkspiffs.bat: ... the old spiffs.bin is untouched" same_text "$esp/spiffs.bin" "OLD IMAGE"
check "mkspiffs.bat: ... and nothing temporary is left" no_temporary_image

fresh_folder
rm -- "$esp/$(basename -- "$builder_exe")"
run mkspiffs.bat
check "mkspiffs.bat: fails without spiffs_builder.exe" status_is 1
check "mkspiffs.bat: ... and says so" result_is mkspiffs.log \
    "the image builder spiffs_builder.exe is missing: copy the esptool folder again"

fresh_folder
rm -r -- "$esp/data"
run mkspiffs.bat
check "mkspiffs.bat: fails without the data folder" status_is 1
check "mkspiffs.bat: ... and says so" log_has mkspiffs.log "is missing"
check "mkspiffs.bat: ... in its result" result_is mkspiffs.log \
    "the picture folder esptool\\data is missing: make it again"

fresh_folder
mkdir -- "$esp/spiffs.bin"
run mkspiffs.bat
check "mkspiffs.bat: spiffs.bin is a folder: a failure" status_is 1
check "mkspiffs.bat: ... that says so" result_is mkspiffs.log \
    "the image cannot be written: esptool\\spiffs.bin is a folder."
check "mkspiffs.bat: ... the folder stays and nothing temporary is left" \
    folder_holds common.bat data esptool.bat mkspiffs.bat mkspiffs.log spiffs.bin spiffs_builder.exe

# spiffs.bin held open by another program, without sharing it for deletion: it cannot be replaced.
fresh_folder
printf 'OLD IMAGE' >"$esp/spiffs.bin"
cp -- "$fake_exe" "$root/hold.exe"
(cd -- "$esp" && timeout 120 "$wine" "$root/hold.exe" spiffs.bin </dev/null >/dev/null 2>&1) &
holder=$!
for _ in $(seq 300); do [ -e "$esp/spiffs.bin.held" ] && break; sleep 0.1; done
rm -f -- "$esp/spiffs.bin.held"
started=$SECONDS
run mkspiffs.bat
took=$((SECONDS - started))
: >"$esp/spiffs.bin.release"
wait "$holder"
rm -f -- "$esp/spiffs.bin.release"
check "mkspiffs.bat: spiffs.bin held open: a failure" status_is 1
check "mkspiffs.bat: ... that says so" result_is mkspiffs.log \
    "the image cannot be written: esptool\\spiffs.bin cannot be replaced: close the program"
check "mkspiffs.bat: ... after trying again, a second apart" [ "$took" -ge 3 ]
check "mkspiffs.bat: ... spiffs.bin is as it was" same_text "$esp/spiffs.bin" "OLD IMAGE"
check "mkspiffs.bat: ... and nothing temporary is left" \
    folder_holds common.bat data esptool.bat mkspiffs.bat mkspiffs.log spiffs.bin spiffs_builder.exe

# Two builds at once, as from two windows: each finishes with a whole image and a log of its own,
# never a mixture.
fresh_folder
two_builds() {
    local script first second
    script=$(winepath -w "$esp/mkspiffs.bat") || return 1
    "$command_line" "$script" 'C:\windows' >"$root/command-line" || return 1
    (cd -- "$elsewhere" && timeout 120 "$wine" "$launcher_exe" "$root/command-line" </dev/null >/dev/null 2>&1) &
    first=$!
    (cd -- "$elsewhere" && timeout 120 "$wine" "$launcher_exe" "$root/command-line" </dev/null >/dev/null 2>&1)
    second=$?
    wait "$first"
    first=$?
    [ "$first" -eq 0 ] && [ "$second" -eq 0 ] && return 0
    echo "# the builds exited with $first and $second; mkspiffs.log ends: $(log_text mkspiffs.log | tail -n 1)"
    return 1
}
one_run_logged() {
    [ "$(log_text mkspiffs.log | grep -c '^Result: ')" -eq 1 ] &&
        [ "$(log_text mkspiffs.log | grep -c '^Running: ')" -eq 1 ]
}
for round in 1 2 3 4 5; do
    check "two builds at once, round $round: both succeed" two_builds
    check "... the log is one run's" one_run_logged
    check "... the image unpacks to the data folder" image_holds_data
    check "... nothing temporary is left" \
        folder_holds common.bat data esptool.bat mkspiffs.bat mkspiffs.log spiffs.bin spiffs_builder.exe
done

# ---- esptool.bat -----------------------------------------------------------

# upload_with PORT [STATUS]: a folder with a built image and a fake esptool.exe that exits with
# STATUS; the first line set to "set com=PORT" as the program writes it.
upload_with() {
    fresh_folder
    run mkspiffs.bat
    cp -- "$fake_exe" "$esp/esptool.exe"
    [ "${2:-0}" -eq 0 ] || printf '%s' "$2" >"$esp/esptool.exit"
    set_port "$1"
    run esptool.bat
}

upload_with "COM7 "
check "esptool.bat: exits 0 when esptool succeeds" status_is 0
check "esptool.bat: the port comes from the first line without its blank" uploaded_to COM7
check "esptool.bat: ... run in the esptool folder" \
    [ "$(tr -d '\r' <"$esp/esptool.cwd")" = "$(winepath -w "$esp")" ]
check "esptool.bat: ... on the image just built" [ "$(tr -d '\r' <"$esp/esptool.last")" = 1024000 ]
check "esptool.bat: ... which is that image" [ "$(cksum <"$esp/esptool.written")" = "$built" ]
check "esptool.bat: ... whose copy for the upload is gone" no_temporary_image
check "esptool.bat: the log shows the command" log_has esptool.log "--port \"COM7\" --baud 460800"
check "esptool.bat: ... and esptool's output" log_has esptool.log "output of esptool"
check "esptool.bat: ... and its errors" log_has esptool.log "errors of esptool"
check "esptool.bat: ... and the end" log_has esptool.log "Upload finished."
check "esptool.bat: ... and the result" result_is esptool.log "the image is on the clock on COM7."

upload_with COM12 2
check "esptool.bat: esptool's failure status (2) is passed on" status_is 2
check "esptool.bat: ... and the log says so" log_has esptool.log "esptool failed with exit status 2"

upload_with ""
check "esptool.bat: fails when no port is set" status_is 1
check "esptool.bat: ... without running esptool" not_called esptool
check "esptool.bat: ... and says so" result_is esptool.log \
    "no usable serial port was chosen: click Refresh, choose the clock's port and upload again."

upload_with COM3
rm -f -- "$esp/spiffs.bin" "$esp/esptool.args"
run esptool.bat
check "esptool.bat: fails when there is no image" status_is 1
check "esptool.bat: ... without running esptool" not_called esptool
check "esptool.bat: ... and says so" result_is esptool.log \
    "there is no image to upload: click Compile Custom Picture first."

# ---- esptool.bat: keeping the clock's own file system -----------------------

esp_win=$(winepath -w "$esp")

# ready_to_upload PORT: a fresh folder with the image built above, the fake esptool.exe and the
# first line set to "set com=PORT".
ready_to_upload() {
    fresh_folder
    cp -- "$root/built.bin" "$esp/spiffs.bin"
    cp -- "$fake_exe" "$esp/esptool.exe"
    set_port "$1"
}
# What the shared checks need: where the fake esptool.exe notes its calls and reads its orders
# (see fake_tool.c), and the port of their uploads.
esptool_calls=$esp/esptool.calls
esptool_orders=$esp/esptool.
upload_port=COM7
. "$(dirname -- "$0")/../support/backup_checks.sh"
# tree_of_root: every path below the test's root but the fake's records, the log and backup\.
tree_of_root() {
    (cd -- "$root" && find . ! -path './out' ! -path './command-line' ! -path './hold.exe' \
        ! -path "./Clock é ü (1)/esptool/esptool.*" ! -path "./Clock é ü (1)/esptool/backup" |
        LC_ALL=C sort)
}

# The clock's file system, made by the Linux builder.
make_clock_image

ready_to_upload COM7
cp -- "$root/clock.bin" "$esp/esptool.flash"
run esptool.bat
check "backup: the first upload reads the MAC, copies the file system, then writes" \
    commands_are read_mac read_flash write_flash
check "backup: ... exits 0" status_is 0
check "backup: ... reads the MAC with esptool's connection options" called_with \
    "--chip esp8266 --port COM7 --baud 460800 --before default_reset --after no_reset read_mac"
check "backup: ... reads 0xFA000 bytes at 0x300000 into a temporary name" called_with \
    "--after no_reset read_flash 0x300000 0xFA000 backup\\$clock.part"
check "backup: ... keeps exactly what was read as backup\\$clock.bin" \
    cmp -s -- "$esp/backup/$clock.bin" "$root/clock.bin"
check "backup: ... unpacks its files into backup\\$clock\\" \
    diff -r -- "$esp/backup/$clock" "$root/clock-files"
check "backup: ... leaves nothing else behind" backup_holds "$clock" "$clock.bin"
check "backup: ... nor in the esptool folder" folder_holds backup common.bat data esptool.args esptool.bat \
    esptool.calls esptool.cwd esptool.exe esptool.flash esptool.last esptool.log esptool.written \
    mkspiffs.bat spiffs.bin spiffs_builder.exe
check "backup: ... then writes the image" uploaded_to COM7
check "backup: ... and says where the copy is" log_has esptool.log \
    "Kept the clock's file system in \"$esp_win\\backup\\$clock.bin\"."

touch -d '2020-01-02 03:04:05' -- "$esp/backup/$clock.bin"
before=$(stamp_of "$esp/backup/$clock.bin")
rm -f -- "$esp/esptool.calls"
run esptool.bat
check "backup: a second upload to the same clock does not read it again" \
    commands_are read_mac write_flash
check "backup: ... exits 0" status_is 0
check "backup: ... and leaves its copy as it was, time stamp too" \
    [ "$(stamp_of "$esp/backup/$clock.bin")" = "$before" ]
check "backup: ... and says so" log_has esptool.log "The clock $clock was copied before"

copy_of_another_clock
check "backup: ... to its end" result_is esptool.log "the image is on the clock on COM7."

ready_to_upload COM7
: >"$esp/esptool.mac-padded"
run esptool.bat
check "backup: the MAC padded as esptool 5 pads it names the same copy" \
    [ -f "$esp/backup/$clock.bin" ]
check "backup: ... and the upload goes on" commands_are read_mac read_flash write_flash

copies_that_fail
ready_to_upload COM7
: >"$esp/esptool.read_flash.short"
run esptool.bat
check "backup: ... esptool read a byte too few" result_is esptool.log \
    "no copy of the clock's pictures could be kept (esptool read 1023999 bytes of 1024000; is the disk full?): to upload without one, put an empty file named no-backup into the esptool folder."

# Anything but six pairs of hex digits never names a file, whatever characters it holds.
for mac in none ../../x '..\..\x' 5c:cf:7f:51:4d 5c:cf:7f:51:4d:01:02 5c:cf:7f:51:4d:0g \
    5c:cf:7f:51:4d:1 5ccf:7f:51:4d:01: 5c-cf-7f-51-4d-01 '' 'a&b' '5c:cf:7f:51:4d:0%' \
    '"5c:cf:7f:51:4d:01"' '5c:cf:7f:51:4d:01!' '5c:cf:7f:51:4d:0^' '5c:cf:7f:51:4d:0>x'; do
    upload_to_mac "$mac"
    check "backup: MAC '$mac': no write, a failure, nothing written anywhere" no_backup_made
    check "... the result says esptool named no MAC address" result_is esptool.log \
        "no copy of the clock's pictures could be kept (esptool named no MAC address for the clock):"
done

ready_to_upload COM7
printf 'read_mac\n' >"$esp/esptool.fail-at"
printf 'A fatal error occurred: Failed to connect to ESP8266: No serial data received.\n' >"$esp/esptool.failure"
printf 2 >"$esp/esptool.failure.status"
run_upload
check "backup: esptool cannot reach the clock: no write" no_backup_made
check "... esptool's status is the script's" status_is 2

ready_to_upload COM7
printf 'not a folder' >"$esp/backup"
run esptool.bat
check "backup: the backup folder cannot be made: no read, no write" commands_are read_mac
check "backup: ... a failure" status_is 1
check "backup: ... that says so" result_is esptool.log \
    "no copy of the clock's pictures could be kept (the folder esptool\\backup cannot be made):"
check "backup: ... and leaves that file alone" same_text "$esp/backup" "not a folder"

ready_to_upload COM7
mkdir -p -- "$esp/backup/$clock.bin"
run esptool.bat
check "backup: a folder where the copy belongs: no read, no write" commands_are read_mac
check "backup: ... a failure" status_is 1
check "backup: ... that says so" result_is esptool.log \
    "no copy of the clock's pictures could be kept (esptool\\backup\\$clock.bin is there but is not a file):"

ready_to_upload COM7
: >"$esp/no-backup"
run esptool.bat
check "backup: with no-backup in the folder, only the image is written" commands_are write_flash
check "backup: ... as an upload always was" uploaded_to COM7
check "backup: ... and exits 0" status_is 0

# ---- esptool.bat: the port -------------------------------------------------

# Only letters, digits and . _ - / make a port name; anything else in the first line never
# reaches esptool.
for port in 'CO=M7' 'COM7\x' 'COM(7)' 'COM7;x' 'COM7,x' '"COM7"'; do
    ready_to_upload "$port"
    run esptool.bat
    check "port '$port': a failure" status_is 1
    check "... without running esptool" [ ! -e "$esp/esptool.calls" ]
    check "... that says no usable port was chosen" result_is esptool.log \
        "no usable serial port was chosen"
done
ready_to_upload " COM 12 "
run esptool.bat
check "port ' COM 12 ': the blanks are dropped" called_with "--port COM12 --baud"

# ---- esptool.bat: the result line ------------------------------------------

# What esptool's words mean is the program's to read (its test holds the texts); here, what the
# script writes around them, and one failure read as the program reads it.
in_use="A fatal error occurred: Could not open COM7, the port is busy or doesn't exist.
(could not open port 'COM7': PermissionError(13, 'Access is denied.', None, 5))"
a_failed_step_reads_as windows COM7 "$in_use" \
    "the port COM7 is in use by another program: close it (a serial monitor, another flashing tool) and upload again."
esptool_fails write_flash 3 'A fatal error occurred:  %odd & "quoted" <x> | y ^ z ! (a) 100%'
check "result: a failed write, after a copy was kept" [ -f "$esp/backup/$clock.bin" ]
check "result: ... names its step, esptool's words in the log being only text" result_is \
    esptool.log "esptool's write_flash failed on COM7 with exit status 3: see the lines above."
check "result: ... esptool's status is the script's" status_is 3
check "result: ... and nothing temporary is left" no_temporary_image
esptool_fails read_flash 2 "KeyError: 'x'"
check "result: a copy that could not be read names its step" result_is esptool.log \
    "esptool's read_flash failed on COM7 with exit status 2: see the lines above."
check "result: ... with esptool's status" status_is 2
check "result: ... leaving nothing temporary" backup_holds
check "result: the scripts hold none of esptool's failure texts" \
    sh -c '! grep -qiE "errno|fatal error|failed to connect|stopped responding|could not open" "$@"' \
    sh "$scripts"/*.bat

# ---- esptool.bat: the image of the upload's start --------------------------

# A compile while the first upload to a clock copies it (some 22 s with a real clock) replaces
# spiffs.bin; the clock still gets the image that was there when the upload started.
ready_to_upload COM7
rm -- "$esp/data/9.jpg"
: >"$esp/esptool.compile-during-read"
run esptool.bat
check "image of the start: a compile during the copy of the clock, and the upload ends well" \
    status_is 0
check "... the compile replaced spiffs.bin" sh -c '! cmp -s -- "$1" "$2" && [ "$(wc -c <"$1")" = 1024000 ]' \
    sh "$esp/spiffs.bin" "$root/built.bin"
check "... the clock got the image of the upload's start" \
    cmp -s -- "$esp/esptool.written" "$root/built.bin"
check "... and no run left anything behind" no_temporary_image

# ---- common.bat ------------------------------------------------------------

for script in mkspiffs.bat esptool.bat; do
    ready_to_upload COM7
    rm -- "$esp/common.bat"
    run "$script"
    check "$script without common.bat: a failure" status_is 1
    check "... without running a tool" [ ! -e "$esp/esptool.calls" ]
    check "... that says so" result_is "${script%.bat}.log" "the script common.bat is missing: copy"
done

ready_to_upload COM7
rm -- "$esp/esptool.exe"
run esptool.bat
if log_has esptool.log 'Running: "'; then
    skip "result: esptool missing (this Wine prefix has an esptool.exe or Python's esptool)"
else
    check "result: esptool missing" result_is esptool.log \
        "esptool is not installed: put esptool.exe from an esptool release into the esptool folder, or install Python and run 'pip install esptool'."
    check "result: ... a failure" status_is 1
fi

ready_to_upload COM7
rm -- "$esp/spiffs.bin"
run esptool.bat
check "result: the log is one run's, with nothing left beside it" \
    folder_holds common.bat data esptool.bat esptool.exe esptool.log mkspiffs.bat spiffs_builder.exe

finish
