# Sourced: a Wine prefix and, when needed, a private Xvfb display.
#   use_wine ARCH             the Wine that runs a build: win64 Debian's Wine,
#                             win32 the new-WoW64 Wine (32- and 64-bit programs)
#   wine_prefix DIR           use (and on first use create) the prefix in DIR
#   private_display           start Xvfb on a free display and export DISPLAY
#   end_wine_session          stop wineserver and Xvfb
#   private_wine_session ARCH a private display and a fresh prefix, all gone on exit
#   point_driver_at BUILD     the build whose program and stand-ins the driver
#                             or the benchmark lays out, and its work area
#   kernel_runs_32bit_code    whether the new-WoW64 Wine can run here; prints why

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# A UTF-8 locale lets Wine name files outside ASCII; its ANSI code page is then 1252.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

# Where scripts/setup.sh keeps the new-WoW64 Wine and the probe below.
korvani_cache_dir() {
    local home=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
    echo "${XDG_CACHE_HOME:-$home/.cache}/korvani"
}
wow64_wine_dir() {
    echo "$(korvani_cache_dir)/wow64wine-small"
}

# The new-WoW64 Wine runs 32-bit code in a 64-bit process, which some kernels
# refuse. Prints "yes: ..." or "no: <why>"; KORVANI_32BIT_CODE=yes|no forces it.
kernel_runs_32bit_code() {
    case "${KORVANI_32BIT_CODE:-}" in
        yes) echo "yes: KORVANI_32BIT_CODE=yes says so"; return 0 ;;
        no) echo "no: KORVANI_32BIT_CODE=no says so"; return 1 ;;
    esac
    local source probe
    source="$(dirname "${BASH_SOURCE[0]}")/probe_32bit_code.c"
    probe="$(korvani_cache_dir)/probe_32bit_code"
    if [ ! "$probe" -nt "$source" ]; then
        mkdir -p "$(dirname "$probe")"
        cc -O2 -no-pie -o "$probe" "$source" || { echo "no: the probe did not build"; return 1; }
    fi
    "$probe"
}

use_wine() {
    case "$1" in
        win64) ;;
        win32)
            local capability
            if ! capability=$(kernel_runs_32bit_code); then
                echo "The i686 release cannot run here: ${capability#no: }." >&2
                return 1
            fi
            export PATH="$(wow64_wine_dir)/bin:$PATH"
            unset WINELOADER WINESERVER WINEDLLPATH
            if [ ! -x "$(wow64_wine_dir)/bin/wine" ]; then
                echo "No new-WoW64 Wine in $(wow64_wine_dir): run scripts/setup.sh" >&2
                return 1
            fi
            ;;
        *) echo "use_wine: win32 or win64, not '$1'" >&2; return 1 ;;
    esac
}

wine_prefix() {
    export WINEPREFIX="$1"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i >/dev/null 2>&1
        # With no window manager, Wine waits up to 2 s whenever a managed window closes.
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        wineserver -w
    fi
}

private_display() {
    local n
    for n in $(seq 90 140); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then break; fi
    done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && return 0; sleep 0.1; done
    echo "Xvfb did not start on $DISPLAY" >&2
    return 1
}

end_wine_session() {
    wineserver -k 2>/dev/null || true
    if [ -n "${xvfb_pid:-}" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}

private_wine_session() {
    use_wine "${1:-win64}"
    session_dir=$(mktemp -d /tmp/korvani-wine.XXXXXX)
    trap 'end_wine_session; rm -rf "$session_dir"' EXIT
    private_display
    wine_prefix "$session_dir/prefix"
}

point_driver_at() {
    KORVANI_E2E_BUILD=$(winepath -w "$1")
    KORVANI_E2E_WORK=$(winepath -w "$1/e2e-work")
    export KORVANI_E2E_BUILD KORVANI_E2E_WORK
}
