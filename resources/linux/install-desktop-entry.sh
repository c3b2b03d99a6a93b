#!/bin/sh
# Adds the program of this folder to your application menu: writes a desktop entry that starts
# it where it is now, and installs its icon, both for you alone. Run it again after moving the
# folder. Undo it by deleting the two files it names.
set -eu

here=$(cd -- "$(dirname -- "$0")" && pwd)
folder=$(dirname -- "$here")
share=${XDG_DATA_HOME:-$HOME/.local/share}
entry=$share/applications/electronic_clock.desktop
icon=$share/icons/hicolor/256x256/apps/electronic_clock.png

case $folder in
    *'
'*)
        echo "The folder's path holds a line break, which a desktop entry cannot name." >&2
        exit 1
        ;;
esac

# Exec quotes the path, escaping \ " ` $ with a backslash; the file format then doubles every
# backslash, and % must be written %%.
program=$(printf '%s/Electronic_Clock\n' "$folder" |
    sed -e 's/[\\"`$]/\\&/g' -e 's/\\/\\\\/g' -e 's/%/%%/g')

mkdir -p -- "$(dirname -- "$entry")" "$(dirname -- "$icon")"
cp -- "$here/electronic_clock.png" "$icon"
# awk reads the line from the environment, which keeps its backslashes as they are.
EXEC_LINE="Exec=\"$program\"" awk '/^Exec=/ { print ENVIRON["EXEC_LINE"]; next } { print }' \
    "$here/electronic_clock.desktop" >"$entry.tmp"
mv -f -- "$entry.tmp" "$entry"
printf 'Wrote %s\nWrote %s\n' "$entry" "$icon"
