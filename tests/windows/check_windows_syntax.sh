#!/bin/sh
# Compiles each given C++ source for Windows with MinGW-w64, syntax and types only, so that the
# code behind Q_OS_WIN is checked on every build. Exits 77 (skipped) without MinGW.
#
# Usage: check_windows_syntax.sh COMPILER FLAGS... -- SOURCES...
set -u
compiler=$1
shift
if [ -z "$compiler" ]; then
    echo "SKIP: MinGW-w64 g++ is not installed (Debian: g++-mingw-w64-x86-64-win32)"
    exit 77
fi
flags=
while [ $# -gt 0 ] && [ "$1" != -- ]; do
    flags="$flags $1"
    shift
done
[ $# -gt 0 ] && shift
[ $# -gt 0 ] || { echo "no sources given"; exit 2; }

. "$(dirname -- "$0")/../support/checks.sh"

for source in "$@"; do
    # shellcheck disable=SC2086
    check "$source" "$compiler" -fsyntax-only $flags "$source"
done
finish
