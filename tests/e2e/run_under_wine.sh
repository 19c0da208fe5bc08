#!/usr/bin/env bash
# Runs the end-to-end driver of a win64 build under Wine, on a private Xvfb
# display and in a private Wine prefix made once per run, against the program
# and stand-ins of PROGRAM_BUILD_DIR (by default the driver's own build). An
# i686 program runs under the new-WoW64 Wine, which runs the x86_64 driver too;
# an x86_64 one under Debian's Wine.
#   KORVANI_E2E_DPI=N   the display's density in dots per inch (default 96)
# Where the kernel refuses 32-bit code (or KORVANI_E2E_GUEST=yes asks), an i686
# program runs inside an emulated PC instead (scripts/guest.sh), with the same
# driver and cases.
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
source "$here/../../scripts/guest.sh"

# The PE header's machine field: 014c for i386, 8664 for x86-64.
pe_machine() {
    local offset
    offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' '
}
arch=win64
[ "$(pe_machine "$program/bin/KorvaniFWUpdater.exe")" = 014c ] && arch=win32
if [ "$arch" = win32 ] && [ -z "${KORVANI_IN_GUEST:-}" ] && want_guest; then
    capability=$(kernel_runs_32bit_code) || true
    echo "The i686 release runs inside an emulated PC: ${KORVANI_E2E_GUEST:+KORVANI_E2E_GUEST=yes asks for it; }${capability#*: }."
    job=$(mktemp /tmp/korvani-guest-job.XXXXXX)
    trap 'rm -f "$job"' EXIT
    # From the 9p share the new-WoW64 Wine dies at its first start, and the
    # program's files hang: both are copied into the guest's memory first.
    cat >"$job" <<JOB
set -e
export KORVANI_IN_GUEST=1 KORVANI_32BIT_CODE=yes XDG_CACHE_HOME=/tmp/cache
mkdir -p /tmp/cache/korvani /tmp/m/tests /tmp/m/driver /tmp/m/program
cp -a "$(wow64_wine_dir)" /tmp/cache/korvani/
cp -a "$here/../../scripts" /tmp/m/ && cp -a "$here" /tmp/m/tests/
cp -a "$driver/bin" "$driver/e2e" "$driver/sim-variants" /tmp/m/driver/
cp -a "$program/bin" "$program/sim-variants" /tmp/m/program/
cd /tmp/m
# Through a pipe: on the guest's console Wine would draw its output as a terminal's.
set -o pipefail
tests/e2e/run_under_wine.sh driver program $(printf '%q ' "$@") 2>&1 | cat
JOB
    exec_status=0
    run_in_guest "${KORVANI_GUEST_LIMIT:-2100}" "$job" || exec_status=$?
    exit $exec_status
fi

private_wine_session "$arch"
if [ -n "${KORVANI_E2E_DPI:-}" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$KORVANI_E2E_DPI" /f >/dev/null 2>&1
    wineserver -k || true
    wineserver -w
fi
echo "Driving $program/bin/KorvaniFWUpdater.exe ($arch) under $(wine --version)"
point_driver_at "$program"
# Wine says this once per process under a user without a real Z: volume; it says nothing of the test.
wine "$driver/e2e/e2e_tests.exe" "$@" 2> >(grep -v 'Read access denied for device' >&2)
