#!/usr/bin/env bash
# Takes pictures of the Windows program under Wine in a virtual display, at
# the common display scales, and writes them to docs/:
#
#   docs/main-window.png         the main window at 96 dpi (shown in the README)
#   docs/dpi-<N>.png             the main window and About side by side at N dpi
#   docs/failure-<N>.png         the main window and Convert's failure box for
#                                a moved copy, side by side at N dpi
#   docs/chooser-<N>.png         the main window with a Blender export in the
#                                Matching File box and the New File chooser,
#                                which proposes a name from it in its folder
#
#   bash scripts/screenshot.sh [BUILD_DIR] [DPI...]
#
# BUILD_DIR is a win64 build tree (default build/win64); it is built first.
# DPI defaults to 96 120 144 192. The pictures are read from the virtual
# display's own frame buffer, so no X screen-capture tool is needed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win64}
shift || true
dpis=("$@")
[ ${#dpis[@]} -gt 0 ] || dpis=(96 120 144 192)

[ -f "$build/CMakeCache.txt" ] || cmake --preset win64 -B "$build" >/dev/null
cmake --build "$build" --target Quandrelistaphor
program=$(cd "$build/app" && pwd)/Quandrelistaphor.exe

state=$(cd "$build" && pwd)/screenshot
mkdir -p "$state/frame"
export WINEPREFIX=$state/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver

winepath_of() {
    printf 'Z:%s' "$1" | tr / '\\'
}

# A small Windows program that opens About through the system menu and sets
# the two windows side by side in the desktop's top-left corner.
helper=$state/open_about.exe
if [ ! "$helper" -nt scripts/screenshot.sh ]; then
    cat >"$state/open_about.c" <<'EOF'
#include <windows.h>
#include <stdio.h>
#include <string.h>
static void put(const char* path, const char* text) {
    FILE* file = fopen(path, "wb");
    fputs(text, file);
    fclose(file);
}

/* argv[1]: a file to create once both windows are in place; argv[2], when
   given: "failure" shows Convert's failure box for a moved copy in About's
   place, "chooser" the New File chooser after a Matching file was given. */
int main(int argc, char** argv) {
    HWND main_window = NULL, about = NULL;
    RECT rect;
    char folder[MAX_PATH], path[MAX_PATH];
    for (int i = 0; i < 500 && !main_window; ++i, Sleep(20))
        main_window = FindWindowA("#32770", "Quandrelistaphor v1.0 - www.quandrelistaphor.example");
    if (!main_window) return 1;
    SetWindowPos(main_window, NULL, 8, 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    if (argc > 2 && strcmp(argv[2], "chooser") == 0) {
        GetTempPathA(MAX_PATH, folder);
        snprintf(path, MAX_PATH, "%smeshes", folder);
        CreateDirectoryA(path, NULL);
        snprintf(path, MAX_PATH, "%smeshes\\big_blender.obj", folder);
        put(path, "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\n");
        /* Chosen as a user chooses it: typed into the Matching chooser. */
        HWND open = NULL, name = NULL;
        PostMessageA(GetDlgItem(main_window, 206), BM_CLICK, 0, 0);
        for (int i = 0; i < 500 && !(open && IsWindowVisible(open)); ++i, Sleep(20))
            open = FindWindowA("#32770", "Open File");
        if (!open) return 1;
        name = GetDlgItem(open, 0x47c) ? GetDlgItem(open, 0x47c) : GetDlgItem(open, 0x480);
        SetWindowTextA(name, path);
        PostMessageA(open, WM_COMMAND, IDOK, 0);
        for (int i = 0; i < 500 && IsWindow(open); ++i) Sleep(20);
        PostMessageA(GetDlgItem(main_window, 207), BM_CLICK, 0, 0);
        for (int i = 0; i < 500 && !(about && IsWindowVisible(about)); ++i, Sleep(20))
            about = FindWindowA("#32770", "Save File");
    } else if (argc > 2) {
        GetTempPathA(MAX_PATH, folder);
        snprintf(path, MAX_PATH, "%soriginal.obj", folder);
        put(path, "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 1 3 4\n");
        SetDlgItemTextA(main_window, 3000, path);
        snprintf(path, MAX_PATH, "%smatching.obj", folder);
        put(path, "v 1 1 0.0000004\nv 0 0 0\nv 0 1 0\nv 1 0 0\nf 2 4 1\nf 2 1 3\n");
        SetDlgItemTextA(main_window, 3001, path);
        snprintf(path, MAX_PATH, "%snew.obj", folder);
        SetDlgItemTextA(main_window, 3002, path);
        PostMessageA(GetDlgItem(main_window, 202), BM_CLICK, 0, 0);
        for (int i = 0; i < 500 && !(about && IsWindowVisible(about)); ++i, Sleep(20))
            about = FindWindowA("#32770", "Error");
    } else {
        PostMessageA(main_window, WM_SYSCOMMAND, 200, 0);
        for (int i = 0; i < 500 && !(about && IsWindowVisible(about)); ++i, Sleep(20))
            about = FindWindowA("#32770", "About");
    }
    if (!about) return 1;
    GetWindowRect(main_window, &rect);
    SetWindowPos(about, NULL, rect.right + 8, rect.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    /* Both painted in their new places before the picture is taken. */
    RedrawWindow(main_window, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RedrawWindow(about, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(500);
    if (argc > 1) fclose(fopen(argv[1], "w"));
    return 0;
}
EOF
    x86_64-w64-mingw32-gcc -O1 -s -o "$helper" "$state/open_about.c"
fi

# The virtual display mirrors its screen into an XWD file in $state/frame.
setsid Xvfb -displayfd 8 -screen 0 2000x1200x24 -nocursor -fbdir "$state/frame" -nolisten tcp 8>"$state/display" \
    >"$state/xvfb.log" 2>&1 </dev/null &
xvfb=$!
trap '"$server" -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    [ -s "$state/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(tr -d '\n' <"$state/display")"
[ -f "$WINEPREFIX/.ready" ] || { "$wine" wineboot -i >/dev/null 2>&1 || true; "$server" -w; touch "$WINEPREFIX/.ready"; }

# Waits until the screen shows more than the bare desktop, lets the last
# controls paint, then crops the frame buffer to what differs from its border
# colours (the screen around the Wine desktop, then the desktop around the
# windows) and writes a PNG.
capture() {
    for _ in $(seq 60); do
        crop "$1" >/dev/null 2>&1 && break
        sleep 0.5
    done
    sleep 1
    crop "$1"
}

crop() {
    python3 - "$state/frame/Xvfb_screen0" "$1" <<'EOF'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
fields = struct.unpack(">25I", data[:100])
header_size, width, height, bits, line = fields[0], fields[4], fields[5], fields[11], fields[12]
start = header_size + fields[19] * 12
assert bits == 32, "expected a 24-bit display"
rows = []
for y in range(height):
    row = data[start + y * line:start + y * line + width * 4]
    rows.append(bytes(b for i in range(0, len(row), 4) for b in (row[i + 2], row[i + 1], row[i])))

def trim(rows, corner):
    plain = lambda row: row == corner * (len(row) // 3)
    kept = [y for y, row in enumerate(rows) if not plain(row)]
    if not kept:
        sys.exit(3)  # nothing shows yet
    rows = rows[kept[0]:kept[-1] + 1]
    width = len(rows[0]) // 3
    columns = [x for x in range(width) if any(row[3 * x:3 * x + 3] != corner for row in rows)]
    return [row[3 * columns[0]:3 * columns[-1] + 3] for row in rows]

rows = trim(rows, rows[-1][-3:])
rows = trim(rows, rows[0][:3])
chunk = lambda kind, body: struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", len(rows[0]) // 3, len(rows), 8, 2, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(b"".join(b"\0" + row for row in rows), 9)) + chunk(b"IEND", b"")
open(sys.argv[2], "wb").write(png)
print("wrote", sys.argv[2])
EOF
}

# Starts the program, has the helper bring up a box beside its window ($2:
# failure, chooser, or nothing for About) and takes docs/$1-$dpi.png; the
# first of them at 96 dpi also takes the main window alone.
shoot_beside() {
    "$wine" explorer /desktop=screenshot,1900x1100 "$program" >/dev/null 2>&1 &
    local pid=$!
    [ "$1" = dpi ] && [ "$dpi" = 96 ] && capture docs/main-window.png
    # Programs started apart from the desktop's first one see its windows
    # only when they join the same desktop; that explorer stays while the
    # desktop has windows.
    rm -f "$state/$1.ready"
    "$wine" explorer /desktop=screenshot,1900x1100 "$helper" "$(winepath_of "$state/$1.ready")" ${2:+"$2"} \
        >/dev/null 2>&1 &
    for _ in $(seq 100); do
        [ -f "$state/$1.ready" ] && break
        sleep 0.1
    done
    capture "docs/$1-$dpi.png"
    "$server" -k 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

for dpi in "${dpis[@]}"; do
    # The system dpi is read when a program starts; the Wine server is
    # restarted so that every program of the next run sees the new value.
    printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\Control Panel\Desktop]' \
        "\"LogPixels\"=dword:$(printf '%08x' "$dpi")" >"$state/dpi.reg"
    "$wine" regedit /S "$(winepath_of "$state/dpi.reg")" >/dev/null 2>&1
    "$server" -w
    # About, Convert's failure box and the New File chooser, each beside
    # the main window of a fresh start.
    shoot_beside dpi
    shoot_beside failure failure
    shoot_beside chooser chooser
done
