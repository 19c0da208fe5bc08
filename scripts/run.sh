#!/usr/bin/env bash
# Starts the program under Wine beside the simulated controller and its demo
# firmware files: ARCH=win64 (default) the x86_64 build under Debian's Wine,
# ARCH=win32 the i686 release, exactly what ships, under the new-WoW64 Wine.
# Without a display it runs on a private Xvfb display and saves a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine_session.sh"
source "$root/scripts/guest.sh"
arch=${ARCH:-win64}

run="$root/build/$arch/run"
rm -rf "$run" && mkdir -p "$run"
cp "$root"/build/$arch/bin/{KorvaniFWUpdater.exe,OSCdll.DLL,AT91Boot_DLL.dll} "$root"/build/$arch/bin/*.bin "$run/"
shot="$root/build/run-screenshot.png"

# Where the kernel refuses 32-bit code: inside the emulated PC, on its own display.
if [ "$arch" = win32 ] && [ -z "${KORVANI_IN_GUEST:-}" ] && want_guest; then
    echo "The i686 release runs inside an emulated PC here ($(kernel_runs_32bit_code | sed 's/^[a-z]*: //'))."
    echo "Its first start makes a Wine prefix, which takes a minute or two."
    job=$(mktemp /tmp/korvani-guest-job.XXXXXX)
    trap 'rm -f "$job"' EXIT
    cat >"$job" <<JOB
export KORVANI_IN_GUEST=1 KORVANI_32BIT_CODE=yes XDG_CACHE_HOME=/tmp/cache DISPLAY=
mkdir -p /tmp/cache/korvani && cp -a "$(wow64_wine_dir)" /tmp/cache/korvani/
cp -a "$root/scripts" /tmp/ && mkdir -p /tmp/build/win32 && cp -a "$root/build/win32/bin" /tmp/build/win32/
ARCH=win32 KORVANI_SHOT="$shot" KORVANI_SHOT_DELAY=30 /tmp/scripts/run.sh
JOB
    KORVANI_GUEST_OUT="$root/build" run_in_guest 86400 "$job"
    exit $?
fi
use_wine "$arch"

trap end_wine_session EXIT
headless=""
if [ -z "${DISPLAY:-}" ]; then
    private_display
    headless=yes
    echo "No display: running on the private Xvfb display $DISPLAY."
fi
# One prefix for each Wine: a prefix made by one is never used by the other.
wine_prefix "$root/build/wineprefix-$arch"

echo "Starting $run/KorvaniFWUpdater.exe ($arch, $(wine --version); the simulated controller answers; close the window to end)."
(cd "$run" && wine KorvaniFWUpdater.exe) &
program=$!

if [ -n "$headless" ]; then
    sleep "${KORVANI_SHOT_DELAY:-3}"  # emulated, the window takes longer
    shot=${KORVANI_SHOT:-$shot}
    # Cropped to what is not the empty screen around the window.
    import -display "$DISPLAY" -window root "$shot"
    convert "$shot" -trim +repage "$shot"
    echo "Screenshot of the window: $shot"
    echo "Running until interrupted (Ctrl+C)."
fi
wait "$program" || true
