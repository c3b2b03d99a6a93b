#!/usr/bin/env bash
# Installs what the picture generator needs (Debian packages), builds it in a temporary
# folder and regenerates every picture below the repository root, then verifies them.
# Safe to run again: unchanged pictures are left untouched.
#
#   tools/picture_generator/regenerate.sh            regenerate and verify
#   tools/picture_generator/regenerate.sh --verify   only verify the committed pictures
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
mode=()
case "${1:-}" in
    "") ;;
    --verify) mode=(--verify) ;;
    *) echo "usage: $0 [--verify]" >&2; exit 64 ;;
esac

packages=(qtbase5-dev cmake g++ fonts-dejavu-core fonts-urw-base35)
if command -v dpkg-query >/dev/null 2>&1; then
    missing=()
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    if ((${#missing[@]})); then
        if [ "$(id -u)" -eq 0 ]; then
            as_root=()
        elif command -v sudo >/dev/null 2>&1; then
            as_root=(sudo)
        else
            echo "regenerate.sh: need root (or sudo) to install: ${missing[*]}" >&2
            exit 1
        fi
        echo "installing: ${missing[*]}"
        "${as_root[@]}" apt-get update
        "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
    fi
else
    echo "regenerate.sh: not a Debian system; make sure these are installed: ${packages[*]}" >&2
fi

build="$(mktemp -d "${TMPDIR:-/tmp}/picture-generator.XXXXXX")"
trap 'rm -rf "$build"' EXIT
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --parallel "$(nproc 2>/dev/null || echo 2)" >/dev/null
"$build/picture_generator" "${mode[@]}" "$root"
