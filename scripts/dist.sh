#!/usr/bin/env bash
# make dist: the release package, byte for byte the same from the same commit
# when unsigned, and its SHA256SUMS. With KORVANI_SIGN_PFX (a PKCS#12 file)
# and KORVANI_SIGN_PASS_FILE (the file holding its password) the program is
# signed with Authenticode first, and time-stamped by the RFC 3161 server at
# KORVANI_SIGN_TIMESTAMP_URL when that is set. KORVANI_DIST_DIR puts the
# package elsewhere; KORVANI_RELEASE_BUILD takes it from another win32 build.
#
# No stand-in library is ever packaged: unzipped beside the program, one would
# answer "Updated!" while the device is never touched. The simulated
# controller stays in the build tree, for make run and the tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVANI_RELEASE_BUILD:-$root/build/win32}
bin="$build/bin"
dist=${KORVANI_DIST_DIR:-$root/dist}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
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
    packages+=("$name")
}

packages=()
mkdir -p "$dist"
signed="no"
if [ -z "${KORVANI_SIGN_PFX:-}" ]; then
    cp "$bin/KorvaniFWUpdater.exe" "$stage/"
else
    timestamp=()
    [ -z "${KORVANI_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$KORVANI_SIGN_TIMESTAMP_URL")
    osslsigncode sign -pkcs12 "$KORVANI_SIGN_PFX" -readpass "${KORVANI_SIGN_PASS_FILE:?the PFX password file}" \
        -n "Korvani Update" -h sha256 "${timestamp[@]}" -in "$bin/KorvaniFWUpdater.exe" -out "$stage/KorvaniFWUpdater.exe" >/dev/null
    signed="yes, by $(openssl pkcs12 -in "$KORVANI_SIGN_PFX" -passin "file:$KORVANI_SIGN_PASS_FILE" -nokeys -clcerts 2>/dev/null |
        openssl x509 -noout -subject -nameopt oneline | sed 's/^subject= *//')"
fi
crlf "$root/docs/GUIDE.txt" "$stage/README.txt"
package "KorvaniFWUpdater-$version-win32.zip" "$stage/KorvaniFWUpdater.exe" "$stage/README.txt"

(cd "$dist" && sha256sum "${packages[@]}" > SHA256SUMS)

# The address users are sent to, as the program itself holds it.
wiki=$(strings -e l "$bin/KorvaniFWUpdater.exe" | sed -n 's/^(\(.*\)) for help and tools\.$/\1/p' | head -n 1)
echo "Made in $dist:"
sed 's/^/  /' "$dist/SHA256SUMS"
echo "Program signed: $signed"
echo "Support wiki in the program: ${wiki:-(not found)}"
case "$wiki" in
    *.example | *.example/*)
        echo "WARNING: that is the placeholder; build with -DKORVANI_SUPPORT_WIKI=<the maker's wiki> to ship." ;;
esac
