#!/usr/bin/env bash
# make dist with a certificate: a throwaway self-signed one, made here. The
# program in the package must carry a signature that verifies against it, and
# SHA256SUMS must match the packages.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: check_signed_package.sh WIN32_BUILD_DIR}" && pwd)
work=$(mktemp -d /tmp/korvani-sign.XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "throwaway-password" > "$work/pass"
openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=Korvani test signer" \
    -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -passout "file:$work/pass" -out "$work/signer.pfx"

KORVANI_RELEASE_BUILD="$build" KORVANI_DIST_DIR="$work/dist" KORVANI_SIGN_PFX="$work/signer.pfx" KORVANI_SIGN_PASS_FILE="$work/pass" \
    "$root/scripts/dist.sh" | tee "$work/report"
grep -q "^Program signed: yes, by .*Korvani test signer" "$work/report"
(cd "$work/dist" && sha256sum -c SHA256SUMS)
# A stand-in beside the real program would fake "Updated!".
for zip in "$work"/dist/*.zip; do
    if unzip -Z1 "$zip" | grep -qiE '(^|/)(oscdll|at91boot_dll)\.dll$'; then
        echo "$zip holds a stand-in library" >&2
        exit 1
    fi
done

program_zip=$(ls "$work"/dist/KorvaniFWUpdater-*-win32.zip)
unzip -q "$program_zip" KorvaniFWUpdater.exe -d "$work/unpacked"
osslsigncode verify -in "$work/unpacked/KorvaniFWUpdater.exe" -CAfile "$work/cert.pem" | tee "$work/verify"
grep -q "Signature verification: ok" "$work/verify"
# Signing works on a copy: the built program stays unsigned and reproducible.
# Any signature counts, trusted or not; and not "! command", which -e ignores.
if osslsigncode extract-signature -in "$build/bin/KorvaniFWUpdater.exe" -out "$work/found.sig" >/dev/null 2>&1; then
    echo "the built program is signed: signing must leave it as built" >&2
    exit 1
fi
echo "signed package: ok"
