#!/usr/bin/env bash
# Makes a textured, smooth-shaded scene of several objects in Blender, has
# Blender re-import and export it (plainly, and separated by material), converts
# each copy against the scene and re-imports the new file: Blender must find
# in it the matching file's objects, smooth faces, texture slots, vertices
# (Blender's count: a vertex is counted once in each object that uses it)
# and UV layers. Not part of CI: it needs Blender (apt-get install blender) and a
# build of the command line (release, else dev).
#
#   bash scripts/blender_fidelity.sh [FOLDER]     (default: a new temporary folder)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
tool=$top/build/release/cli/quandrelistaphor
[ -x "$tool" ] || tool=$top/build/dev/cli/quandrelistaphor
script=$top/scripts/blender_round_trip.py
folder=${1:-$(mktemp -d)}
mkdir -p "$folder"
command -v blender >/dev/null || { echo "blender is not installed" >&2; exit 1; }
[ -x "$tool" ] || { echo "no build of the command line" >&2; exit 1; }

blend() { blender -b --factory-startup --python "$script" -- "$@" 2>&1 | tee -a "$folder/blender.log"; }
counts() { blend counts "$1" | sed -n 's/^counts: //p'; }

blend textured "$folder" >/dev/null
original=$(counts "$folder/textured.obj")
echo "original:  $original"
status=0
for kind in round_trip separate; do
    copy=$folder/textured_$kind.obj
    blend "$kind" "$folder/textured.obj" "$copy" >/dev/null
    # Blender writes six decimals: positions come back within a rounding.
    options=(--yes --tolerance auto)
    [ "$kind" = separate ] && options+=(--allow-count-change)
    "$tool" convert "$folder/textured.obj" "$copy" "$folder/new_$kind.obj" "${options[@]}" >"$folder/convert_$kind.txt" 2>&1 ||
        { echo "$kind: convert failed: $(cat "$folder/convert_$kind.txt")"; status=1; continue; }
    matching=$(counts "$copy")
    new=$(counts "$folder/new_$kind.obj")
    same=$([ "$matching" = "$new" ] && echo "as the matching file" || echo DIFFER)
    printf '%-10s matching: %s\n%-10s new:      %s  (%s)\n' "$kind" "$matching" "" "$new" "$same"
    [ "$same" != DIFFER ] || status=1
done
echo "files in $folder"
exit $status
