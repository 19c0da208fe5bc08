#!/usr/bin/env bash
# Starts the program under Wine beside the simulated controller and its demo
# firmware files: ARCH=win64 (default) the x86_64 build under Debian's Wine,
# ARCH=win32 the i686 release, exactly what ships, under the new-WoW64 Wine.
# Without a display it runs on a private Xvfb display and saves a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine_session.sh"
arch=${ARCH:-win64}
use_wine "$arch"

run="$root/build/$arch/run"
rm -rf "$run" && mkdir -p "$run"
cp "$root"/build/$arch/bin/{KorvaniFWUpdater.exe,OSCdll.DLL,AT91Boot_DLL.dll} "$root"/build/$arch/bin/*.bin "$run/"

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
    sleep 3
    shot="$root/build/run-screenshot.png"
    import -display "$DISPLAY" -window root -crop 400x200+0+0 "$shot"
    echo "Screenshot of the window: $shot"
    echo "Running until interrupted (Ctrl+C)."
fi
wait "$program" || true
