#!/usr/bin/env bash
# make tour: drives one scripted session in a Wine virtual desktop (so windows
# have their title bars) and saves PNG screenshots into docs/tour/.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/wine_session.sh"

private_wine_session
shots="$session_dir/shots"
mkdir -p "$shots" "$root/docs/tour"
# The pictures show the folder of the chosen file: a plain one, not this machine's.
export KORVANI_E2E_WORK='C:\Korvani'
export KORVANI_TOUR_DIR
KORVANI_TOUR_DIR=$(winepath -w "$shots")
wine explorer /desktop=KorvaniTour,800x600 "$root/build/win64/e2e/tour.exe"
for shot in "$shots"/*.bmp; do
    name=$(basename "$shot" .bmp)
    convert "$shot" -strip "$root/docs/tour/$name.png"
done
ls "$root/docs/tour"
