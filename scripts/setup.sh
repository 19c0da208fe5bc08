#!/usr/bin/env bash
# Installs what building and testing need on Debian, only what is missing.
# Never wine32: on this kind of machine it breaks wine for 64-bit programs too.
# Compilers: x86_64 -posix (GoogleTest needs std::mutex), i686 -win32 (the release, no threads).
# The i686 release runs under a Wine built in new-WoW64 mode, kept in a cache
# folder outside the repository (scripts/wine_session.sh finds it); where the
# kernel refuses 32-bit code, inside an emulated PC kept there too. Both are
# skipped with KORVANI_SETUP_WOW64=no, which make passes unless its goal runs
# the release (test, bench, tour, or ARCH=win32).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine_session.sh"
source "$root/scripts/guest.sh"

packages=(
    cmake ninja-build make g++ python3 python3-pefile
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32
    binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
    googletest libgtest-dev
    wine wine64 fonts-wine xvfb imagemagick zip unzip zstd osslsigncode openssl
)
# The emulated PC that runs the i686 release where the kernel refuses 32-bit code.
guest_packages=(qemu-system-x86 busybox-static cpio xz-utils)
wow64_wanted() { [ "${KORVANI_SETUP_WOW64:-yes}" != no ]; }
if wow64_wanted && want_guest; then packages+=("${guest_packages[@]}"); fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

wow64_wanted || exit 0
if want_guest && ! prepare_guest; then
    # The kernel package is fetched by name: the package lists may be older than it.
    $sudo apt-get update -qq
    prepare_guest || { echo "The emulated PC's kernel and initramfs could not be made." >&2; exit 1; }
fi

# The new-WoW64 Wine: unpacked from the team's shared copy when its checksum
# matches, otherwise built from Debian's source package. Where the kernel
# refuses 32-bit code it runs inside the emulated PC.
wow64=$(wow64_wine_dir)
[ -x "$wow64/bin/wine" ] && exit 0
shared="$root/../shared/tools/wine-wow64"
mkdir -p "$(dirname "$wow64")"
if [ -f "$shared/wine-10.0-wow64.tar.zst" ] && (cd "$shared" && sha256sum --quiet -c SHA256SUMS); then
    echo "Unpacking the new-WoW64 Wine into $wow64"
    tar --zstd -xf "$shared/wine-10.0-wow64.tar.zst" -C "$(dirname "$wow64")"
else
    echo "Building Wine 10.0 in new-WoW64 mode from Debian's source package into $wow64."
    echo "This takes about 35 minutes on 2 cores, once per machine."
    started=$(date +%s)
    work=$(mktemp -d /tmp/korvani-wine-build.XXXXXX)
    $sudo apt-get update -qq
    if ! $sudo env WORK="$work" PREFIX="$wow64" "$root/scripts/build_wine_wow64.sh" >"$work.log" 2>&1; then
        tail -n 40 "$work.log"
        echo "Building Wine failed; the whole log is $work.log" >&2
        exit 1
    fi
    rm -rf "$work" "$work.log"
    echo "Built in $(( ($(date +%s) - started) / 60 )) minutes."
fi
