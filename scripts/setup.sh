#!/usr/bin/env bash
# Installs what building and testing need on Debian, only what is missing.
# Never wine32: on this kind of machine it breaks wine for 64-bit programs too.
# Compilers: x86_64 -posix (GoogleTest needs std::mutex), i686 -win32 (the release, no threads).
set -euo pipefail

packages=(
    cmake ninja-build make g++ python3 python3-pefile
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32
    binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
    googletest libgtest-dev
    wine wine64 fonts-wine xvfb imagemagick zip
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
