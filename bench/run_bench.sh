#!/usr/bin/env bash
# make bench: start-up against a bare window and footprint, for the x86_64
# build under Debian's Wine and for the i686 release under the new-WoW64 Wine,
# each in a Wine session of its own on a private Xvfb display. Prints the
# tables and writes them to build/bench/results.md, or with
# KORVANI_BENCH_SAVE=1 (make bench SAVE=1) to the tracked bench/results.md.
# On a kernel that refuses 32-bit code the release is not measured, and the
# results say why.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${BENCH_RUNS:-20}

measure() {  # measure ARCH: the table for that build, against floors of the same build
    (
        source "$root/scripts/wine_session.sh"
        private_wine_session "$1"
        echo "Under $(wine --version):"
        echo
        point_driver_at "$root/build/$1"
        wine "$root/build/win64/bench/startup_bench.exe" "$runs" | tr -d '\r'
    )
}
win64=$(measure win64)
# Where the kernel refuses 32-bit code the release cannot run: say so and measure the rest.
if capability=$(source "$root/scripts/wine_session.sh" && kernel_runs_32bit_code); then
    win32=$(measure win32)
else
    win32="Not measured: ${capability#no: }, so the new-WoW64 Wine cannot run it here; in the emulated PC that runs its tests, times would say nothing about a real one."
fi
exe="$root/build/win32/bin/KorvaniFWUpdater.exe"
size=$(stat -c %s "$exe")
imports=$(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name/ {printf "%s ", $3}')

report="$root/build/bench/results.md"
[ "${KORVANI_BENCH_SAVE:-}" != 1 ] || report="$root/bench/results.md"
mkdir -p "$(dirname "$report")"
{
    echo "# Benchmark results"
    echo
    echo "Measured $(date -u +%Y-%m-%d) by \`make bench\` on $(nproc) cores of"
    echo "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(uname -sr), on Xvfb."
    echo "Numbers come from this machine and these Wines: compare the rows of one table, not the absolute times."
    echo
    echo "## The release (win32, i686)"
    echo
    echo "$win32"
    echo
    echo "## The x86_64 build (win64)"
    echo
    echo "$win64"
    echo
    echo "Release executable (win32, i686): $size bytes ($((size / 1024)) KiB; goal: at most 256 KiB),"
    echo "importing only $imports"
    echo
    echo "Wine reports 0 for USER and GDI objects (GetGuiResources) and for private bytes, so"
    echo "those columns are left out; handles are counted in the system's handle table and"
    echo "windows by enumeration instead."
} > "$report"
cat "$report"
echo "Written to $report"
