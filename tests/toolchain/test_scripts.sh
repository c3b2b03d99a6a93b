#!/usr/bin/env bash
# Tests the POSIX flash scripts (mkspiffs.bat, esptool.bat) the way the desk
# clock program runs them: /bin/sh "<full path>", from another working
# directory, stdin from /dev/null, with fake mkspiffs/esptool tools that
# record how they were called.
#
# Usage: bash test_scripts.sh <folder with the POSIX scripts> [spiffs_builder [log_reason]]
# With the program's own spiffs_builder given, mkspiffs.bat also builds a real
# image with it, which is then read back. With the tests' log_reason, a failed
# upload's log is also read as the program reads it.
# TEST_SH chooses the shell that runs the scripts (default /bin/sh), e.g.
#   TEST_SH="bash --posix" bash test_scripts.sh src/flash/toolchain/posix

set -u

if [ $# -lt 1 ] || [ $# -gt 3 ] || [ ! -f "$1/mkspiffs.bat" ] || [ ! -f "$1/esptool.bat" ]; then
    echo "usage: $0 <folder with mkspiffs.bat and esptool.bat> [spiffs_builder [log_reason]]" >&2
    exit 2
fi
src=$(cd -- "$1" && pwd)
builder=${2:-}
log_reason=${3:-}
read -r -a script_shell <<<"${TEST_SH:-/bin/sh}"
timeout_bin=$(command -v timeout) || { echo "timeout(1) is required" >&2; exit 2; }


root=$(mktemp -d) || exit 2
trap 'rm -rf -- "$root"' EXIT
esp="$root/Prog dir é/esptool"   # the program folder has a blank and a non-ASCII letter
calls="$root/calls"              # where the fakes record their calls
bin="$root/bin"                  # extra PATH entry for fakes "installed" on the PATH
elsewhere="$root/elsewhere"      # the caller's working directory
base_path=/usr/bin:/bin

# ---- reporting -------------------------------------------------------------

. "$(dirname -- "$0")/../support/checks.sh"

# ---- predicates ------------------------------------------------------------

. "$(dirname -- "$0")/../support/upload_checks.sh"
called() { [ -e "$calls/$1.args" ]; }
not_called() { [ ! -e "$calls/$1.args" ]; }
args_of() { cat -- "$calls/$1.args" 2>/dev/null; }
log_has() { grep -qF -- "$2" "$esp/$1" 2>/dev/null; }
log_text() { cat -- "$esp/$1" 2>/dev/null; }
quiet() { [ ! -s "$root/out" ] && [ ! -s "$root/err" ]; }
real_dir() { (cd -- "$1" && pwd -P); }
ran_in_esptool_folder() { same_text "$calls/$1.cwd" "$(real_dir "$esp")"; }
# log_starts_with_date LOG: the first line begins with YYYY-MM-DD.
log_starts_with_date() { head -n 1 -- "$esp/$1" | grep -q '^[0-9]\{4\}-[0-9][0-9]-[0-9][0-9] '; }
# esptool_args_are TAG DEVICE: TAG received exactly the upload arguments, the
# image being the upload's own copy of spiffs.bin, a link beside it.
esptool_args_are() {
    [ "$(args_of "$1" | head -n -1)" = "$(lines --chip esp8266 --port "$2" --baud 460800 \
        --before default_reset --after hard_reset write_flash 0x300000)" ] &&
        [[ $(args_of "$1" | tail -n 1) == spiffs.bin.*.upload ]]
}
# mkspiffs_args_ok TAG: the build options, then one output file in the folder.
mkspiffs_args_ok() {
    local expected=(-c data -p 256 -b 8192 -s 1024000) out
    [ "$(args_of "$1" | head -n "${#expected[@]}")" = "$(lines "${expected[@]}")" ] || return 1
    [ "$(args_of "$1" | wc -l)" -eq $((${#expected[@]} + 1)) ] || return 1
    out=$(args_of "$1" | tail -n 1)
    case $out in
        */*) [ "$(real_dir "$(dirname -- "$out")")" = "$(real_dir "$esp")" ] ;;
        *) ran_in_esptool_folder "$1" ;;
    esac
}
first_line_is_port_line() { [[ $(head -n 1 -- "$1") == "set com="?????$'\r' ]]; }
no_cr_after_line() { ! tail -n +"$(($2 + 1))" -- "$1" | grep -q $'\r'; }

# ---- fixtures --------------------------------------------------------------

# fresh_folder: a new program folder holding only the scripts and data/.
fresh_folder() {
    rm -rf -- "$root/Prog dir é" "$calls" "$bin" "$elsewhere"
    mkdir -p -- "$esp/data" "$calls" "$bin" "$elsewhere"
    cp -- "$src/mkspiffs.bat" "$src/esptool.bat" "$esp/"
    local d
    for d in 0 1 2 3 4 5 6 7 8 9; do printf 'JPEG %s' "$d" >"$esp/data/$d.jpg"; done
}

# fake DIR NAME TAG STATUS: an executable tool that records its working
# directory and arguments (one per line) under TAG, prints to stdout and
# stderr and exits with STATUS. A fake mkspiffs also writes its output file
# (the last argument), even when it fails, like a build that stops halfway.
# A fake esptool also appends each command line to TAG.calls and answers as
# esptool does: read_mac prints the MAC in $calls/mac (padded as esptool 5
# pads it when $calls/mac-padded exists), read_flash writes the bytes of
# $calls/flash (0xFF without it) into its file. $calls/read_mac.fail or
# $calls/read_flash.fail makes that step fail; $calls/read_flash.short makes
# read_flash write a byte too few; with $calls/compile-during-read, read_flash
# runs mkspiffs.bat first. With $calls/fail-at naming a command, that command
# prints $calls/failure and exits with $calls/failure.status. Any other command
# of a fake esptool keeps a copy of the file it was given last as TAG.written.
fake() {
    local dir=$1 name=$2 tag=$3 status=$4
    {
        echo '#!/bin/sh'
        echo "record='$calls/$tag' calls='$calls' name=$name status=$status"
        cat <<'EOF'
pwd -P >"$record.cwd"
printf '%s\n' "$*" >>"$record.calls"
echo "output of $name"
echo "errors of $name" >&2
if [ -e "$calls/fail-at" ]; then
    case " $* " in *" $(cat "$calls/fail-at") "*)
        cat "$calls/failure"
        exit "$(cat "$calls/failure.status")" ;;
    esac
fi
case " $* " in
*" read_mac "*)
    [ -e "$calls/read_mac.fail" ] && { echo "A fatal error occurred: Failed to connect"; exit 2; }
    [ -e "$calls/no-mac" ] && exit 0
    mac=$(cat "$calls/mac" 2>/dev/null || echo 5c:cf:7f:51:4d:01)
    if [ -e "$calls/mac-padded" ]; then printf 'MAC:                %s\n' "$mac"
    else printf 'MAC: %s\n' "$mac"; fi
    exit 0 ;;
*" read_flash "*)
    while [ "$1" != read_flash ]; do shift; done
    size=$(($3)) file=$4
    [ -e "$calls/read_flash.fail" ] && { echo "A fatal error occurred: read failed"; exit 2; }
    [ -e "$calls/read_flash.short" ] && size=$((size - 1))
    [ -e "$calls/compile-during-read" ] && sh ./mkspiffs.bat </dev/null
    if [ -e "$calls/flash" ]; then head -c "$size" "$calls/flash"
    else head -c "$size" /dev/zero | tr '\000' '\377'; fi >"$file"
    exit 0 ;;
esac
printf '%s\n' "$@" >"$record.args"
for last; do :; done
case $name in esptool*) cp -- "$last" "$record.written" ;; esac
if [ "$name" = mkspiffs ] || [ "$name" = spiffs_builder ]; then
    if [ "$status" -eq 0 ]; then echo "NEW IMAGE"; else echo "HALF"; fi >"$last"
fi
exit "$status"
EOF
    } >"$dir/$name"
    chmod +x "$dir/$name"
}

# fake_py FILE: an esptool.py written in Python that records like fake().
fake_py() {
    cat >"$1" <<EOF
#!/usr/bin/env python3
import os, sys
args = sys.argv[1:]
if "read_mac" in args:
    sys.exit(print("MAC: 5c:cf:7f:51:4d:01"))
if "read_flash" in args:
    offset, size, name = args[args.index("read_flash") + 1:][:3]
    sys.exit(open(name, "wb").write(b"\xff" * int(size, 0)) and None)
with open("$calls/esptool.py.cwd", "w") as f: f.write(os.path.realpath(os.getcwd()) + "\n")
with open("$calls/esptool.py.args", "w") as f: f.write("".join(a + "\n" for a in args))
print("output of esptool.py")
EOF
}

# run NAME [PATH]: runs a script as the program does; sets $rc, keeps the
# caller-visible output in $root/out and $root/err.
run() {
    local name=$1 path=${2:-$bin:$base_path}
    (cd -- "$elsewhere" &&
        HOME=$root/home PATH=$path "$timeout_bin" 20 "${script_shell[@]}" "$esp/$name" \
            </dev/null >"$root/out" 2>"$root/err")
    rc=$?
    if [ "$rc" -eq 124 ]; then fail "$name returned within 20 s with stdin closed"; fi
}

# ---- the files themselves --------------------------------------------------

check "esptool.bat starts with a 13-character 'set com=' line ending in CR LF" \
    first_line_is_port_line "$src/esptool.bat"
check "esptool.bat has LF line endings after the first line" no_cr_after_line "$src/esptool.bat" 1
check "mkspiffs.bat has LF line endings" no_cr_after_line "$src/mkspiffs.bat" 0

# ---- mkspiffs.bat ----------------------------------------------------------

fresh_folder
fake "$esp" mkspiffs mkspiffs 0
run mkspiffs.bat
check "mkspiffs.bat: exits 0 when mkspiffs succeeds" status_is 0
check "mkspiffs.bat: calls mkspiffs -c data -p 256 -b 8192 -s 1024000 <file in the folder>" \
    mkspiffs_args_ok mkspiffs
check "mkspiffs.bat: spiffs.bin holds the new image" same_text "$esp/spiffs.bin" "NEW IMAGE"
check "mkspiffs.bat: leaves no temporary file behind" \
    folder_holds data esptool.bat mkspiffs mkspiffs.bat mkspiffs.log spiffs.bin
check "mkspiffs.bat: the log starts with the date" log_starts_with_date mkspiffs.log
check "mkspiffs.bat: the log shows the command line" log_has mkspiffs.log "-c data -p 256 -b 8192 -s 1024000"
check "mkspiffs.bat: mkspiffs's stdout goes to mkspiffs.log" log_has mkspiffs.log "output of mkspiffs"
check "mkspiffs.bat: mkspiffs's stderr goes to mkspiffs.log" log_has mkspiffs.log "errors of mkspiffs"
check "mkspiffs.bat: prints nothing to the caller" quiet

fresh_folder
fake "$esp" mkspiffs mkspiffs 3
printf 'OLD IMAGE' >"$esp/spiffs.bin"
run mkspiffs.bat
check "mkspiffs.bat: a failed build exits with mkspiffs's status (3)" status_is 3
check "mkspiffs.bat: a failed build leaves the old spiffs.bin untouched" \
    same_text "$esp/spiffs.bin" "OLD IMAGE"
check "mkspiffs.bat: a failed build leaves no temporary file behind" \
    folder_holds data esptool.bat mkspiffs mkspiffs.bat mkspiffs.log spiffs.bin

fresh_folder
fake "$esp" mkspiffs folder 0
fake "$bin" mkspiffs path 0
run mkspiffs.bat
check "mkspiffs.bat: the mkspiffs in the esptool folder is used" called folder
check "mkspiffs.bat: ... and not the one on the PATH" not_called path

fresh_folder
fake "$esp" mkspiffs folder 0
fake "$esp" spiffs_builder builder 0
run mkspiffs.bat
check "mkspiffs.bat: a mkspiffs in the folder overrides spiffs_builder" called folder
check "mkspiffs.bat: ... which is not run" not_called builder
check "mkspiffs.bat: ... and the log names the builder that ran" log_has mkspiffs.log \
    "Builder: mkspiffs from this folder"

fresh_folder
fake "$esp" spiffs_builder builder 0
fake "$bin" mkspiffs path 0
run mkspiffs.bat
check "mkspiffs.bat: without a mkspiffs in the folder, spiffs_builder builds the image" \
    same_text "$esp/spiffs.bin" "NEW IMAGE"
check "mkspiffs.bat: ... with the same command line" mkspiffs_args_ok builder
check "mkspiffs.bat: ... a mkspiffs on the PATH takes no part" not_called path
check "mkspiffs.bat: ... and the log names spiffs_builder" log_has mkspiffs.log \
    "Builder: spiffs_builder, the program's own"

fresh_folder
fake "$esp" spiffs_builder builder 4
printf 'OLD IMAGE' >"$esp/spiffs.bin"
run mkspiffs.bat
check "mkspiffs.bat: a failing spiffs_builder's status (4) is passed on" status_is 4
check "mkspiffs.bat: ... the old spiffs.bin is untouched" same_text "$esp/spiffs.bin" "OLD IMAGE"
check "mkspiffs.bat: ... and the log says which builder failed" log_has mkspiffs.log \
    "spiffs_builder failed with exit status 4"

fresh_folder
fake "$esp" mkspiffs mkspiffs 0
rm -r -- "$esp/data"
run mkspiffs.bat
check "mkspiffs.bat: fails when data/ is missing" status_failed
check "mkspiffs.bat: ... without calling mkspiffs" not_called mkspiffs
check "mkspiffs.bat: ... and says so in the log" log_has mkspiffs.log "Result: the picture folder esptool/data is missing"

fresh_folder
fake "$bin" mkspiffs path 0
run mkspiffs.bat
check "mkspiffs.bat: fails when spiffs_builder is missing, even with a mkspiffs on the PATH" \
    status_failed
check "mkspiffs.bat: ... without running that mkspiffs" not_called path
check "mkspiffs.bat: ... and says so plainly in the log" log_has mkspiffs.log \
    "Result: the image builder spiffs_builder is missing: copy the esptool folder again"

for tool in mkspiffs spiffs_builder; do
    fresh_folder
    fake "$esp" "$tool" "$tool" 0
    chmod -x "$esp/$tool"
    run mkspiffs.bat
    check "mkspiffs.bat: fails when the $tool in the folder is not executable" status_failed
    check "mkspiffs.bat: ... and tells how to fix it" log_has mkspiffs.log "chmod +x $tool"
done

# The real builder, as the program folder has it.
if [ -z "$builder" ]; then
    skip "mkspiffs.bat: a real image with spiffs_builder (none given)"
else
    fresh_folder
    cp -- "$builder" "$esp/spiffs_builder"
    mkdir -p -- "$root/unpacked"
    run mkspiffs.bat "$base_path"
    check "mkspiffs.bat: spiffs_builder builds a real image" status_is 0
    check "mkspiffs.bat: ... of 1024000 bytes" [ "$(wc -c <"$esp/spiffs.bin")" -eq 1024000 ]
    check "mkspiffs.bat: ... that lists the ten pictures" [ "$("$builder" -l "$esp/spiffs.bin" |
        cut -f 2 | LC_ALL=C sort | tr '\n' ' ')" = "/0.jpg /1.jpg /2.jpg /3.jpg /4.jpg /5.jpg /6.jpg /7.jpg /8.jpg /9.jpg " ]
    check "mkspiffs.bat: ... and unpacks to the data folder" \
        sh -c '"$1" -u "$2" "$3" >/dev/null && diff -r "$2" "$4"' sh \
        "$builder" "$root/unpacked/data" "$esp/spiffs.bin" "$esp/data"
    check "mkspiffs.bat: ... leaving no temporary file" \
        folder_holds data esptool.bat mkspiffs.bat mkspiffs.log spiffs.bin spiffs_builder
fi

# ---- esptool.bat -----------------------------------------------------------

# upload_with PORT [STATUS]: a fresh folder with an image and a fake esptool
# exiting with STATUS, the port line set to PORT; runs esptool.bat.
upload_with() {
    ready_to_upload "$@"
    run esptool.bat
}

# ready_to_upload PORT [STATUS]: upload_with, without running the script.
ready_to_upload() {
    fresh_folder
    printf 'IMAGE' >"$esp/spiffs.bin"
    fake "$esp" esptool esptool "${2:-0}"
    set_port "$1"
}

upload_with ttyUSB0
check "esptool.bat: exits 0 when esptool succeeds" status_is 0
check "esptool.bat: 'set com=ttyUSB0' uploads to /dev/ttyUSB0 with the full argument list" \
    esptool_args_are esptool /dev/ttyUSB0
check "esptool.bat: runs esptool in the esptool folder, where spiffs.bin is" \
    ran_in_esptool_folder esptool
check "esptool.bat: the log starts with the date" log_starts_with_date esptool.log
check "esptool.bat: the log shows the command line" log_has esptool.log "--port /dev/ttyUSB0 --baud 460800"
check "esptool.bat: esptool's stdout goes to esptool.log" log_has esptool.log "output of esptool"
check "esptool.bat: esptool's stderr goes to esptool.log" log_has esptool.log "errors of esptool"
check "esptool.bat: prints nothing to the caller" quiet

upload_with "ttyS1 "
check "esptool.bat: a blank after the port is stripped" esptool_args_are esptool /dev/ttyS1

upload_with /dev/ttyACM0
check "esptool.bat: a port given as a path is used as it is" esptool_args_are esptool /dev/ttyACM0

upload_with ttyUSB0 2
check "esptool.bat: exits with esptool's failure status (2)" status_is 2

upload_with ""
check "esptool.bat: fails when the port is empty" status_failed
check "esptool.bat: ... without calling esptool" not_called esptool
check "esptool.bat: ... and says so in the log" log_has esptool.log "Result: no usable serial port was chosen"

upload_with ttyUSB0
rm -f -- "$esp/spiffs.bin" "$calls/esptool.args"
run esptool.bat
check "esptool.bat: fails when spiffs.bin is missing" status_failed
check "esptool.bat: ... without calling esptool" not_called esptool
check "esptool.bat: ... and says so in the log" log_has esptool.log \
    "Result: there is no image to upload: click Compile Custom Picture first."

upload_with ttyUSB0
fake "$esp" esptool folder 0
fake "$bin" esptool path 0
run esptool.bat
check "esptool.bat: the esptool in the esptool folder is used" called folder
check "esptool.bat: ... and not the one on the PATH" not_called path

upload_with ttyUSB0
rm -- "$esp/esptool"
fake "$bin" esptool path 0
run esptool.bat
check "esptool.bat: without one in the folder, the esptool on the PATH is used" \
    esptool_args_are path /dev/ttyUSB0

# pipx installs into ~/.local/bin, which a program started from a menu may not have on its PATH.
for name in esptool esptool.py; do
    upload_with ttyUSB0
    rm -- "$esp/esptool"
    mkdir -p -- "$root/home/.local/bin"
    fake "$root/home/.local/bin" "$name" pipx 0
    run esptool.bat "$base_path"
    check "esptool.bat: $name in ~/.local/bin is found when it is not on the PATH" \
        esptool_args_are pipx /dev/ttyUSB0
    rm -rf -- "$root/home"
done

if ! PATH=$base_path command -v python3 >/dev/null; then
    skip "esptool.bat: esptool.py in the folder (no python3 in $base_path)"
else
    for mode in +x -x; do
        upload_with ttyUSB0
        rm -- "$esp/esptool"
        fake_py "$esp/esptool.py"
        chmod "$mode" "$esp/esptool.py"
        fake "$bin" esptool path 0
        run esptool.bat
        check "esptool.bat: uses esptool.py ($mode) from the folder when esptool is absent" \
            esptool_args_are esptool.py /dev/ttyUSB0
    done
fi

if PATH=$base_path command -v esptool esptool.py >/dev/null ||
    PATH=$base_path python3 -c 'import esptool' >/dev/null 2>&1; then
    skip "esptool.bat: missing esptool (this system has esptool in $base_path)"
else
    upload_with ttyUSB0
    rm -- "$esp/esptool"
    run esptool.bat "$base_path"
    check "esptool.bat: fails when esptool is nowhere" status_failed
    check "esptool.bat: ... and says so plainly in the log" log_has esptool.log \
        "Result: esptool is not installed: install it with 'pipx install esptool'"
fi

# ---- esptool.bat: keeping the clock's own file system ----------------------

# What the shared checks need: where the fake esptool notes its calls and reads its orders (see
# fake above), and the port of their uploads.
esptool_calls=$calls/esptool.calls
esptool_orders=$calls/
upload_port=ttyUSB0
. "$(dirname -- "$0")/../support/backup_checks.sh"
# tree_of_root: every path below the test's root but the fakes' records and the outputs.
tree_of_root() {
    (cd -- "$root" && find . ! -path './calls*' ! -path './out' ! -path './err' \
        ! -path './Prog dir é/esptool/esptool.log' ! -path './Prog dir é/esptool/backup' | LC_ALL=C sort)
}

# The clock's file system as a real image of known files.
if [ -z "$builder" ]; then
    skip "esptool.bat: keeping the clock's file system (no spiffs_builder given)"
else
    make_clock_image
    ready_to_upload ttyUSB0
    cp -- "$builder" "$esp/spiffs_builder"
    cp -- "$root/clock.bin" "$calls/flash"
    run esptool.bat
    check "backup: the first upload reads the MAC, copies the file system, then writes" \
        commands_are read_mac read_flash write_flash
    check "backup: ... exits 0" status_is 0
    check "backup: ... reads 0xFA000 bytes at 0x300000" called_with "read_flash 0x300000 0xFA000 "
    check "backup: ... keeps exactly what was read as backup/$clock.bin" \
        cmp -s -- "$esp/backup/$clock.bin" "$root/clock.bin"
    check "backup: ... unpacks its files into backup/$clock/" \
        diff -r -- "$esp/backup/$clock" "$root/clock-files"
    check "backup: ... leaves nothing else behind" backup_holds "$clock" "$clock.bin"
    check "backup: ... nor in the esptool folder" folder_holds backup data esptool esptool.bat \
        esptool.log mkspiffs.bat spiffs.bin spiffs_builder

    touch -d '2020-01-02 03:04:05' -- "$esp/backup/$clock.bin"
    before=$(stamp_of "$esp/backup/$clock.bin")
    rm -f -- "$calls/esptool.calls"
    run esptool.bat
    check "backup: a second upload to the same clock does not read it again" \
        commands_are read_mac write_flash
    check "backup: ... and leaves its copy as it was, time stamp too" \
        [ "$(stamp_of "$esp/backup/$clock.bin")" = "$before" ]

    copy_of_another_clock

    # A compile while the first upload to a clock copies it (some 22 s with a real clock)
    # replaces spiffs.bin; the upload still writes the image that was there when it started.
    ready_to_upload ttyUSB0
    cp -- "$builder" "$esp/spiffs_builder"
    : >"$calls/compile-during-read"
    run esptool.bat
    check "image of the start: a compile during the copy of the clock, and the upload ends well" \
        status_is 0
    check "... the compile replaced spiffs.bin" [ "$(wc -c <"$esp/spiffs.bin")" -eq 1024000 ]
    check "... the clock got the image of the upload's start" \
        same_text "$calls/esptool.written" "IMAGE"
    check "... and the upload's copy of it is gone" folder_holds backup data esptool esptool.bat \
        esptool.log mkspiffs.bat mkspiffs.log spiffs.bin spiffs_builder
fi

# Where the folder takes no link the image is copied; a copy that fails or comes out short
# stops the upload before anything is read from or written to the clock.
for broken in 'exit 1' 'shift; head -c 2 -- "$1" >"$2"'; do
    ready_to_upload ttyUSB0
    printf '#!/bin/sh\nexit 1\n' >"$bin/ln"
    printf '#!/bin/sh\n%s\n' "$broken" >"$bin/cp"
    chmod +x "$bin/ln" "$bin/cp"
    run esptool.bat
    check "image of the start: a copy that fails ($broken): a failure" status_is 1
    check "... that says so" log_has esptool.log "Result: the image cannot be copied for the upload"
    check "... before esptool ran" not_called esptool
    check "... leaving nothing beside the image" folder_holds data esptool esptool.bat \
        esptool.log mkspiffs.bat spiffs.bin
done
ready_to_upload ttyUSB0
printf '#!/bin/sh\nexit 1\n' >"$bin/ln"
chmod +x "$bin/ln"
run esptool.bat
check "image of the start: without links, a copy is written" same_text "$calls/esptool.written" \
    "IMAGE"
in_temporary_folder() { [[ $(args_of esptool | tail -n 1) == "${TMPDIR:-/tmp}"/spiffs.* ]]; }
check "... from the temporary folder" in_temporary_folder
check "... which is gone afterwards" [ ! -e "$(args_of esptool | tail -n 1)" ]

ready_to_upload ttyUSB0
touch -- "$calls/mac-padded"
run esptool.bat
check "backup: the MAC padded as esptool 5 pads it names the same copy" \
    [ -f "$esp/backup/$clock.bin" ]

copies_that_fail

for mac in none ../../x 5c:cf:7f:51:4d 5c:cf:7f:51:4d:01:02 5c:cf:7f:51:4d:0g ''; do
    upload_to_mac "$mac"
    check "backup: MAC '$mac': no write, a failure, nothing written anywhere" no_backup_made
done

ready_to_upload ttyUSB0
touch -- "$calls/read_mac.fail"
run_upload
check "backup: esptool cannot reach the clock: no write" no_backup_made

ready_to_upload ttyUSB0
printf 'not a folder' >"$esp/backup"
run esptool.bat
check "backup: the backup folder cannot be made: no read, no write" commands_are read_mac
check "backup: ... a failure" status_failed

ready_to_upload ttyUSB0
: >"$esp/no-backup"
run esptool.bat
check "backup: with no-backup in the folder, only the image is written" commands_are write_flash
check "backup: ... as an upload always was" esptool_args_are esptool /dev/ttyUSB0
check "backup: ... and exits 0" status_is 0

# ---- the result line -------------------------------------------------------

# result_is LOG TEXT: the log's last line is its result, and starts with TEXT.
result_is() {
    local last
    last=$(tail -n 1 -- "$esp/$1" 2>/dev/null)
    case $last in "Result: $2"*) return 0 ;; esac
    echo "# $1 ends: $last"
    return 1
}

# What esptool's words mean is the program's to read (its test holds the texts);
# here, what the script writes around them, and one failure read as the
# program reads it.
no_permission="A fatal error occurred: Could not open /dev/ttyUSB0, the port is busy or doesn't exist.
([Errno 13] could not open port /dev/ttyUSB0: [Errno 13] Permission denied: '/dev/ttyUSB0')"
a_failed_step_reads_as posix /dev/ttyUSB0 "$no_permission" \
    "no permission for /dev/ttyUSB0: add your user to the dialout group ('sudo usermod -aG dialout \$USER'), then log out and in again."
esptool_fails write_flash 1 "Could not configure port: (5, 'Input/output error')"
check "result: a failed write, after a copy was kept" [ -f "$esp/backup/$clock.bin" ]
check "result: ... names its step" result_is esptool.log \
    "esptool's write_flash failed on /dev/ttyUSB0 with exit status 1: see the lines above."
check "result: ... esptool's status 1 is the script's" status_is 1
check "result: ... and the upload's copy of the image is gone" folder_holds backup data esptool \
    esptool.bat esptool.log mkspiffs.bat spiffs.bin
check "result: the script holds none of esptool's failure texts" \
    sh -c '! grep -qiE "errno|fatal error|failed to connect|stopped responding|could not open" "$1"' \
    sh "$src/esptool.bat"

upload_with ttyUSB0
check "result: a finished upload says so" result_is esptool.log \
    "the image is on the clock on /dev/ttyUSB0."
upload_with ""
check "result: no port" result_is esptool.log "no usable serial port was chosen"
ready_to_upload ttyUSB0
rm -- "$esp/spiffs.bin"
run esptool.bat
check "result: no image" result_is esptool.log "there is no image to upload"
check "result: the log is one run's, with nothing left beside it" \
    folder_holds data esptool esptool.bat esptool.log mkspiffs.bat

fresh_folder
fake "$esp" mkspiffs mkspiffs 0
rm -r -- "$esp/data"
run mkspiffs.bat
check "result: mkspiffs.bat without its data folder" result_is mkspiffs.log \
    "the picture folder esptool/data is missing"
fresh_folder
run mkspiffs.bat
check "result: mkspiffs.bat without a builder" result_is mkspiffs.log \
    "the image builder spiffs_builder is missing"
fresh_folder
fake "$esp" mkspiffs mkspiffs 5
run mkspiffs.bat
check "result: a builder that fails without saying why" result_is mkspiffs.log \
    "mkspiffs failed with exit status 5: see mkspiffs.log."
if [ -n "$builder" ]; then
    fresh_folder
    cp -- "$builder" "$esp/spiffs_builder"
    run mkspiffs.bat
    check "result: a built image" result_is mkspiffs.log "the image is built."
    head -c 120000 /dev/urandom >"$root/noise"
    for d in 0 1 2 3 4 5 6 7 8 9; do cp -- "$root/noise" "$esp/data/$d.jpg"; done
    run mkspiffs.bat
    check "result: pictures that do not fit, in the builder's words" result_is mkspiffs.log \
        "the files do not fit"
    check "result: ... the built image stays" [ "$(wc -c <"$esp/spiffs.bin")" -eq 1024000 ]
    fresh_folder
    cp -- "$builder" "$esp/spiffs_builder"
    mkdir -- "$esp/spiffs.bin"
    run mkspiffs.bat
    check "result: an image that cannot be written" result_is mkspiffs.log \
        "the image cannot be written"

    # Two builds at once, as from two windows: each finishes with a whole image and a log of
    # its own, never a mixture.
    fresh_folder
    cp -- "$builder" "$esp/spiffs_builder"
    one_run_logged() {
        [ "$(grep -c '^Result: ' "$esp/$1")" -eq 1 ] && [ "$(grep -c '^Running: ' "$esp/$1")" -eq 1 ]
    }
    two_builds() {
        (cd -- "$elsewhere" && "${script_shell[@]}" "$esp/mkspiffs.bat" </dev/null) &
        (cd -- "$elsewhere" && "${script_shell[@]}" "$esp/mkspiffs.bat" </dev/null)
        local second=$?
        wait $! && [ "$second" -eq 0 ]
    }
    for round in 1 2 3 4 5; do
        check "two builds at once, round $round: both succeed" two_builds
        check "... the log is one run's" one_run_logged mkspiffs.log
        check "... the image unpacks to the data folder" \
            sh -c 'rm -rf "$2" && "$1" -u "$2" "$3" >/dev/null && diff -r "$2" "$4"' sh \
            "$builder" "$root/unpacked-two" "$esp/spiffs.bin" "$esp/data"
        check "... nothing temporary is left" \
            folder_holds data esptool.bat mkspiffs.bat mkspiffs.log spiffs.bin spiffs_builder
    done
fi

# ---- the layout --------------------------------------------------------------

# layout_value FILE NAME: the number the script sets NAME to, in decimal.
layout_value() {
    local value
    value=$(sed -n -e "s/^set \"$2=\\([0-9A-Fa-fx]*\\)\".*/\\1/p" -e "s/^$2=\\([0-9A-Fa-fx]*\\).*/\\1/p" "$1" | head -n 1)
    [ -n "$value" ] && echo $((value))
}
same_layout() {
    local windows=$src/../windows
    [ "$(layout_value "$src/mkspiffs.bat" FS_SIZE)" = 1024000 ] &&
        [ "$(layout_value "$src/esptool.bat" FS_SIZE)" = 1024000 ] &&
        [ "$(layout_value "$windows/mkspiffs.bat" FS_SIZE)" = 1024000 ] &&
        [ "$(layout_value "$windows/esptool.bat" FS_SIZE)" = 1024000 ] &&
        [ "$(layout_value "$src/esptool.bat" FS_OFFSET)" = $((0x300000)) ] &&
        [ "$(layout_value "$windows/esptool.bat" FS_OFFSET)" = $((0x300000)) ] &&
        [ "$(layout_value "$src/mkspiffs.bat" FS_PAGE)" = "$(layout_value "$windows/mkspiffs.bat" FS_PAGE)" ] &&
        [ "$(layout_value "$src/mkspiffs.bat" FS_BLOCK)" = "$(layout_value "$windows/mkspiffs.bat" FS_BLOCK)" ]
}
if [ -d "$src/../windows" ]; then
    check "all four scripts agree on the layout: 1024000 bytes at 0x300000" same_layout
else
    skip "all four scripts agree on the layout (no Windows scripts beside $src)"
fi

finish
