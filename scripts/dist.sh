#!/usr/bin/env bash
# make dist: the release packages, byte for byte the same from the same commit.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^#define KORVANI_VERSION_NUMBERS \(.*\)$/\1/p' "$root/resources/version.h" | tr -d ' ' | tr ',' '.')
bin="$root/build/win32/bin"
dist="$root/dist"
stage=$(mktemp -d /tmp/korvani-dist.XXXXXX)
trap 'rm -rf "$stage"' EXIT

# Text files for Windows users end their lines in CR LF.
crlf() { sed 's/$/\r/' "$1" > "$2"; }

package() {  # package NAME FILE...: zip the staged files with fixed times and order
    local name=$1
    shift
    touch -h -d '2000-01-01 00:00:00 UTC' "$@"
    rm -f "$dist/$name"
    (cd "$stage" && TZ=UTC zip -X -D -q "$dist/$name" $(printf '%s\n' "${@##*/}" | sort))
    echo "$dist/$name"
}

mkdir -p "$dist"
cp "$bin/KorvaniFWUpdater.exe" "$stage/"
crlf "$root/docs/GUIDE.txt" "$stage/README.txt"
package "KorvaniFWUpdater-$version-win32.zip" "$stage/KorvaniFWUpdater.exe" "$stage/README.txt"

rm -f "$stage"/*
cp "$bin"/OSCdll.DLL "$bin"/AT91Boot_DLL.dll "$bin"/*.bin "$stage/"
crlf "$root/docs/SIMULATOR.txt" "$stage/SIMULATOR.txt"
package "KorvaniFWUpdater-$version-simulator-win32.zip" "$stage"/*
