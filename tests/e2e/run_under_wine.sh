#!/usr/bin/env bash
# Runs the end-to-end driver of a win64 build under Wine on a private Xvfb
# display, in a private Wine prefix made once per run.
set -euo pipefail
build=$(cd "${1:?usage: run_under_wine.sh WIN64_BUILD_DIR [gtest args]}" && pwd)
shift
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/wine_session.sh"

private_wine_session
status=0
wine "$build/e2e/e2e_tests.exe" "$@" || status=$?

# The window once more on a 144 DPI display, when the whole suite ran.
if [ $# -eq 0 ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
    wineserver -k || true
    wineserver -w
    KORVANI_E2E_DPI=144 wine "$build/e2e/e2e_tests.exe" --gtest_filter='MainWindow.LooksAsDefined' || status=$?
fi
exit $status
