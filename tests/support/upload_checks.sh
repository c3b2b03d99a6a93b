# What the tests of the POSIX and the Windows upload scripts share, sourced by bash after checks.sh.
# They read $esp, the esptool folder of the program folder that the test lays out. The fake esptool
# of each test answers as it is told by files whose names start with $esptool_orders: "mac" holds
# the MAC it names, "fail-at" the command at which it fails, and so on. Each test has its own way to
# run a script, run NAME, which sets $rc, to read a log as text, log_text LOG, and to lay out a
# folder ready to upload to a port, ready_to_upload PORT; the uploads of these checks go to
# $upload_port.

# folder_holds NAME...: the esptool folder holds exactly these entries.
folder_holds() { [ "$(cd -- "$esp" && LC_ALL=C ls)" = "$(LC_ALL=C; lines "$@" | sort)" ]; }

# set_port PORT: rewrites the first line of esptool.bat as the program does, CR LF and all.
set_port() {
    local f="$esp/esptool.bat"
    { printf 'set com=%s\r\n' "$1"; tail -n +2 -- "$f"; } >"$f.new" && mv -- "$f.new" "$f"
}

# step_output_is TEXT: the lines of esptool.log between the failed step's "Running: " line and the
# line "esptool failed with exit status N." are TEXT, as the program reads them.
step_output_is() {
    [ "$(log_text esptool.log | awk '/^Running: / { out = ""; next }
        /^esptool failed with exit status / { printf "%s", out; exit }
        { out = out $0 "\n" }')" = "$1" ]
}

# a_failed_step_reads_as SYSTEM DEVICE TEXT REASON: an upload whose esptool fails in read_mac
# with TEXT and status 2 names the step, DEVICE (the port as handed to esptool) and the status in
# its result; the step's output stands where the program reads it, which reads it as REASON on
# SYSTEM (posix or windows) when the test has $log_reason, the tests' reader of logs.
a_failed_step_reads_as() {
    esptool_fails read_mac 2 "$3"
    check "result: a failed step names the step, the device and esptool's status" result_is \
        esptool.log "esptool's read_mac failed on $2 with exit status 2: see the lines above."
    check "result: ... esptool's status is the script's" status_is 2
    check "result: ... the step's output stands between its Running: line and the failure line" \
        step_output_is "output of esptool
errors of esptool
$3"
    check "result: ... and the log tells how to go on without a copy" log_has esptool.log \
        "put an empty file named no-backup"
    if [ -z "$log_reason" ]; then
        skip "result: the bar's reason (no log_reason given)"
    else
        check "result: ... which the program reads as: $4" \
            [ "$("$log_reason" "$esp/esptool.log" "$1")" = "$4" ]
    fi
}

# esptool_fails STEP STATUS TEXT: an upload whose esptool prints TEXT and exits with STATUS at
# the command STEP.
esptool_fails() {
    ready_to_upload "$upload_port"
    printf '%s\n' "$1" >"${esptool_orders}fail-at"
    printf '%s\n' "$3" >"${esptool_orders}failure"
    printf '%s' "$2" >"${esptool_orders}failure.status"
    run esptool.bat
}
