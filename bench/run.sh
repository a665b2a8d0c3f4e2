#!/bin/sh
# The benchmark table. Builds the release tools, generates the pair sets
# (the generated grid mesh and its shuffled copy, with vt + vn per vertex,
# 8 groups, 4 materials) and measures them in RUNS interleaved rounds:
#   - every stage of a Convert (bench/stages_tool: the product's own loader,
#     matcher, regrouping and writer, one after the other);
#   - the whole `quandrelistaphor convert` and `report` processes under
#     bench/process_time_tool (wall, CPU, system time, peak RSS), and
#     `convert --tolerance auto` of a copy whose coordinates moved a unit of
#     the last decimal;
#   - tinyobjloader's parse of the same two files in the same round, the
#     anchor that says whether a slow figure is this program or the machine.
# It prints the median of every cell with its least and largest value, then
# judges the growth from 1M to 10M vertices (both processes at most 11x, every
# stage at most 12x) and prints the growth from 100k to 1M beside what the
# machine's memory alone charges for it, without judging it.
#
#   bench/run.sh                                  # 100k, 1m and 10m, 5 rounds
#   SIZES="100000 1000000" bench/run.sh           # without the 10m set (12 GB of files, minutes a round)
#   RUNS=9 QBENCH_DIR=/tmp/q bench/run.sh
#
# Times are seconds; "cpu" is user + system time, which stays meaningful on a
# loaded machine when wall time does not.
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$ROOT/build/bench-release}
DATA=${QBENCH_DIR:-/tmp/qbench-run}
RUNS=${RUNS:-5}
SIZES=${SIZES:-100000 1000000 10000000}
# The moved copies for the tolerant row and tinyobjloader's parse (about 50 s
# a round at 10m) are measured up to this many vertices.
TOLERANT_UP_TO=${TOLERANT_UP_TO:-1000000}
TINYOBJ_UP_TO=${TINYOBJ_UP_TO:-1000000}
TOOLS=$BUILD/bench
CLI=$BUILD/cli/quandrelistaphor

# tinyobjloader is the reference parser; without it the anchor row stays empty.
install_reference_parser() {
    if [ ! -f /usr/include/tiny_obj_loader.h ]; then
        echo "installing libtinyobjloader-dev (the reference parser)" >&2
        apt-get install -y libtinyobjloader-dev >/dev/null || echo "no tinyobjloader: its row stays empty" >&2
    fi
}

build_tools() {
    cmake --preset release -B "$BUILD" >/dev/null
    cmake --build "$BUILD" -j2 --target quandrelistaphor stages_tool process_time_tool generate_pair_tool \
        memory_floor_tool >/dev/null
    if grep -q '^TINYOBJLOADER_INCLUDE_DIR:PATH=/' "$BUILD/CMakeCache.txt"; then
        cmake --build "$BUILD" -j2 --target tinyobj_parse_tool >/dev/null
    fi
}

# A vertex count as a set name: 100000 -> 100k, 10000000 -> 10m.
label() {
    if [ $(($1 % 1000000)) -eq 0 ]; then echo "$(($1 / 1000000))m"; else echo "$(($1 / 1000))k"; fi
}

# The pair of VERTICES vertices in DIR, generated once and kept.
make_pair_set() {  # make_pair_set DIR VERTICES
    if [ ! -f "$1/matching.obj" ]; then
        mkdir -p "$1"
        "$TOOLS/generate_pair_tool" "$2" "$1" 1
    fi
    if [ "$2" -le "$TOLERANT_UP_TO" ] && [ ! -f "$1/moved/matching.obj" ]; then
        mkdir -p "$1/moved"
        "$TOOLS/generate_pair_tool" "$2" "$1/moved" 1 moved
    fi
}

# One timed process: "wall cpu rss_kb sys". The output files are removed
# first, outside the timing, so that every run writes them anew: replacing
# an existing large file makes the file system free the old blocks and start
# writing the new data out, a cost that is not the program's.
time_process() {
    rm -f "$DATA/new.obj" "$DATA/new.mtl"
    "$TOOLS/process_time_tool" "$@" || true
}

