# What the tests of the POSIX and the Windows upload scripts share, sourced by bash after checks.sh.
# They read $esp, the esptool folder of the program folder that the test lays out.

# folder_holds NAME...: the esptool folder holds exactly these entries.
folder_holds() { [ "$(cd -- "$esp" && LC_ALL=C ls)" = "$(LC_ALL=C; lines "$@" | sort)" ]; }

# set_port PORT: rewrites the first line of esptool.bat as the program does, CR LF and all.
set_port() {
    local f="$esp/esptool.bat"
    { printf 'set com=%s\r\n' "$1"; tail -n +2 -- "$f"; } >"$f.new" && mv -- "$f.new" "$f"
}
