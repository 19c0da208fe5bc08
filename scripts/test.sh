#!/usr/bin/env bash
# make test: every test, each end-to-end case's result in the output, then one
# plain line on where the i686 release's suite ran, and why.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

ctest --test-dir "$root/build/native" --output-on-failure --verbose
status=$?
source "$root/scripts/wine_session.sh"
source "$root/scripts/guest.sh"
capability=$(kernel_runs_32bit_code)
if want_guest; then
    echo "The i686 release's end-to-end suite (end_to_end_win32_release) ran inside an emulated PC: ${KORVANI_E2E_GUEST:+KORVANI_E2E_GUEST=yes asked for it; }${capability#*: }."
else
    echo "The i686 release's end-to-end suite (end_to_end_win32_release) ran natively under the new-WoW64 Wine: ${capability#*: }."
fi
exit $status
