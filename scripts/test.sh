#!/usr/bin/env bash
# make test: every test, then one plain line on what could not run on this
# machine, and why.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

ctest --test-dir "$root/build/native" --output-on-failure
status=$?
if ! capability=$(source "$root/scripts/wine_session.sh" && kernel_runs_32bit_code); then
    echo "Not run: the i686 release's end-to-end suite (end_to_end_win32_release), because ${capability#no: }."
fi
exit $status
