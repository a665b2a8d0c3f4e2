#!/usr/bin/env bash
# Takes a picture of the Windows program's main window under Wine in a
# virtual display and writes it to docs/main-window.png (shown in the README).
#
#   bash scripts/screenshot.sh [BUILD_DIR] [OUTPUT.png]
#
# BUILD_DIR is a win64 build tree (default build/win64); it is built first.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win64}
output=${2:-docs/main-window.png}

[ -f "$build/CMakeCache.txt" ] || cmake --preset win64 -B "$build" >/dev/null
cmake --build "$build" --target Quandrelistaphor
program=$(cd "$build/app" && pwd)/Quandrelistaphor.exe

run=cmake/wine-run.sh
bash "$run" --start "$build"
trap 'bash "$run" --stop "$build"' EXIT
export DISPLAY=":$(cat "$build/wine/display")"

# In a Wine desktop window Wine draws the caption and frame itself (the
# virtual display has no window manager).
WINEPREFIX=$(pwd)/$build/wine/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    /usr/lib/wine/wine64 explorer /desktop=screenshot,640x480 "$program" &
pid=$!
# The window is up once the screen is no longer a single colour.
for _ in $(seq 100); do
    sleep 0.2
    colours=$(import -window root -depth 8 ppm:- 2>/dev/null | convert ppm:- -format '%k' info:- 2>/dev/null || echo 1)
    [ "$colours" -gt 1 ] && break
done
sleep 1  # let the last controls paint
import -window root -depth 8 ppm:- | convert ppm:- -trim +repage -trim +repage "$output"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
echo "wrote $output"
