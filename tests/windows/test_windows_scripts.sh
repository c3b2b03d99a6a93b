#!/usr/bin/env bash
# Runs the Windows flashing scripts under Wine's cmd.exe, started with exactly the command line
# that the program's launcher builds on Windows, from a program folder whose path holds blanks,
# letters outside ASCII and brackets. mkspiffs.bat uses the Windows build of spiffs_builder for
# real; esptool.bat runs a fake esptool.exe that records how it was called.
#
# Usage: bash test_windows_scripts.sh SCRIPTS RUN_AS_LAUNCHER FAKE_TOOL WINDOWS_BUILDER
#                                     LINUX_BUILDER COMMAND_LINE_TOOL PICTURES
# The Windows programs are empty where MinGW-w64 is missing. Exits 77 (skipped) then, or when
# Wine is missing; WINE names Wine's loader.

set -u
if [ $# -ne 7 ]; then
    echo "usage: $0 SCRIPTS RUN_AS_LAUNCHER FAKE_TOOL WINDOWS_BUILDER LINUX_BUILDER COMMAND_LINE_TOOL PICTURES" >&2
    exit 2
fi
scripts=$1 launcher_exe=$2 fake_exe=$3 builder_exe=$4 builder=$5 command_line=$6 pictures=$7
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
    cp -- "$scripts/mkspiffs.bat" "$scripts/esptool.bat" "$builder_exe" "$esp/"
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

status_is() { [ "$rc" -eq "$1" ]; }
status_failed() { [ "$rc" -ne 0 ]; }
# log_text LOG: the log in UTF-8 without CRs (cmd writes it in the OEM code page).
log_text() { tr -d '\r' <"$esp/$1" 2>/dev/null | iconv -f CP437 -t UTF-8; }
log_has() { log_text "$1" | grep -qF -- "$2"; }
args_of() { tr -d '\r' <"$esp/$1.args" 2>/dev/null; }
not_called() { [ ! -e "$esp/$1.args" ]; }
same_text() { [ "$(cat -- "$1" 2>/dev/null)" = "$2" ]; }
lines() { printf '%s\n' "$@"; }
# no_temporary_image: no run's folder (NAME.N.run) nor an old-style temporary image is left.
no_temporary_image() {
    [ ! -e "$esp/spiffs.bin.tmp" ] && [ -z "$(find "$esp" -maxdepth 1 -name '*.run')" ]
}
# folder_holds NAME...: the esptool folder holds exactly these entries.
folder_holds() { [ "$(cd -- "$esp" && LC_ALL=C ls)" = "$(LC_ALL=C; lines "$@" | sort)" ]; }
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
    folder_holds data esptool.bat mkspiffs.bat mkspiffs.log spiffs.bin spiffs_builder.exe
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
    "the image builder spiffs_builder.exe is missing from $(winepath -w "$esp"): copy the esptool folder again"

fresh_folder
rm -r -- "$esp/data"
run mkspiffs.bat
check "mkspiffs.bat: fails without the data folder" status_is 1
check "mkspiffs.bat: ... and says so" log_has mkspiffs.log "is missing"
check "mkspiffs.bat: ... in its result" result_is mkspiffs.log \
    "the picture folder $(winepath -w "$esp")\\data is missing: make it again"

fresh_folder
mkdir -- "$esp/spiffs.bin"
run mkspiffs.bat
check "mkspiffs.bat: spiffs.bin is a folder: a failure" status_is 1
check "mkspiffs.bat: ... that says so" result_is mkspiffs.log \
    "the image cannot be written: $(winepath -w "$esp")\\spiffs.bin is a folder."
check "mkspiffs.bat: ... the folder stays and nothing temporary is left" \
    folder_holds data esptool.bat mkspiffs.bat mkspiffs.log spiffs.bin spiffs_builder.exe

# spiffs.bin held open by another program, without sharing it for deletion: it cannot be replaced.
fresh_folder
printf 'OLD IMAGE' >"$esp/spiffs.bin"
cp -- "$fake_exe" "$root/hold.exe"
(cd -- "$esp" && timeout 120 "$wine" "$root/hold.exe" spiffs.bin </dev/null >/dev/null 2>&1) &
holder=$!
for _ in $(seq 300); do [ -e "$esp/spiffs.bin.held" ] && break; sleep 0.1; done
rm -f -- "$esp/spiffs.bin.held"
run mkspiffs.bat
: >"$esp/spiffs.bin.release"
wait "$holder"
rm -f -- "$esp/spiffs.bin.release"
check "mkspiffs.bat: spiffs.bin held open: a failure" status_is 1
check "mkspiffs.bat: ... that says so" result_is mkspiffs.log \
    "the image cannot be written: $(winepath -w "$esp")\\spiffs.bin cannot be replaced: close the program"
check "mkspiffs.bat: ... spiffs.bin is as it was" same_text "$esp/spiffs.bin" "OLD IMAGE"
check "mkspiffs.bat: ... and nothing temporary is left" \
    folder_holds data esptool.bat mkspiffs.bat mkspiffs.log spiffs.bin spiffs_builder.exe

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
        folder_holds data esptool.bat mkspiffs.bat mkspiffs.log spiffs.bin spiffs_builder.exe
done

# ---- esptool.bat -----------------------------------------------------------

# upload_with PORT [STATUS]: a folder with a built image and a fake esptool.exe that exits with
# STATUS; the first line set to "set com=PORT" as the program writes it.
upload_with() {
    fresh_folder
    run mkspiffs.bat
    cp -- "$fake_exe" "$esp/esptool.exe"
    [ "${2:-0}" -eq 0 ] || printf '%s' "$2" >"$esp/esptool.exit"
    { printf 'set com=%s\r\n' "$1"; tail -n +2 -- "$scripts/esptool.bat"; } >"$esp/esptool.bat"
    run esptool.bat
}

upload_with "COM7 "
check "esptool.bat: exits 0 when esptool succeeds" status_is 0
check "esptool.bat: the port comes from the first line without its blank" \
    [ "$(args_of esptool)" = "$(lines --chip esp8266 --port COM7 --baud 460800 --before default_reset \
        --after hard_reset write_flash 0x300000 spiffs.bin)" ]
check "esptool.bat: ... run in the esptool folder" \
    [ "$(tr -d '\r' <"$esp/esptool.cwd")" = "$(winepath -w "$esp")" ]
check "esptool.bat: ... on the image just built" [ "$(tr -d '\r' <"$esp/esptool.last")" = 1024000 ]
check "esptool.bat: ... which is that image" [ "$(cksum <"$esp/spiffs.bin")" = "$built" ]
check "esptool.bat: the log shows the command" log_has esptool.log "--port \"COM7\" --baud 460800"
check "esptool.bat: ... and esptool's output" log_has esptool.log "output of esptool"
check "esptool.bat: ... and its errors" log_has esptool.log "errors of esptool"
check "esptool.bat: ... and the end" log_has esptool.log "Upload finished."

upload_with COM12 2
check "esptool.bat: esptool's failure status (2) is passed on" status_is 2
check "esptool.bat: ... and the log says so" log_has esptool.log "esptool failed with exit status 2"

upload_with ""
check "esptool.bat: fails when no port is set" status_is 1
check "esptool.bat: ... without running esptool" not_called esptool
check "esptool.bat: ... and says so" log_has esptool.log "No serial port is set"

upload_with COM3
rm -f -- "$esp/spiffs.bin" "$esp/esptool.args"
run esptool.bat
check "esptool.bat: fails when there is no image" status_is 1
check "esptool.bat: ... without running esptool" not_called esptool
check "esptool.bat: ... and says so" log_has esptool.log "The image spiffs.bin is missing"

finish
