#!/usr/bin/env bash
# make dist: the release package, byte for byte the same from the same commit
# when unsigned, and its SHA256SUMS. Everything sits in one folder named after
# the release, so that extracting it anywhere makes the program a folder of its
# own. With KORVANI_SIGN_PFX (a PKCS#12 file) and KORVANI_SIGN_PASS_FILE (the
# file holding its password) the program is signed with Authenticode first,
# and time-stamped by the RFC 3161 server at KORVANI_SIGN_TIMESTAMP_URL when
# that is set. KORVANI_DIST_DIR puts the package elsewhere;
# KORVANI_RELEASE_BUILD takes it from another win32 build.
#
# No stand-in library is ever packaged: unzipped beside the program, one would
# answer "Updated!" while the device is never touched. The simulated
# controller stays in the build tree, for make run and the tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVANI_RELEASE_BUILD:-$root/build/win32}
bin="$build/bin"
dist=${KORVANI_DIST_DIR:-$root/dist}
setting() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
release="KorvaniFWUpdater-$(setting CMAKE_PROJECT_VERSION)"

# The address users are sent to, as the program was built with it. The default
# in CMakeLists.txt is a placeholder that must never reach a user.
wiki=$(setting KORVANI_SUPPORT_WIKI)
placeholder=$(sed -n 's/^set(KORVANI_SUPPORT_WIKI "\([^"]*\)".*/\1/p' "$root/CMakeLists.txt")
if [ -z "$wiki" ] || [ "$wiki" = "$placeholder" ]; then
    echo "Not packaged: the program names the placeholder support wiki ${wiki:-(none found)}; give the maker's: make dist KORVANI_SUPPORT_WIKI=https://..." >&2
    exit 1
fi

stage=$(mktemp -d /tmp/korvani-dist.XXXXXX)
trap 'rm -rf "$stage"' EXIT
folder="$stage/$release"
mkdir "$folder"

# Text files for Windows users end their lines in CR LF.
crlf() { sed 's/$/\r/' > "$1"; }

signed="no"
if [ -z "${KORVANI_SIGN_PFX:-}" ]; then
    cp "$bin/KorvaniFWUpdater.exe" "$folder/"
else
    timestamp=()
    [ -z "${KORVANI_SIGN_TIMESTAMP_URL:-}" ] || timestamp=(-ts "$KORVANI_SIGN_TIMESTAMP_URL")
    osslsigncode sign -pkcs12 "$KORVANI_SIGN_PFX" -readpass "${KORVANI_SIGN_PASS_FILE:?the PFX password file}" \
        -n "Korvani Update" -h sha256 "${timestamp[@]}" -in "$bin/KorvaniFWUpdater.exe" -out "$folder/KorvaniFWUpdater.exe" >/dev/null
    signed="yes, by $(openssl pkcs12 -in "$KORVANI_SIGN_PFX" -passin "file:$KORVANI_SIGN_PASS_FILE" -nokeys -clcerts 2>/dev/null |
        openssl x509 -noout -subject -nameopt oneline | sed 's/^subject= *//')"
fi
crlf "$folder/README.txt" < "$root/docs/GUIDE.txt"
crlf "$folder/Put OSCdll.DLL and AT91Boot_DLL.dll here.txt" <<NOTE
KorvaniFWUpdater.exe needs two libraries of the Korvani's maker, Quellmar,
in this folder, beside it:

    OSCdll.DLL
    AT91Boot_DLL.dll

They are the maker's, not part of this program, and not in this zip. They
must be the 32-bit libraries, as the program is 32-bit. Quellmar's support
wiki keeps help and tools for the Korvani: $wiki

Without both of them here the program ends as soon as it starts, without a
window or a message. README.txt tells the rest.
NOTE

# Every entry carries the commit's time, in a fixed order.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 946684800)}
find "$folder" -exec touch -h -d "@$epoch" {} +
mkdir -p "$dist"
zip="$release-win32.zip"
rm -f "$dist/$zip"
(cd "$stage" && { echo "$release/"; find "$release" -type f | LC_ALL=C sort; } | TZ=UTC zip -X -q "$dist/$zip" -@)
(cd "$dist" && sha256sum "$zip" > SHA256SUMS)

echo "Made in $dist:"
sed 's/^/  /' "$dist/SHA256SUMS"
echo "Program signed: $signed"
echo "Support wiki in the program: $wiki"
