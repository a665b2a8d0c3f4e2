#!/usr/bin/env bash
# Converts meshes made and round-tripped by Blender with its default OBJ
# settings, and prints what exact and tolerant matching make of them. Not part
# of CI: it needs Blender (apt-get install blender) and a release build
# (cmake --preset release && cmake --build --preset release).
#
#   bash scripts/real_meshes.sh [FOLDER]     (default: a new temporary folder)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
tool=$top/build/release/cli/quandrelistaphor
script=$top/scripts/blender_round_trip.py
folder=${1:-$(mktemp -d)}
mkdir -p "$folder"
command -v blender >/dev/null || { echo "blender is not installed" >&2; exit 1; }
[ -x "$tool" ] || { echo "no release build at $tool" >&2; exit 1; }

blend() { blender -b --factory-startup --python "$script" -- "$@" >"$folder/blender.log" 2>&1; }

blend make "$folder"
cp "$top"/tests/data/corpus/original.{obj,mtl} "$folder/"
mv "$folder/original.obj" "$folder/corpus.obj"

vertices() { grep -c '^v ' "$1"; }
# run ARGS...: the exit status of a convert, its output kept in $folder/last.txt
run() { "$tool" convert "$@" --yes >"$folder/last.txt" 2>&1 && echo 0 || echo $?; }

printf '%-22s %9s %9s %6s %6s %6s  %s\n' case original matching exact auto count note
for base in monkey_small monkey_large sphere_large character corpus; do
    for kind in round_trip separate; do
        copy=$folder/${base}_$kind.obj
        blend "$kind" "$folder/$base.obj" "$copy"
        exact=$(run "$folder/$base.obj" "$copy" "$folder/new.obj")
        auto=$(run "$folder/$base.obj" "$copy" "$folder/new.obj" --tolerance auto)
        note=$(grep -m1 -o 'tolerance [0-9.e+-]*' "$folder/last.txt" || true)
        count=$(run "$folder/$base.obj" "$copy" "$folder/new.obj" --tolerance auto --allow-count-change)
        if [ "$count" = 0 ]; then
            # The new file must carry the base's positions in the base's order.
            if cmp -s <(grep '^v ' "$folder/new.obj" | awk '{print $2+0, $3+0, $4+0}') \
                      <(grep '^v ' "$folder/$base.obj" | awk '{print $2+0, $3+0, $4+0}'); then
                note="$note, positions = base"
            else
                note="$note, POSITIONS DIFFER"
            fi
        fi
        printf '%-22s %9s %9s %6s %6s %6s  %s\n' "${base}_$kind" "$(vertices "$folder/$base.obj")" \
            "$(vertices "$copy")" "$exact" "$auto" "$count" "$note"
    done
done
echo "files in $folder"
