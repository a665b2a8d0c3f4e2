#!/bin/sh
# The benchmark table: builds the release preset, generates the input sets,
# times every stage of a Convert (bench/stages_tool), the whole process
# (quandrelistaphor convert / report under bench/process_time_tool: wall,
# CPU, peak RSS; for the pair sets also convert --tolerance auto of a copy
# whose coordinates moved a unit of the last decimal) and tinyobjloader's parse of the same files, each the least of RUNS
# rounds over all sets, checks that 10x the input costs at most 11x the time per stage, and
# prints one table, then what the machine's memory alone charges for the same growth.
#
#   bench/run.sh                 # pair, names, onegroup at 100k and 1m vertices
#   SMALL=200000 LARGE=2000000 bench/run.sh   # the same shapes at 200k and 2m
#   RUNS=5 QBENCH_DIR=/tmp/q bench/run.sh
#
# Times are seconds; "cpu" is user + system time, which stays meaningful on a
# loaded machine when wall time does not. The machine is printed first.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build/bench-release}
DATA=${QBENCH_DIR:-/tmp/qbench-run}
RUNS=${RUNS:-3}
SMALL=${SMALL:-100000}
LARGE=${LARGE:-1000000}

if [ ! -f /usr/include/tiny_obj_loader.h ]; then
    echo "installing libtinyobjloader-dev (the reference parser)" >&2
    apt-get install -y libtinyobjloader-dev >/dev/null || echo "no tinyobjloader: its column stays empty" >&2
fi

cmake --preset release -B "$BUILD" >/dev/null
cmake --build "$BUILD" -j2 --target quandrelistaphor stages_tool process_time_tool generate_pair_tool generate_hostile_tool \
    memory_floor_tool >/dev/null
if grep -q '^TINYOBJLOADER_INCLUDE_DIR:PATH=/' "$BUILD/CMakeCache.txt"; then
    cmake --build "$BUILD" -j2 --target tinyobj_parse_tool >/dev/null
fi
CLI=$BUILD/cli/quandrelistaphor
TOOLS=$BUILD/bench

# Input sets: name, vertices, generator arguments.
make_set() {  # make_set NAME VERTICES KIND
    dir=$DATA/$1
    if [ ! -f "$dir/matching.obj" ]; then
        mkdir -p "$dir"
        case $3 in
            pair) "$TOOLS/generate_pair_tool" "$2" "$dir" 1 ;;
            *) "$TOOLS/generate_hostile_tool" "$2" "$dir" "$3" ;;
        esac
    fi
    if [ "$3" = pair ] && [ ! -f "$dir/moved/matching.obj" ]; then
        mkdir -p "$dir/moved"
        "$TOOLS/generate_pair_tool" "$2" "$dir/moved" 1 moved
    fi
}

# A vertex count as a set name's suffix: 100000 -> 100k, 2000000 -> 2m.
label() {
    if [ $(($1 % 1000000)) -eq 0 ]; then echo "$(($1 / 1000000))m"; else echo "$(($1 / 1000))k"; fi
}
S=$(label "$SMALL")
L=$(label "$LARGE")
SETS="pair-$S:$SMALL:pair pair-$L:$LARGE:pair names-$S:$SMALL:names names-$L:$LARGE:names"
SETS="$SETS onegroup-$S:$SMALL:onegroup onegroup-$L:$LARGE:onegroup"
for entry in $SETS; do
    IFS=: read -r name count kind <<EOF
$entry
EOF
    make_set "$name" "$count" "$kind"
done

# One timed run of a command: wall cpu rss_kb. The files named in FRESH are
# removed first, outside the timing, so every run writes them anew
# (replacing an existing file costs ext4 another 0.05-0.15 s at 200 MB: it
# frees the old blocks and starts writing the new data out; REPLACE=1 keeps
# them and measures that case).
time_process() {
    if [ "${REPLACE:-0}" != 1 ] && [ -n "${FRESH:-}" ]; then rm -f $FRESH; fi
    "$TOOLS/process_time_tool" "$@" || true
}