# Appends "set row wall cpu" lines for one set to $RAW, and "set row_sys sys
# sys" for the processes' system time.
measure_set() {  # measure_set NAME VERTICES
    dir=$DATA/$1
    rm -f "$DATA/stages-new.obj" "$DATA/stages-new.mtl"
    # Two runs in one process, the better kept: the stages then meet memory a
    # run before has touched, as in a process that converts several files;
    # the processes below show the first run's cost.
    "$TOOLS/stages_tool" "$dir/original.obj" "$dir/matching.obj" "$DATA/stages-new.obj" 2 |
        sed "s/^stage /$1 /" >>"$RAW"
    record_process "$1" convert "$CLI" convert "$dir/original.obj" "$dir/matching.obj" "$DATA/new.obj" --yes
    record_process "$1" convert_one_job "$CLI" convert "$dir/original.obj" "$dir/matching.obj" "$DATA/new.obj" --yes \
        --jobs 1
    if [ -f "$dir/moved/matching.obj" ]; then
        record_process "$1" tolerant "$CLI" convert "$dir/moved/original.obj" "$dir/moved/matching.obj" \
            "$DATA/new.obj" --yes --tolerance auto
    fi
    record_process "$1" report "$CLI" report "$dir/original.obj" "$dir/matching.obj"
    if [ -x "$TOOLS/tinyobj_parse_tool" ] && [ "$2" -le "$TINYOBJ_UP_TO" ]; then
        a=$("$TOOLS/tinyobj_parse_tool" "$dir/original.obj" 1)
        b=$("$TOOLS/tinyobj_parse_tool" "$dir/matching.obj" 1)
        echo "$a $b" | awk -v n="$1" '{ printf "%s tinyobj_both %.4f %.4f\n", n, $2 + $6, $3 + $7 }' >>"$RAW"
    fi
}

record_process() {  # record_process SET ROW PROGRAM ARGS...
    set_name=$1
    row=$2
    shift 2
    set -- $(time_process "$@")
    echo "$set_name ${row}_process $1 $2" >>"$RAW"
    echo "$set_name ${row}_sys $4 $4" >>"$RAW"
    echo "$set_name ${row}_rss_mb $(($3 / 1024)) $(($3 / 1024))" >>"$RAW"
}

# Every row's median, least and largest wall and CPU time over the rounds:
# "set row wall_median wall_min wall_max cpu_median cpu_min cpu_max".
summarise() {
    awk '
        function median_min_max(list, n,    a, i, j, t, m) {
            n = split(list, a, " ")
            for (i = 2; i <= n; ++i) for (j = i; j > 1 && a[j - 1] + 0 > a[j] + 0; --j) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
            m = n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
            return m " " a[1] " " a[n]
        }
        { key = $1 " " $2; if (!(key in wall)) order[++rows] = key; wall[key] = wall[key] " " $3; cpu[key] = cpu[key] " " $4 }
        END { for (r = 1; r <= rows; ++r) print order[r], median_min_max(wall[order[r]]), median_min_max(cpu[order[r]]) }
    ' "$RAW"
}

# The table: one column per set; each cell "median [least, largest]".
print_table() {  # print_table FIELD_OFFSET TITLE (0: wall, 3: cpu)
    echo "$2, median [least, largest] over $RUNS rounds:"
    awk -v off="$1" -v sets="$SET_NAMES" '
        { v[$1, $2] = sprintf("%.4f [%.4f,%.4f]", $(3 + off), $(4 + off), $(5 + off)); seen[$2] = 1 }
        END {
            split("positions read survey values library load match regroup write convert_total report_counts " \
                  "convert_process convert_sys convert_one_job_process convert_one_job_sys tolerant_process tolerant_sys report_process report_sys tinyobj_both", rows, " ")
            n = split(sets, s, " ")
            printf "%-16s", "row"; for (i = 1; i <= n; ++i) printf " %27s", s[i]; printf "\n"
            for (r = 1; r in rows; ++r) {
                if (!(rows[r] in seen)) continue
                printf "%-16s", rows[r]
                for (i = 1; i <= n; ++i) printf " %27s", ((s[i], rows[r]) in v) ? v[s[i], rows[r]] : "-"
                printf "\n"
            }
        }' "$SUMMARY"
}

