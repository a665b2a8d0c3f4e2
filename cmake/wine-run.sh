#!/usr/bin/env bash
# Runs a Windows test program under Wine for CTest (CMAKE_CROSSCOMPILING_EMULATOR).
#
#   wine-run.sh PROGRAM.exe [ARGS...]   run it; exit code is the program's
#   wine-run.sh --start BUILD_DIR       make the prefix and the display ready
#   wine-run.sh --stop BUILD_DIR        stop the display and the Wine server
#
# Every build tree gets its own Wine prefix and its own virtual X display under
# BUILD_DIR/wine, made once and shared by the test programs of one CTest run.
# When run for a program, the build tree is the nearest folder above it that
# holds CMakeCache.txt.
set -euo pipefail

WINE=${QUANDRE_WINE:-/usr/lib/wine/wine64}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

find_build_dir() {
    local dir
    dir=$(cd "$(dirname "$1")" && pwd)
    while [ "$dir" != / ]; do
        [ -f "$dir/CMakeCache.txt" ] && { echo "$dir"; return; }
        dir=$(dirname "$dir")
    done
    echo "wine-run.sh: no build tree above $1" >&2
    exit 2
}

# The Windows name of a file of the build machine (drive Z: is its root).
winepath_of() {
    printf 'Z:%s' "$1" | tr / '\\'
}

display_alive() {
    [ -f "$state/xvfb.pid" ] && [ -f "$state/display" ] &&
        kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null &&
        [ -S "/tmp/.X11-unix/X$(cat "$state/display")" ]
}

start() {
    mkdir -p "$state"
    exec 9>"$state/lock"
    flock 9
    if ! display_alive; then
        rm -f "$state/display"
        # -displayfd picks a free display and reports it once the server is ready.
        setsid Xvfb -displayfd 8 -screen 0 1024x768x24 -nolisten tcp 8>"$state/display" 9>&- \
            >"$state/xvfb.log" 2>&1 </dev/null &
        echo $! >"$state/xvfb.pid"
        for _ in $(seq 100); do
            [ -s "$state/display" ] && break
            sleep 0.1
        done
        [ -s "$state/display" ] || { echo "wine-run.sh: Xvfb did not start" >&2; cat "$state/xvfb.log" >&2; exit 2; }
    fi
    export DISPLAY=":$(tr -d '\n' <"$state/display")"
    if [ ! -f "$WINEPREFIX/.ready" ]; then
        "$WINE" wineboot -i >/dev/null 2>&1 9>&- || true
        # Every program of the prefix runs in one Wine desktop window. Wine
        # then draws captions and frames itself, and a closing window need not
        # wait for a window manager the virtual display does not have.
        printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="Default"' '' \
            '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' '"Default"="1024x768"' >"$state/desktop.reg"
        "$WINE" regedit /S "$(winepath_of "$state/desktop.reg")" >/dev/null 2>&1 9>&- || true
        # The desktop process that wineboot started keeps its kind until the
        # prefix's server ends; let it end so that the next program starts
        # with the desktop window.
        /usr/lib/wine/wineserver -w 9>&- || true
        touch "$WINEPREFIX/.ready"
    fi
    flock -u 9
    exec 9>&-
}

stop() {
    if [ -f "$WINEPREFIX/.ready" ]; then
        /usr/lib/wine/wineserver -k 2>/dev/null || true
    fi
    if [ -f "$state/xvfb.pid" ]; then
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
        rm -f "$state/xvfb.pid" "$state/display"
    fi
}

case "${1:-}" in
--start | --stop)
    build=$(cd "$2" && pwd)
    ;;
"")
    echo "usage: wine-run.sh PROGRAM.exe [ARGS...] | --start BUILD_DIR | --stop BUILD_DIR" >&2
    exit 2
    ;;
*)
    build=$(find_build_dir "$1")
    ;;
esac
state=$build/wine
export WINEPREFIX=$state/prefix

case "$1" in
--start) start ;;
--stop) stop ;;
*)
    start
    exec "$WINE" "$@"
    ;;
esac