# RUNS rounds, each measuring every set once, so that a slow minute of a
# shared machine falls on one round of every set rather than on all runs of
# one set; each cell is then the least over the rounds (peak memory: the
# largest).
RAW=$DATA/raw.txt
: >"$RAW"
round=0
while [ $round -lt "$RUNS" ]; do
    for entry in $SETS; do
        name=${entry%%:*}
        dir=$DATA/$name
        # stage <name> <wall> <cpu> lines; the least of two runs, so that
        # the stages meet memory a run before has touched, as every run
        # after the first does (the processes below show the first run's
        # cost).
        "$TOOLS/stages_tool" "$dir/original.obj" "$dir/matching.obj" "$DATA/stages-new.obj" 2 |
            sed "s/^stage /$name /" >>"$RAW"
        set -- $(FRESH="$DATA/new.obj $DATA/new.mtl" time_process "$CLI" convert "$dir/original.obj" "$dir/matching.obj" "$DATA/new.obj" --yes)
        echo "$name convert_process $1 $2" >>"$RAW"
        echo "$name convert_rss_kb $3 0" >>"$RAW"
        if [ -f "$dir/moved/matching.obj" ]; then
            set -- $(FRESH="$DATA/new.obj $DATA/new.mtl" time_process "$CLI" convert "$dir/moved/original.obj" \
                "$dir/moved/matching.obj" "$DATA/new.obj" --yes --tolerance auto)
            echo "$name tolerant_process $1 $2" >>"$RAW"
        fi
        set -- $(time_process "$CLI" report "$dir/original.obj" "$dir/matching.obj")
        echo "$name report_process $1 $2" >>"$RAW"
        if [ -x "$TOOLS/tinyobj_parse_tool" ]; then
            a=$("$TOOLS/tinyobj_parse_tool" "$dir/original.obj" 1)
            b=$("$TOOLS/tinyobj_parse_tool" "$dir/matching.obj" 1)
            echo "$a $b" | awk -v n="$name" '{ printf "%s tinyobj_both %.4f %.4f\n", n, $2 + $6, $3 + $7 }' >>"$RAW"
        fi
    done
    round=$((round + 1))
done

RESULTS=$DATA/results.txt
awk '
    $2 == "convert_rss_kb" || $2 ~ /_mb_s$/ { if (!(($1, $2) in w) || $3 > w[$1, $2]) w[$1, $2] = $3; c[$1, $2] = 0 }
    $2 != "convert_rss_kb" && $2 !~ /_mb_s$/ {
        if (!(($1, $2) in w) || $3 < w[$1, $2]) w[$1, $2] = $3
        if (!(($1, $2) in c) || $4 < c[$1, $2]) c[$1, $2] = $4
    }
    !(($1, $2) in seen) { seen[$1, $2] = 1; order[++n] = $1 SUBSEP $2 }
    END { for (i = 1; i <= n; ++i) { split(order[i], k, SUBSEP); print k[1], k[2], w[order[i]], c[order[i]] } }' "$RAW" >"$RESULTS"
for entry in $SETS; do
    name=${entry%%:*}
    dir=$DATA/$name
    input_bytes=$(($(stat -c %s "$dir/original.obj") + $(stat -c %s "$dir/matching.obj")))
    rss_kb=$(awk -v n="$name" '$1 == n && $2 == "convert_rss_kb" { print $3 }' "$RESULTS")
    echo "$name convert_rss_ratio $(awk -v r="$rss_kb" -v b="$input_bytes" 'BEGIN { printf "%.2f", r * 1024 / b }') 0" >>"$RESULTS"
    echo "$name convert_rss_mb $((rss_kb / 1024)) 0" >>"$RESULTS"
    echo "$name input_mb $(awk -v b="$input_bytes" 'BEGIN { printf "%.1f", b / 1e6 }') 0" >>"$RESULTS"
done

echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores," \
    "$(free -g | awk '/Mem:/ { print $2 }') GB, $(uname -sr), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "least of $RUNS rounds; each cell wall/cpu seconds (cpu = user + sys); read..library: the matching file, whole;"
