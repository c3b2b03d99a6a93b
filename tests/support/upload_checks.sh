# What the tests of the POSIX and the Windows upload scripts share, sourced by bash after checks.sh.
# They read $esp, the esptool folder of the program folder that the test lays out. The fake esptool
# of each test answers as it is told by files whose names start with $esptool_orders: "mac" holds
# the MAC it names, "fail-at" the command at which it fails, and so on. Each test has its own way to
# run a script, run NAME, which sets $rc, and to lay out a folder ready to upload to a port,
# ready_to_upload PORT; the uploads of these checks go to $upload_port.

# folder_holds NAME...: the esptool folder holds exactly these entries.
folder_holds() { [ "$(cd -- "$esp" && LC_ALL=C ls)" = "$(LC_ALL=C; lines "$@" | sort)" ]; }

# set_port PORT: rewrites the first line of esptool.bat as the program does, CR LF and all.
set_port() {
    local f="$esp/esptool.bat"
    { printf 'set com=%s\r\n' "$1"; tail -n +2 -- "$f"; } >"$f.new" && mv -- "$f.new" "$f"
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
