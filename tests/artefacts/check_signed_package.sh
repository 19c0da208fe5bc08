#!/usr/bin/env bash
# make dist with a certificate: a throwaway self-signed one, made here. A
# program that names the placeholder support wiki is refused; one built with
# an address of its own is packaged in a folder named after the release, with
# a signature that verifies against the certificate, and SHA256SUMS must match.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: check_signed_package.sh WIN32_BUILD_DIR}" && pwd)
work=$(mktemp -d /tmp/korvani-sign.XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "throwaway-password" > "$work/pass"
openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=Korvani test signer" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout "file:$work/pass" -out "$work/signer.pfx"
sign=(KORVANI_SIGN_PFX="$work/signer.pfx" KORVANI_SIGN_PASS_FILE="$work/pass")

# The tests' builds name the placeholder: refused, with how to give the maker's address.
if env "${sign[@]}" KORVANI_RELEASE_BUILD="$build" KORVANI_DIST_DIR="$work/refused" \
    "$root/scripts/dist.sh" 2> "$work/refusal"; then
    echo "packaged a program that names the placeholder support wiki" >&2
    exit 1
fi
cat "$work/refusal"
grep -q "make dist KORVANI_SUPPORT_WIKI=https://" "$work/refusal"
[ ! -e "$work/refused" ] || { echo "a refused make dist left $(ls "$work/refused")" >&2; exit 1; }

setting() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
wiki=https://wiki.korvani.test/help
cmake -S "$root" -B "$work/release" -G Ninja --toolchain "$root/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE="$(setting CMAKE_BUILD_TYPE)" -DKORVANI_SUPPORT_WIKI="$wiki" >/dev/null
cmake --build "$work/release" --target KorvaniFWUpdater >/dev/null
env "${sign[@]}" KORVANI_RELEASE_BUILD="$work/release" KORVANI_DIST_DIR="$work/dist" \
    "$root/scripts/dist.sh" | tee "$work/report"
grep -q "^Program signed: yes, by .*Korvani test signer" "$work/report"
grep -qx "Support wiki in the program: $wiki" "$work/report"
(cd "$work/dist" && sha256sum -c SHA256SUMS)

# One folder, and in it no stand-in: beside the real program one would fake "Updated!".
release="KorvaniFWUpdater-$(setting CMAKE_PROJECT_VERSION)"
program_zip="$work/dist/$release-win32.zip"
listed=$(unzip -Z1 "$program_zip")
expected=$(printf '%s\n' "$release/" "$release/KorvaniFWUpdater.exe" \
    "$release/Put OSCdll.DLL and AT91Boot_DLL.dll here.txt" "$release/README.txt")
if [ "$listed" != "$expected" ]; then
    printf 'the package holds\n%s\nnot\n%s\n' "$listed" "$expected" >&2
    exit 1
fi

unzip -q "$program_zip" "$release/KorvaniFWUpdater.exe" -d "$work/unpacked"
osslsigncode verify -in "$work/unpacked/$release/KorvaniFWUpdater.exe" -CAfile "$work/cert.pem" | tee "$work/verify"
grep -q "Signature verification: ok" "$work/verify"
# Signing works on a copy: the built program stays unsigned and reproducible.
# Any signature counts, trusted or not; and not "! command", which -e ignores.
if osslsigncode extract-signature -in "$work/release/bin/KorvaniFWUpdater.exe" -out "$work/found.sig" >/dev/null 2>&1; then
    echo "the built program is signed: signing must leave it as built" >&2
    exit 1
fi
echo "signed package: ok"
