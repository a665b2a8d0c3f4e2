#!/usr/bin/env bash
# Converts meshes made and round-tripped by Blender with its default OBJ
# settings, and prints what exact and tolerant matching make of them. Not part
# of CI: it needs Blender (apt-get install blender) and a release build
# (cmake --preset release && cmake --build --preset release).
#
#   bash scripts/real_meshes.sh [FOLDER]     (default: a new temporary folder)
#
# Meshes and copies already in FOLDER are used again, not made anew.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
tool=$top/build/release/cli/quandrelistaphor
script=$top/scripts/blender_round_trip.py
folder=${1:-$(mktemp -d)}
mkdir -p "$folder"
command -v blender >/dev/null || { echo "blender is not installed" >&2; exit 1; }
[ -x "$tool" ] || { echo "no release build at $tool" >&2; exit 1; }

blend() { blender -b --factory-startup --python "$script" -- "$@" >"$folder/blender.log" 2>&1; }

[ -f "$folder/corpus.obj" ] || blend make "$folder"
cp "$top"/tests/data/corpus/original.{obj,mtl} "$folder/"
mv "$folder/original.obj" "$folder/corpus.obj"

vertices() { grep -c '^v ' "$1"; }
# run ARGS...: the exit status of a convert, its output kept in $folder/last.txt
run() { "$tool" convert "$@" --yes >"$folder/last.txt" 2>&1 && echo 0 || echo $?; }
# same_positions A B: whether the v lines of A and B hold the same 32-bit floats in the same order
same_positions() {
    python3 - "$1" "$2" <<'PY'
import struct, sys
def table(path):
    with open(path) as f:
        return [struct.pack("3f", *map(float, line.split()[1:4])) for line in f if line.startswith("v ")]
sys.exit(0 if table(sys.argv[1]) == table(sys.argv[2]) else 1)
PY
}

# Columns: the exit status of an exact convert, of --tolerance auto, and of
# --tolerance auto --allow-count-change; the tolerance auto chose; what the
# last run said of split and welded vertices; whether its new file holds the
# base's positions in the base's order.
printf '%-24s %8s %8s %5s %5s %5s  %-22s %s\n' case original matching exact auto count tolerance note
for base in monkey_small monkey_large sphere_large character corpus; do
    for kind in round_trip separate; do
        copy=$folder/${base}_$kind.obj
        [ -f "$copy" ] || blend "$kind" "$folder/$base.obj" "$copy"
        exact=$(run "$folder/$base.obj" "$copy" "$folder/new.obj")
        auto=$(run "$folder/$base.obj" "$copy" "$folder/new.obj" --tolerance auto)
        tolerance=$(sed -n 's/^tolerance: \([^ ]*\) (auto)$/\1/p' "$folder/last.txt")
        count=$(run "$folder/$base.obj" "$copy" "$folder/new.obj" --tolerance auto --allow-count-change)
        note=$(sed -n 's/^  \(split\|welded\): \([0-9]*\) .*/\1 \2/p' "$folder/last.txt" | paste -sd' ' -)
        grep -q '^ambiguous' "$folder/last.txt" && note="$note, $(grep -o '^ambiguous: [0-9]*' "$folder/last.txt")"
        if [ "$count" = 0 ]; then
            if same_positions "$folder/new.obj" "$folder/$base.obj"; then
                note="$note, positions = base"
            else
                note="$note, POSITIONS DIFFER"
            fi
        fi
        printf '%-24s %8s %8s %5s %5s %5s  %-22s %s\n' "${base}_$kind" "$(vertices "$folder/$base.obj")" \
            "$(vertices "$copy")" "$exact" "$auto" "$count" "${tolerance:--}" "${note#, }"
    done
done
echo "files in $folder"
