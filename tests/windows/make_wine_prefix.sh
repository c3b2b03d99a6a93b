#!/bin/sh
# Makes a fresh Wine prefix for the tests that run Windows programs, and starts its server.
# Usage: make_wine_prefix.sh WINE PREFIX   (WINE empty: Wine is not installed, skip)
set -u
wine=$1 prefix=$2
if [ -z "$wine" ]; then
    echo "SKIP: Wine is not installed (Debian: wine64)"
    exit 77
fi
rm -rf -- "$prefix"
WINEPREFIX=$prefix "$wine" cmd.exe /c exit 0 </dev/null
status=$?
# The prefix is made by a server that may outlive the command; wait for it to settle.
WINEPREFIX=$prefix wineserver -w 2>/dev/null
[ "$status" -eq 0 ] && [ -d "$prefix/drive_c/windows" ] || {
    echo "could not make the Wine prefix $prefix (status $status)"
    exit 1
}
# One server for all the tests, kept running until the fixture's cleanup ends it: a Wine
# program that starts while the last one's server is shutting down may fail without a word.
# Wine's own services start with the first program and live as long as the server: started here,
# they hold no test's output open, which CTest would wait for.
WINEPREFIX=$prefix wineserver -p </dev/null >/dev/null 2>&1 &&
    WINEPREFIX=$prefix "$wine" cmd.exe /c exit 0 </dev/null >/dev/null 2>&1 || {
    echo "could not start the Wine server of $prefix"
    exit 1
}
echo "Wine prefix ready: $prefix"
