#!/usr/bin/env bash
# Runs the end-to-end driver of a win64 build under Wine on a private Xvfb
# display, in a private Wine prefix made once per run.
set -euo pipefail
build=$(cd "${1:?usage: run_under_wine.sh WIN64_BUILD_DIR [gtest args]}" && pwd)
shift
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/wine_session.sh"

private_wine_session
wine "$build/e2e/e2e_tests.exe" "$@"