# Single figures per set: input size, throughput, peak memory, the ratio to
# tinyobjloader in the same rounds.
print_singles() {
    for name in $SET_NAMES; do
        dir=$DATA/$name
        bytes=$(($(stat -c %s "$dir/original.obj") + $(stat -c %s "$dir/matching.obj")))
        awk -v n="$name" -v bytes="$bytes" '
            $1 == n { wall[$2] = $3 }
            END {
                line = sprintf("%-6s input %.0f MB", n, bytes / 1e6)
                if ("load_mb_s" in wall) line = line sprintf(", load %.0f MB/s", wall["load_mb_s"])
                if ("write_mb_s" in wall) line = line sprintf(", write %.0f MB/s", wall["write_mb_s"])
                if ("convert_rss_mb" in wall) line = line sprintf(", convert peak RSS %d MB (%.2fx input)", wall["convert_rss_mb"], wall["convert_rss_mb"] * 1048576 / bytes)
                if ("report_rss_mb" in wall) line = line sprintf(", report peak RSS %d MB (%.2fx input)", wall["report_rss_mb"], wall["report_rss_mb"] * 1048576 / bytes)
                if (wall["tinyobj_both"] > 0) line = line sprintf(", convert / tinyobjloader %.2f", wall["convert_process"] / wall["tinyobj_both"])
                print line
            }' "$SUMMARY"
    done
}

# CPU medians of the larger set over the smaller one, for every stage and
# process both have; with LIMITS the processes are held to the first limit
# and the stages to the second, otherwise the ratios are only printed.
print_growth() {  # print_growth SMALL LARGE [PROCESS_LIMIT STAGE_LIMIT]
    awk -v small="$1" -v large="$2" -v plimit="${3:-0}" -v slimit="${4:-0}" '
        { cpu[$1, $2] = $6; if ($1 == large) order[++n] = $2 }
        END {
            line = sprintf("%s -> %s:", small, large)
            for (i = 1; i <= n; ++i) {
                row = order[i]
                if (row ~ /(_mb_s|_mb|_sys)$/ || !((small, row) in cpu) || cpu[small, row] <= 0) continue
                ratio = cpu[large, row] / cpu[small, row]
                limit = row ~ /_process$/ ? plimit : slimit
                if (row == "tinyobj_both") limit = 0
                verdict = limit > 0 ? (ratio <= limit ? " ok" : " OVER") : ""
                line = line sprintf(" %s %.1fx%s", row, ratio, verdict)
                if (limit > 0 && ratio > limit) failed = 1
            }
            print line
            exit failed
        }' "$SUMMARY"
}

has_set() {  # has_set NAME: whether the run measures that set
    case " $SET_NAMES " in *" $1 "*) return 0 ;; esac
    return 1
}

# What the machine itself charges for the growth from 100k to 1M: new
# memory and two plain loops over blocks the size of the pair's face
# records (two 40-byte faces a vertex).
print_memory_floor() {
    echo "memory floor (bench/memory_floor_tool, blocks of 8 MB and 80 MB: ms, ms, growth):"
    if floor=$("$TOOLS/memory_floor_tool" 8000000 80000000); then
        echo "$floor" | sed 's/^floor /  /'
    else
        echo "  not measured: no room for the blocks"
    fi
}

install_reference_parser
build_tools
SET_NAMES=
for count in $SIZES; do
    name=$(label "$count")
    make_pair_set "$DATA/$name" "$count"
    SET_NAMES="$SET_NAMES $name"
done

# RUNS rounds, each measuring every set once, so that a slow minute of a
# shared machine falls on one round of every set rather than on all runs of
# one set.
RAW=$DATA/raw.txt
: >"$RAW"
round=0
while [ "$round" -lt "$RUNS" ]; do
    for count in $SIZES; do measure_set "$(label "$count")" "$count"; done
    round=$((round + 1))
done
SUMMARY=$DATA/summary.txt
summarise >"$SUMMARY"

echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores," \
    "$(free -g | awk '/Mem:/ { print $2 }') GB, $(uname -sr); load after the rounds: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "stages: bench/stages_tool, the better of two runs in one process; load = read + survey + values + library;"
echo "*_process: whole processes; *_sys: their system time"
print_table 0 "wall seconds"
echo
print_table 3 "cpu seconds (user + system)"
echo
print_singles
echo
echo "growth of the cpu medians, judged from 1m to 10m (processes at most 11x, stages at most 12x):"
verdict=0
if has_set 1m && has_set 10m; then
    print_growth 1m 10m 11 12 || verdict=1
else
    echo "  not judged: the run has no 1m and 10m sets"
fi
if has_set 100k && has_set 1m; then
    echo "growth from 100k to 1m, not judged (the tables of 100k stay in the caches):"
    print_growth 100k 1m
    print_memory_floor
fi
exit $verdict
