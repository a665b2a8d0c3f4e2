#!/bin/sh
# Times shapes and batch over generated families (bench/generate_family_tool),
# with 1 and 2 jobs, and one convert of the same pair for comparison.
# Usage: [ROUNDS=5] [OUT=DIR] bench/families.sh BUILD_DIR WORK_DIR VERTICES SHAPES
# Each round runs every command with 1 and 2 jobs, the order of the two
# alternating from round to round so that neither always runs on the cache
# the other left; the summary gives each one's median wall time with its
# least and largest, its median CPU and system time and its largest peak.
# OUT is where the outputs go (default WORK_DIR/out; a tmpfs folder there
# shows what the work costs without the disk).
set -eu
build=$1 work=$2 vertices=$3 shapes=$4
rounds=${ROUNDS:-5}
out=${OUT:-$work/out}
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
# One run on fresh outputs: "command jobs wall cpu peak_rss_kb system".
run() {
  rm -rf "$out"
  sync
  printf '%s %s ' "$1" "$2"
  if [ "$1" = shapes ]; then
    # shellcheck disable=SC2046
    "$timer" "$program" shapes "$family/original.obj" "$family/matching.obj" $(list shape) --out-dir "$out" --jobs "$2"
  else
    # shellcheck disable=SC2046
    "$timer" "$program" batch "$family/original.obj" $(list copy) --out-dir "$out" --jobs "$2"
  fi
}
printf 'convert 1 '
"$timer" "$program" convert "$family/original.obj" "$family/matching.obj" "$work/convert.obj" --jobs 1
log=$work/families.log
: >"$log"
round=1
while [ $round -le "$rounds" ]; do
  if [ $((round % 2)) = 1 ]; then order="1 2"; else order="2 1"; fi
  for command in shapes batch; do
    for jobs in $order; do run $command "$jobs" | tee -a "$log"; done
  done
  round=$((round + 1))
done
rm -rf "$out"
# "median least largest" of one column of the log's lines for one command.
column() {
  grep "^$1 " "$log" | awk -v c="$2" '{ print $c }' | sort -g |
    awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; print m, v[1], v[NR] }'
}
echo "command jobs: wall median [least, largest], cpu median, system median, largest peak MB"
for key in "shapes 1" "shapes 2" "batch 1" "batch 2"; do
  set -- $(column "$key" 3) $(column "$key" 4) $(column "$key" 6) $(column "$key" 5)
  printf '%s: %.2f [%.2f, %.2f], cpu %.2f, system %.2f, %d MB\n' "$key" "$1" "$2" "$3" "$4" "$7" "$((${12} / 1024))"
done
