#!/usr/bin/env bash
# Runs the end-to-end driver of a win64 build under Wine on a private Xvfb
# display, in a private Wine prefix made once per run.
set -euo pipefail
build=$(cd "${1:?usage: run_under_wine.sh WIN64_BUILD_DIR [gtest args]}" && pwd)
shift

work=$(mktemp -d /tmp/korvani-e2e.XXXXXX)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A UTF-8 locale lets Wine name files outside ASCII; its ANSI code page is then 1252.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

display=""
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done

wineboot -i >/dev/null 2>&1
# With no window manager, Wine waits up to 2 s whenever a managed top-level window closes.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wineserver -w

wine "$build/e2e/e2e_tests.exe" "$@"
