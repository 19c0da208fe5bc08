#!/usr/bin/env bash
# make tour: drives one scripted session in a Wine virtual desktop (so windows
# have their title bars) and saves PNG screenshots into docs/tour/. The
# pictures are of what ships: the i686 release under the new-WoW64 Wine, which
# also runs the x86_64 tour driver.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine_session.sh"

private_wine_session win32
shots="$session_dir/shots"
mkdir -p "$shots" "$root/docs/tour"
# The release and its stand-ins, beside the preview of the one box a real
# dialog failure brings (built with the driver).
release="$session_dir/release"
mkdir -p "$release/e2e"
cp -a "$root/build/win32/bin" "$release/"
cp "$root/build/win64/e2e/selection_error_box.exe" "$release/e2e/"
point_driver_at "$release"
# The pictures show the folder of the chosen file: a plain one, not this machine's.
export KORVANI_E2E_WORK='C:\Korvani'
export KORVANI_TOUR_DIR
KORVANI_TOUR_DIR=$(winepath -w "$shots")
# The virtual desktop keeps the driver's output and status to itself: its report tells.
wine explorer /desktop=KorvaniTour,800x600 "$root/build/win64/e2e/tour.exe" \
    "--gtest_output=xml:$(winepath -w "$session_dir/tour.xml")"
if ! grep -q '<testsuites [^>]*failures="0"' "$session_dir/tour.xml" 2>/dev/null; then
    grep -ho 'message="[^"]*"' "$session_dir/tour.xml" 2>/dev/null | head -n 5 >&2 || true
    echo "The tour did not get through every screen; docs/tour/ is left as it was." >&2
    exit 1
fi
for shot in "$shots"/*.bmp; do
    name=$(basename "$shot" .bmp)
    convert "$shot" -strip "$root/docs/tour/$name.png"
done
ls "$root/docs/tour"