echo "positions: the original, positions only (as Convert loads it)"
awk -v small="-$S" -v large="-$L" -v scale="$((LARGE / SMALL))" '
    { wall[$1, $2] = $3; cpu[$1, $2] = $4; if (!($1 in seen)) { seen[$1] = 1; order[++n] = $1 } }
    END {
        split("read survey pass3 library positions match regroup write report_counts convert_total convert_process tolerant_process report_process tinyobj_both", rows, " ")
        printf "%-16s", "stage"
        for (i = 1; i <= n; ++i) printf " %15s", order[i]
        printf "\n"
        for (r = 1; r in rows; ++r) {
            printf "%-16s", rows[r]
            for (i = 1; i <= n; ++i) {
                s = order[i]
                if ((s, rows[r]) in wall) printf " %15s", sprintf("%.3f/%.3f", wall[s, rows[r]], cpu[s, rows[r]])
                else printf " %15s", "-"
            }
            printf "\n"
        }
        split("input_mb load_mb_s write_mb_s convert_rss_mb convert_rss_ratio", singles, " ")
        for (r = 1; r in singles; ++r) {
            printf "%-16s", singles[r]
            for (i = 1; i <= n; ++i) printf " %15s", wall[order[i], singles[r]]
            printf "\n"
        }
        printf "%-16s", "vs_tinyobj"
        for (i = 1; i <= n; ++i) {
            s = order[i]
            if ((s, "tinyobj_both") in wall && wall[s, "tinyobj_both"] > 0)
                printf " %15s", sprintf("%.2fx", wall[s, "convert_process"] / wall[s, "tinyobj_both"])
            else printf " %15s", "-"
        }
        # The limit is 1.1x the growth of the input: for the stages and processes
        # that read or write text the input is its bytes (the large sets have
        # numbers with more digits), for the stages on tables in memory
        # (match, regroup, report counts) the vertices and faces.
        printf "\n\nlinear growth (cpu time of the large set / the small set; at most 1.1x the growth of the input:\n"
        printf "its bytes for text read or written, its %dx vertices and faces for match, regroup, report_counts):\n", scale
        for (i = 1; i <= n; ++i) {
            s = order[i]
            if (substr(s, length(s) - length(large) + 1) != large) continue
            base = substr(s, 1, length(s) - length(large)) small
            line = sprintf("%-14s", s)
            bytes = scale
            if (wall[base, "input_mb"] > 0) bytes = wall[s, "input_mb"] / wall[base, "input_mb"]
            line = line sprintf(" (input %.2fx)", bytes)
            for (r = 1; r in rows; ++r) {
                if (!((s, rows[r]) in cpu) || !((base, rows[r]) in cpu)) continue
                a = cpu[s, rows[r]]; b = cpu[base, rows[r]]
                # A stage of the small set under 2 ms is timed coarsely: its
                # ratio is marked with a tilde, but judged all the same.
                grown = rows[r] ~ /^(match|regroup|report_counts)$/ ? scale : bytes
                if (b > 0) verdict = (a / b <= 1.1 * grown ? "ok" : "OVER") sprintf("(%.1f%s)", a / b, b < 0.002 ? "~" : "")
                else verdict = "ok(small)"
                line = line " " rows[r] ":" verdict
            }
            print line
        }
    }' "$RESULTS"

# What the machine itself charges for the same growth, measured now: new
# memory and two plain loops over blocks the size of the pair's face records
# (two 40-byte faces a vertex). A stage that makes or walks such a table
# cannot grow by less than the floor of its kind.
SMALL_BYTES=$((SMALL * 80))
LARGE_BYTES=$((LARGE * 80))
echo
echo "memory floor of this machine (bench/memory_floor_tool; blocks of $((SMALL_BYTES / 1000000)) MB and" \
    "$((LARGE_BYTES / 1000000)) MB: ms, ms, growth):"
if floor=$("$TOOLS/memory_floor_tool" "$SMALL_BYTES" "$LARGE_BYTES"); then
    echo "$floor" | sed 's/^floor /  /'
else
    echo "  not measured: no room for the blocks"
fi
