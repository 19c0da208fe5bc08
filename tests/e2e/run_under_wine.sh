#!/usr/bin/env bash
# Runs the end-to-end driver of a win64 build under Wine, on a private Xvfb
# display and in a private Wine prefix made once per run, against the program
# and stand-ins of PROGRAM_BUILD_DIR (by default the driver's own build). An
# i686 program runs under the new-WoW64 Wine, which runs the x86_64 driver too;
# an x86_64 one under Debian's Wine.
#   KORVANI_E2E_DPI=N   the display's density in dots per inch (default 96)
# Exit status 77: the kernel refuses 32-bit code, so an i686 program cannot run.
set -euo pipefail
usage="usage: run_under_wine.sh WIN64_BUILD_DIR [PROGRAM_BUILD_DIR] [gtest args]"
driver=$(cd "${1:?$usage}" && pwd)
shift
program=$driver
if [ $# -gt 0 ] && [ -d "$1" ]; then
    program=$(cd "$1" && pwd)
    shift
fi
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/wine_session.sh"

# The PE header's machine field: 014c for i386, 8664 for x86-64.
pe_machine() {
    local offset
    offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' '
}
arch=win64
[ "$(pe_machine "$program/bin/KorvaniFWUpdater.exe")" = 014c ] && arch=win32
# Skipped, with the reason, only where the kernel cannot run the i686 program at all.
if [ "$arch" = win32 ] && ! capability=$(kernel_runs_32bit_code); then
    echo "Not run: ${capability#no: }, so the new-WoW64 Wine cannot run the i686 release."
    exit 77
fi

private_wine_session "$arch"
if [ -n "${KORVANI_E2E_DPI:-}" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$KORVANI_E2E_DPI" /f >/dev/null 2>&1
    wineserver -k || true
    wineserver -w
fi
echo "Driving $program/bin/KorvaniFWUpdater.exe ($arch) under $(wine --version)"
point_driver_at "$program"
wine "$driver/e2e/e2e_tests.exe" "$@"
