#!/usr/bin/env bash
# Starts the win64 program under Wine beside the simulated controller and its
# demo firmware files. Without a display it runs on a private Xvfb display and
# saves a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine_session.sh"

run="$root/build/win64/run"
rm -rf "$run" && mkdir -p "$run"
cp "$root"/build/win64/bin/{KorvaniFWUpdater.exe,OSCdll.DLL,AT91Boot_DLL.dll} "$root"/build/win64/bin/*.bin "$run/"

trap end_wine_session EXIT
headless=""
if [ -z "${DISPLAY:-}" ]; then
    private_display
    headless=yes
    echo "No display: running on the private Xvfb display $DISPLAY."
fi
wine_prefix "$root/build/wineprefix"

echo "Starting $run/KorvaniFWUpdater.exe (the simulated controller answers; close the window to end)."
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
