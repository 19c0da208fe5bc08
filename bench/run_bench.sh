#!/usr/bin/env bash
# make bench: start-up against a bare window and footprint, under one Wine
# session on a private Xvfb display. Prints the table and keeps it in
# bench/results.md.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine_session.sh"
runs=${BENCH_RUNS:-20}

private_wine_session

table=$(wine "$root/build/win64/bench/startup_bench.exe" "$runs" | tr -d '\r')
exe="$root/build/win32/bin/KorvaniFWUpdater.exe"
size=$(stat -c %s "$exe")
imports=$(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name/ {printf "%s ", $3}')

report="$root/bench/results.md"
{
    echo "# Benchmark results"
    echo
    echo "Measured $(date -u +%Y-%m-%d) by \`make bench\` on $(nproc) cores of"
    echo "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(uname -sr),"
    echo "$(wine --version) on Xvfb; the win64 build, since only 64-bit Windows programs run here."
    echo "Numbers come from this machine and this Wine: compare the two rows, not the absolute times."
    echo
    echo "$table"
    echo
    echo "Release executable (win32, i686): $size bytes ($((size / 1024)) KiB; goal: at most 256 KiB),"
    echo "importing only $imports"
    echo
    echo "Wine reports 0 for USER and GDI objects (GetGuiResources) and for private bytes;"
    echo "handles are counted in the system's handle table and windows by enumeration instead."
} > "$report"
cat "$report"
