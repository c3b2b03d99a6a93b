#!/bin/sh
# Installs the build into a fresh folder whose path has a blank and a non-ASCII letter, and checks
# what landed there: the tree, the program starting from it, every button of the window against
# the installed files (test_installed_folder, copied in), and the desktop entry installer. Then
# checks that the release archive holds the same tree below one top folder.
#
# Usage: test_install.sh <cmake> <cpack> <build folder> <configuration> <test_installed_folder>
#                        <source folder> [<desktop-file-validate>]
set -eu

cmake=$1
cpack=$2
build=$3
config=$4
probe=$5
source=$6
validate=${7-}

. "$(dirname -- "$0")/../support/checks.sh"

# Runs a command, giving up after a minute; coreutils' timeout is not everywhere.
bounded() {
    if command -v timeout >/dev/null 2>&1; then timeout 60 "$@"; else "$@"; fi
}
valid_entry() {
    case $validate in
        */desktop-file-validate) "$validate" "$1" ;;
        *) return 0 ;;
    esac
}

root=$(mktemp -d)
trap 'rm -rf -- "$root"' EXIT
prefix="$root/Clock é"
mkdir -m 700 "$root/runtime"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$root/runtime"

# The build's own program folder must come out of all this untouched.
touch "$root/start"
before=$(find "$build/bin" | LC_ALL=C sort)

set -- --install "$build" --prefix "$prefix"
[ -n "$config" ] && set -- "$@" --config "$config"
if ! "$cmake" "$@" >"$root/install.log" 2>&1; then
    cat "$root/install.log"
    fail "cmake --install"
    exit 1
fi

# ---- the tree ------------------------------------------------------------------------------------

expected_tree() {
    printf './%s\n' Electronic_Clock desktop desktop/electronic_clock.desktop \
        desktop/electronic_clock.png desktop/install-desktop-entry.sh esptool esptool/data \
        esptool/esptool.bat esptool/mkspiffs.bat esptool/spiffs_builder img
    for digit in 0 1 2 3 4 5 6 7 8 9; do printf './img/%s.jpg\n' "$digit"; done
}
tree_is_complete() {
    (cd -- "$prefix" && find . -mindepth 1) | LC_ALL=C sort >"$root/tree"
    expected_tree | LC_ALL=C sort | diff - "$root/tree"
}
same_files() {
    for name in "$@"; do cmp -s -- "$from/$name" "$to/$name" || return 1; done
}
check "the tree holds the program, the scripts, an empty data folder, img and the desktop files" \
    tree_is_complete
executable() {
    [ -x "$prefix/Electronic_Clock" ] && [ -x "$prefix/desktop/install-desktop-entry.sh" ] &&
        [ -x "$prefix/esptool/spiffs_builder" ]
}
check "the program, the image builder and the desktop entry installer are executable" executable
from=$source/src/flash/toolchain/posix to=$prefix/esptool
check "the scripts are the POSIX ones, unchanged" same_files mkspiffs.bat esptool.bat
from=$source/resources/custom_sample to=$prefix/img
check "img holds the sample custom set" same_files 0.jpg 1.jpg 2.jpg 3.jpg 4.jpg 5.jpg 6.jpg \
    7.jpg 8.jpg 9.jpg
from=$source/resources/icon to=$prefix/desktop
check "the icon is the application icon" same_files electronic_clock.png
check "the shipped desktop entry is valid" valid_entry "$prefix/desktop/electronic_clock.desktop"

# ---- the program starts from its folder, from anywhere -------------------------------------------

(cd / && exec "$prefix/Electronic_Clock") >"$root/program.log" 2>&1 &
program=$!
sleep 2
if kill -0 "$program" 2>/dev/null; then
    pass "the installed program is still running after 2 s"
    kill "$program"
    wait "$program" 2>/dev/null || true
else
    wait "$program" || true
    cat "$root/program.log"
    fail "the installed program is still running after 2 s"
fi

# ---- every button, against the installed files ---------------------------------------------------

cp -- "$probe" "$prefix/"
if (cd "$root" && bounded "$prefix/$(basename -- "$probe")"); then
    pass "every button works in the installed folder"
else
    for log in mkspiffs.log esptool.log; do
        [ -f "$prefix/esptool/$log" ] && cat -- "$prefix/esptool/$log"
    done
    fail "every button works in the installed folder"
fi

# ---- the desktop entry installer -----------------------------------------------------------------

# entry_for FOLDER EXEC: installs the entry of a copy of the program folder at FOLDER and checks
# that it starts the program as EXEC says.
entry_for() {
    if [ "$1" != "$prefix" ]; then
        mkdir -p -- "$1"
        cp -R -- "$prefix/desktop" "$1/"
    fi
    rm -rf -- "$root/share"
    XDG_DATA_HOME="$root/share" "$1/desktop/install-desktop-entry.sh" >/dev/null || return 1
    entry=$root/share/applications/electronic_clock.desktop
    [ "$(grep '^Exec=' "$entry")" = "$2" ] &&
        cmp -s -- "$prefix/desktop/electronic_clock.png" \
            "$root/share/icons/hicolor/256x256/apps/electronic_clock.png" &&
        valid_entry "$entry"
}
check "the desktop entry starts the installed program" \
    entry_for "$prefix" "Exec=\"$prefix/Electronic_Clock\""
# Inside the quotes \ " ` $ take a backslash, the file format doubles backslashes, % becomes %%.
weird="$root/a\"b\$c\`d\\e%f"
check "the desktop entry escapes a path with quotes, dollars, backslashes and percents" \
    entry_for "$weird" "Exec=\"$root/a\\\\\"b\\\\\$c\\\\\`d\\\\\\\\e%%f/Electronic_Clock\""

# ---- the release archive -------------------------------------------------------------------------

# package_tree: the archive's entries as ./path below its single top folder, or nothing.
package_tree() {
    # Naming a generator without a preinstall step stops cpack from building first: the tree is
    # built already, and a build now could rewrite programs that other tests are running.
    set -- --config "$build/CPackConfig.cmake" -B "$root/package" -D CPACK_CMAKE_GENERATOR=Ninja
    [ -n "$config" ] && set -- "$@" -C "$config"
    "$cpack" "$@" >"$root/cpack.log" 2>&1 || { cat "$root/cpack.log" >&2; return; }
    for archive in "$root/package"/Electronic_Clock-*-Linux.tar.gz; do
        top=$(basename -- "$archive" .tar.gz)
        tar -tzf "$archive" | sed -e 's|/$||' -e "s|^$top/|./|" -e "/^$top\$/d"
    done
}
package_matches() {
    package_tree | LC_ALL=C sort >"$root/package.tree"
    expected_tree | LC_ALL=C sort | diff - "$root/package.tree"
}
check "the archive holds the same tree, with the empty data folder, below one top folder" \
    package_matches

untouched() {
    [ -z "$(find "$build/bin" -newer "$root/start")" ] &&
        [ "$(find "$build/bin" | LC_ALL=C sort)" = "$before" ]
}
check "the build's program folder is untouched" untouched

finish
