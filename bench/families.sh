#!/bin/sh
# Times shapes and batch over generated families (bench/generate_family_tool),
# with 1 and 2 jobs, and one convert of the same pair for comparison.
# Usage: bench/families.sh BUILD_DIR WORK_DIR VERTICES SHAPES
set -eu
build=$1 work=$2 vertices=$3 shapes=$4
program=$build/cli/quandrelistaphor
timer=$build/bench/process_time_tool
family=$work/family_$vertices
if [ ! -f "$family/shape_$((shapes - 1)).obj" ]; then
  mkdir -p "$family"
  "$build/bench/generate_family_tool" "$vertices" "$shapes" "$family"
fi
# batch converts copies of the matching file under names of their own.
k=0
while [ $k -lt "$shapes" ]; do
  ln -f "$family/matching.obj" "$family/copy_$k.obj"
  k=$((k + 1))
done
list() { k=0; while [ $k -lt "$shapes" ]; do printf '%s ' "$family/$1_$k.obj"; k=$((k + 1)); done; }
echo "what jobs wall cpu peak_rss_kb"
printf 'convert 1 '
"$timer" "$program" convert "$family/original.obj" "$family/matching.obj" "$work/convert.obj"
for jobs in 1 2; do
  rm -rf "$work/out"
  printf 'shapes %s ' $jobs
  # shellcheck disable=SC2046
  "$timer" "$program" shapes "$family/original.obj" "$family/matching.obj" $(list shape) --out-dir "$work/out" --jobs $jobs
  rm -rf "$work/out"
  printf 'batch %s ' $jobs
  # shellcheck disable=SC2046
  "$timer" "$program" batch "$family/original.obj" $(list copy) --out-dir "$work/out" --jobs $jobs
done
rm -rf "$work/out"
