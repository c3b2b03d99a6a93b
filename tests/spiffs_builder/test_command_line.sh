#!/usr/bin/env bash
# The command line of spiffs_builder: create, list and unpack with folders and image paths that
# hold blanks and letters outside ASCII; --version and --help; and every refusal: a non-zero exit
# status (2 for a bad command line, 1 for a failure), a message on stderr, no image written and an
# existing image left as it was.
#
# Usage: bash test_command_line.sh BUILDER [ARGUMENT...]      the command that runs the builder
#        bash test_command_line.sh --windows WINE BUILDER.exe  the Windows program under Wine; exits
#                                                              77 (skipped) when either is missing
set -u

here=$(cd -- "$(dirname -- "$0")" && pwd)
golden=$here/golden
windows=0
if [ "${1-}" = --windows ]; then
    windows=1
    if [ -z "${2-}" ] || [ -z "${3-}" ] || [ ! -f "$3" ]; then
        echo "SKIP: needs Wine and the Windows spiffs_builder.exe (MinGW-w64); wine='${2-}' exe='${3-}'"
        exit 77
    fi
    builder=("$2" "$3")
    # Wine turns the Unix arguments and file names into UTF-16 by the locale's character set.
    export LC_ALL=C.UTF-8
else
    if [ $# -eq 0 ]; then
        echo "usage: $0 BUILDER [ARGUMENT...] | --windows WINE BUILDER.exe" >&2
        exit 2
    fi
    builder=("$@")
fi

. "$(dirname -- "$0")/../support/checks.sh"

root=$(mktemp -d) || exit 2
trap 'rm -rf -- "$root"' EXIT
out=$root/stdout
err=$root/stderr

# run ARGUMENT...: runs the builder; its status in $rc, its output in $out and $err (without the
# carriage returns of Windows' text mode).
run() {
    "${builder[@]}" "$@" >"$out.raw" 2>"$err.raw" </dev/null
    rc=$?
    tr -d '\r' <"$out.raw" >"$out"
    tr -d '\r' <"$err.raw" >"$err"
}
# winpath PATH: the Windows form of an absolute Unix path, through Wine's drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# rc_and STATUS COMMAND...: the status was STATUS and the command succeeds.
rc_and() {
    [ "$rc" -eq "$1" ] || return 1
    shift
    "$@"
}
out_is() { [ "$(cat "$out")" = "$1" ]; }
says() { grep -qF -- "$1" "$err"; }
not_says() { ! grep -qF -- "$1" "$err"; }
no_percent_sign() { ! grep -qF % "$out" "$err"; }
# reason_is TEXT: stderr ends with the line "spiffs_builder: TEXT", the reason the scripts show.
reason_is() { [ "$(tail -n 1 "$err")" = "spiffs_builder: $1" ]; }
prints() { grep -qxF -- "$1" "$out"; }
nothing_printed() { [ ! -s "$out" ]; }
quiet_stderr() { [ ! -s "$err" ]; }
size_is() { [ "$(wc -c <"$1")" -eq "$2" ]; }
# no_leftovers FOLDER NAME...: the folder holds exactly these entries, no temporary files.
no_leftovers() {
    local folder=$1
    shift
    [ "$(cd -- "$folder" && LC_ALL=C ls -A)" = "$(printf '%s\n' "$@" | LC_ALL=C sort)" ]
}
# listing_of FOLDER: what -l prints for an image of the folder: "size<TAB>/name", by name.
listing_of() {
    (cd -- "$1" && find . -type f ! -name .gitignore | LC_ALL=C sort | while read -r f; do
        printf '%s\t%s\n' "$(wc -c <"$f")" "${f#.}"
    done)
}

# ---- the folders -----------------------------------------------------------------------------

prog="$root/Prog dir é"
data="$prog/data"
mkdir -p -- "$data" "$prog/Out é"
cp -- "$golden"/sample/input/*.jpg "$data/"
image="$prog/Out é/spiffs é.bin"

# ---- the Windows program needs no DLL beyond Windows' own ----------------------------------------

if [ "$windows" -eq 1 ]; then
    if objdump=$(command -v x86_64-w64-mingw32-objdump); then
        "$objdump" -p "${builder[1]}" | sed -n 's/^[[:space:]]*DLL Name: //p' >"$root/dlls"
        system_dlls='^(kernel32|msvcrt|ucrtbase|shell32|advapi32|user32|api-ms-win-.*)\.dll$'
        only_system_dlls() { [ -s "$root/dlls" ] && ! grep -qviE "$system_dlls" "$root/dlls"; }
        check "Windows: the program imports only system DLLs ($(tr '\n' ' ' <"$root/dlls"))" \
            only_system_dlls
    else
        skip "Windows: the program's DLLs (no x86_64-w64-mingw32-objdump)"
    fi
fi

# ---- version and help ------------------------------------------------------------------------

run --version
check "--version: exits 0" status_is 0
check "--version: names the program and its version" grep -q '^spiffs_builder [0-9]' "$out"
check "--version: nothing on stderr" quiet_stderr
for option in --help -h; do
    run "$option"
    check "$option: exits 0" status_is 0
    check "$option: prints the usage with -c, -l and -u" \
        grep -q 'spiffs_builder -c DIR -p PAGE -b BLOCK -s SIZE IMAGE' "$out"
    check "$option: nothing on stderr" quiet_stderr
done

# ---- create, list, unpack --------------------------------------------------------------------

run -c "$data" -p 256 -b 8192 -s 1024000 "$image"
check "create: exits 0" status_is 0
check "create: an image of 1024000 bytes" size_is "$image" 1024000
check "create: prints each name as it is added, in order" \
    [ "$(head -n 10 "$out")" = "$(printf '/%s.jpg\n' 0 1 2 3 4 5 6 7 8 9)" ]
check "create: then one line with the pages used of how many" \
    grep -q '^10 files, 79528 bytes, in 332 of 3813 pages of 256 bytes' "$out"
check "create: ... which says \"percent\", since the scripts cannot show a percent sign" \
    grep -q '^10 files, .* (9 percent); image of 1024000 bytes written to ' "$out"
check "create: no percent sign anywhere" no_percent_sign
check "create: nothing on stderr" quiet_stderr
check "create: no temporary file is left beside the image" no_leftovers "$prog/Out é" "spiffs é.bin"
cp -- "$image" "$root/first.bin"

run -l -p 256 -b 8192 -s 1024000 "$image"
check "list: exits 0" status_is 0
check "list: prints size<TAB>name of every file" [ "$(cat "$out")" = "$(listing_of "$data")" ]
run "$image" -l
check "list: the layout defaults to page 256, block 8192 and the image's size" \
    rc_and 0 out_is "$(listing_of "$data")"

unpacked="$root/Un packed é/deeper dir"
run -u "$unpacked" "$image"
check "unpack: exits 0" status_is 0
check "unpack: makes the folder and writes exactly the files" diff -r "$data" "$unpacked"

run -s 1024000 "$image" -b 8192 -c "$data" -p 256
check "create: options in any order" status_is 0
check "create: the same input gives a byte-identical image" cmp -s "$image" "$root/first.bin"

# Numbers in hexadecimal, as the scripts' comments give the size (0xFA000).
run -c "$data" -p 0x100 -b 0x2000 -s 0xFA000 "$root/hex.bin"
check "create: -p 0x100 -b 0x2000 -s 0xFA000 gives the image of -p 256 -b 8192 -s 1024000" \
    rc_and 0 cmp -s "$root/hex.bin" "$root/first.bin"
run -c "$data" -s 0XfA000 "$root/hex.bin"
check "create: ... also with 0X and digits in either case" \
    rc_and 0 cmp -s "$root/hex.bin" "$root/first.bin"
run -l -p 0x100 -b 0x2000 -s 0xFA000 "$image"
check "list: the layout in hexadecimal" rc_and 0 out_is "$(listing_of "$data")"

# Subfolders, names outside ASCII, skipped entries; an empty folder.
tree="$root/tree é"
mkdir -p -- "$tree/sub dir/ünter" "$tree/.git"
printf 'x' >"$tree/sub dir/ünter/é.txt"
printf 'yy' >"$tree/sub dir.txt"
: >"$tree/empty.bin"
printf 'ignored' >"$tree/.gitignore"
printf 'ignored' >"$tree/.git/HEAD"
run -c "$tree" -s 1024000 "$root/tree.bin"
check "create: a folder with subfolders exits 0" status_is 0
check "create: ... says which entries it skipped, on stderr" says "skipping /.gitignore"
run -l "$root/tree.bin"
check "list: subfolders are part of the name, sorted as bytes; empty files list as 0" \
    out_is "$(printf '0\t/empty.bin\n2\t/sub dir.txt\n1\t/sub dir/ünter/é.txt')"
run -u "$root/tree out" "$root/tree.bin"
check "unpack: makes the subfolders" \
    rc_and 0 [ "$(cat "$root/tree out/sub dir/ünter/é.txt")" = x ]

mkdir -p -- "$root/empty"
run -c "$root/empty" -s 1024000 "$root/empty.bin"
check "create: an empty folder gives an empty file system" rc_and 0 size_is "$root/empty.bin" 1024000
run -l "$root/empty.bin"
check "list: an empty file system lists nothing" rc_and 0 nothing_printed

run -c "$data" -s 2072576 "$root/2MB.bin"
check "create: a 2 MB file system" rc_and 0 size_is "$root/2MB.bin" 2072576
run -l "$root/2MB.bin"
check "list: ... reads back" rc_and 0 out_is "$(listing_of "$data")"

fits="$root/fits"
mkdir -p -- "$fits"
for i in 0 1 2 3 4 5 6 7 8 9; do head -c 94627 /dev/urandom >"$fits/$i.bin"; done
run -c "$fits" -s 1024000 "$root/fits.bin"
check "create: ten files of 94,627 bytes fit (3,810 of 3,813 pages)" \
    rc_and 0 grep -q 'in 3810 of 3813 pages' "$out"
run -u "$root/fits out" "$root/fits.bin"
check "unpack: ... and come back whole" diff -r "$fits" "$root/fits out"

if [ "$windows" -eq 1 ]; then
    run -c "$(winpath "$data")" -s 1024000 "$(winpath "$root/Z image é.bin")"
    check "Windows paths (Z:\\...): create" rc_and 0 cmp -s "$root/Z image é.bin" "$root/first.bin"
    run -l "$(winpath "$root/Z image é.bin")"
    check "Windows paths: list" rc_and 0 out_is "$(listing_of "$data")"
    run -u "$(winpath "$root/Z out é")" "$(winpath "$root/Z image é.bin")"
    check "Windows paths: unpack" diff -r "$data" "$root/Z out é"
fi

# ---- refusals --------------------------------------------------------------------------------

# refused WHAT STATUS MESSAGE ARGUMENT...: runs the builder on an image path that already holds
# "OLD" and checks the status, the message on stderr, and that the image is untouched.
target="$root/target dir é/spiffs.bin"
mkdir -p -- "$(dirname -- "$target")"
untouched() { [ "$(cat "$target")" = OLD ] && no_leftovers "$(dirname -- "$target")" spiffs.bin; }
refused() {
    local what=$1 status=$2 message=$3
    shift 3
    printf 'OLD' >"$target"
    run "$@"
    check "$what: exit status $status" status_is "$status"
    check "$what: says \"$message\" on stderr" says "$message"
    check "$what: the existing image is untouched, no temporary file" untouched
}

big="$root/big"
mkdir -p -- "$big"
for i in 0 1 2 3 4 5 6 7 8 9; do head -c 94628 /dev/urandom >"$big/$i.bin"; done
refused "over capacity (ten files of 94,628 bytes)" 1 "need 7 pages more than this file system holds" \
    -c "$big" -p 256 -b 8192 -s 1024000 "$target"
check "over capacity: the message says how much to remove, on one line, the last one" \
    reason_is "the files do not fit: 10 files take 946,280 bytes, but each file takes whole pages (a page holds 251 bytes of a file), and together they need 7 pages more than this file system holds; remove at least 7 bytes"
check "over capacity: nothing on stdout" nothing_printed
check "over capacity: no percent sign anywhere" no_percent_sign
for i in 0 1 2 3 4 5 6 7 8 9; do head -c 100000 /dev/urandom >"$big/$i.bin"; done
refused "over capacity (ten files of 100,000 bytes)" 1 "at most 948,780 bytes of files fit" \
    -c "$big" -p 256 -b 8192 -s 1024000 "$target"
check "over capacity: the bytes the files take, the most that fit, and the least to remove" \
    reason_is "the files do not fit: 10 files take 1,000,000 bytes, and at most 948,780 bytes of files fit in this file system; remove at least 51,848 bytes"

run -c "$data" -s 1024000 "$root/no such folder/spiffs.bin"
check "a write that fails: exit status 1" status_is 1
check "a write that fails: names the image asked for" says "cannot write $root/no such folder/spiffs.bin: "
check "a write that fails: ... not the temporary file" not_says .tmp
check "a write that fails: lists no file, since none went into an image" nothing_printed

long="$root/long"
mkdir -p -- "$long"
: >"$long/$(printf 'n%.0s' $(seq 31))"
refused "a name of 32 bytes" 1 "is 32 bytes long" -c "$long" -s 1024000 "$target"

refused "a missing folder" 1 "does not exist" -c "$root/no such folder" -s 1024000 "$target"
refused "a file for the folder" 1 "not a folder" -c "$data/0.jpg" -s 1024000 "$target"

broken="$root/broken"
mkdir -p -- "$broken"
cp -- "$data/0.jpg" "$broken/"
ln -s "$root/nowhere" "$broken/1.jpg"
if [ "$windows" -eq 0 ]; then
    refused "a link to nothing" 1 "cannot read" -c "$broken" -s 1024000 "$target"
fi
rm -f -- "$broken/1.jpg"
cp -- "$data/1.jpg" "$broken/"
chmod 000 "$broken/1.jpg"
as_nobody=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
if [ "$(id -u)" -ne 0 ]; then
    refused "an unreadable file" 1 "cannot read" -c "$broken" -s 1024000 "$target"
elif [ "$windows" -eq 0 ] && "${as_nobody[@]}" "${builder[@]}" --version >/dev/null 2>&1; then
    # Root reads every file whatever its permissions; the user nobody does not.
    chmod 711 "$root"
    mine="$root/nobody's"
    mkdir -p -- "$mine"
    cp -R -- "$broken" "$mine/data"
    printf 'OLD' >"$mine/spiffs.bin"
    chown -R nobody:nogroup "$mine"
    builder=("${as_nobody[@]}" "${builder[@]}")
    run -c "$mine/data" -s 1024000 "$mine/spiffs.bin"
    builder=("${builder[@]:${#as_nobody[@]}}")
    check "an unreadable file (run as nobody): exit status 1" status_is 1
    check "an unreadable file: says \"cannot read\" and names the file" says "cannot read $mine/data/1.jpg"
    untouched_as_nobody() { [ "$(cat "$mine/spiffs.bin")" = OLD ] && no_leftovers "$mine" data spiffs.bin; }
    check "an unreadable file: the existing image is untouched, no temporary file" untouched_as_nobody
else
    skip "an unreadable file (root reads every file, and the builder cannot run as nobody)"
fi
chmod 644 "$broken/1.jpg"

refused "an unknown option" 2 "unknown option -x" -x -c "$data" -s 1024000 "$target"
refused "a missing value" 2 "-s needs a value" -c "$data" "$target" -s
refused "a missing folder value" 2 "-c needs a value" -c
refused "a value that is no number" 2 "-s needs a number" -c "$data" -s 1M "$target"
refused "a negative number" 2 "-p needs a number" -c "$data" -p -1 -s 1024000 "$target"
for bad in 0x 0xFG000 0xFA000x 0x0x10 0x100000000 4294967296 +1024000 " 1024000" 1024000.0 1e6; do
    refused "a bad number ($bad)" 2 "-s needs a number of bytes, not \"$bad\"" \
        -c "$data" -s "$bad" "$target"
done
refused "a bad hexadecimal page size" 2 '-p needs a number of bytes, not "0x1G0"' \
    -c "$data" -p 0x1G0 -s 1024000 "$target"
refused "a bad hexadecimal block size" 2 '-b needs a number of bytes, not "0x"' \
    -c "$data" -b 0x -s 1024000 "$target"
refused "the largest number, 0xFFFFFFFF, is a number but no layout (exit 1)" 1 \
    "file system size 4294967295 is not a multiple of the block size 8192" \
    -c "$data" -s 0xFFFFFFFF "$target"
refused "two actions" 2 "choose one action" -c "$data" -l -s 1024000 "$target"
refused "no image" 2 "no image file given" -c "$data" -s 1024000
refused "two images" 2 "only one image file" -c "$data" -s 1024000 "$target" "$target.2"
refused "no size with -c" 2 "-c needs the file system size" -c "$data" "$target"
refused "no action" 2 "no action given" "$target"
check "a bad command line points to --help" says 'Run "spiffs_builder --help"'
check "a bad command line: the reason and the pointer to --help on one line" \
    reason_is 'no action given: -c DIR creates an image, -l lists it, -u DIR unpacks it. Run "spiffs_builder --help" for the usage.'
refused "a size that is no multiple of the block" 1 "not a multiple of the block size" \
    -c "$data" -s 1000000 "$target"
refused "a page size it cannot make" 1 "page size 300" -c "$data" -p 300 -s 1024000 "$target"
refused "two blocks" 1 "at least 3" -c "$data" -s 16384 "$target"

# Reading: a missing image, one that is no SPIFFS image, one of another size than -s says.
run -l "$root/no such image.bin"
check "list: a missing image exits 1 with a message" rc_and 1 says "cannot read"
head -c 1024000 /dev/urandom >"$root/noise.bin"
run -l "$root/noise.bin"
check "list: noise is no SPIFFS image (exit 1)" rc_and 1 says "lack the magic"
run -l -s 2072576 "$image"
check "list: an image of another size than -s (exit 1)" rc_and 1 says "not the 2072576"
run -u "$root/noise out" "$root/noise.bin"
check "unpack: noise unpacks nothing" rc_and 1 [ ! -e "$root/noise out" ]

# Names that would leave the folder. Only Linux can have such files in the first place. The
# builder refuses to pack them; an image that holds them anyway is made here with stand-in names
# of the same length, replaced in the image afterwards.
if [ "$windows" -eq 0 ]; then
    evil="$root/evil"
    mkdir -p -- "$evil"
    printf 'a' >"$evil/a\\..\\..\\escape"
    printf 'b' >"$evil/C:escape"
    printf 'g' >"$evil/good"
    refused "create: a name with a colon" 1 'the name "/C:escape" holds a colon' \
        -c "$evil" -s 1024000 "$target"
    check "create: ... says which file and what to do, on one line, the last one" \
        reason_is 'the name "/C:escape" holds a colon, and an image with it would not unpack; rename the file'
    rm -- "$evil/C:escape"
    refused "create: a name with a backslash" 1 'the name "/a\..\..\escape" holds a backslash' \
        -c "$evil" -s 1024000 "$target"

    rm -rf -- "$evil"
    mkdir -p -- "$evil"
    printf 'a' >"$evil/a_.._.._escape"
    printf 'b' >"$evil/C_escape"
    printf 'g' >"$evil/good"
    run -c "$evil" -s 1024000 "$root/evil.bin"
    # rename_in_image FROM TO: TO, of the same length, over the name FROM in evil.bin.
    rename_in_image() {
        local at
        at=$(LC_ALL=C grep -obaF -- "$1" "$root/evil.bin" | head -n 1 | cut -d: -f1) &&
            [ -n "$at" ] &&
            printf '%s' "$2" | dd of="$root/evil.bin" bs=1 seek="$at" conv=notrunc status=none
    }
    check "an image with names that would leave the folder (made from stand-ins)" \
        rc_and 0 rename_in_image /a_.._.._escape '/a\..\..\escape'
    check "... and a drive letter" rename_in_image /C_escape /C:escape
    run -l "$root/evil.bin"
    check "list: ... lists the names as they are" \
        out_is "$(printf '1\t/C:escape\n1\t/a\\..\\..\\escape\n1\t/good')"
    run -u "$root/evil out/inner" "$root/evil.bin"
    check "unpack: refuses names with a backslash or a drive letter (exit 1)" status_is 1
    check "unpack: ... says so" says 'refusing to unpack "/a\..\..\escape"'
    check "unpack: ... writes the good file and nothing else" \
        no_leftovers "$root/evil out/inner" good
    check "unpack: ... nothing outside its folder" no_leftovers "$root/evil out" inner
fi

finish
