#!/usr/bin/env bash
# Two builds of the same sources give byte-identical Windows files: builds the
# win32 release again in a fresh folder and compares it with WIN32_BUILD_DIR.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
reference=$(cd "${1:?usage: check_reproducible.sh WIN32_BUILD_DIR}" && pwd)
again=$(mktemp -d /tmp/korvani-repro.XXXXXX)
trap 'rm -rf "$again"' EXIT

setting() { sed -n "s/^$1:[A-Z]*=//p" "$reference/CMakeCache.txt"; }
cmake -S "$source_dir" -B "$again" -G Ninja --toolchain "$source_dir/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE="$(setting CMAKE_BUILD_TYPE)" -DKORVANI_SUPPORT_WIKI="$(setting KORVANI_SUPPORT_WIKI)" >/dev/null
cmake --build "$again" --target KorvaniFWUpdater oscdll_sim at91boot_sim >/dev/null

status=0
for file in KorvaniFWUpdater.exe OSCdll.DLL AT91Boot_DLL.dll; do
    if cmp -s "$reference/bin/$file" "$again/bin/$file"; then
        echo "identical: $file"
    else
        echo "DIFFERENT: $file"
        status=1
    fi
done
exit $status
