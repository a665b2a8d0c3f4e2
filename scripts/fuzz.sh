#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz, clang, build tree build/fuzz) and
# runs each for a bounded time, one after the other. Exits non-zero on any
# finding (crash, sanitizer report, failed check, timeout, out of memory) or
# when a target can't be built.
#
#   scripts/fuzz.sh                 every target, FUZZ_SECONDS (default 60) each
#   scripts/fuzz.sh --long          every target, 30 minutes each (before a release)
#   FUZZ_SECONDS=600 scripts/fuzz.sh convert_fuzz
#
# The checked-in seeds (tests/fuzz/corpus/<target>) are only read; what a run
# adds goes to build/fuzz/corpus/<target>, which the next run starts from.
# A finding is saved under build/fuzz/findings/<target>/ and each run's log,
# ending with libFuzzer's final statistics, under build/fuzz/logs/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=${FUZZ_SECONDS:-60}
if [ "${1:-}" = "--long" ]; then
    seconds=1800
    shift
fi
build=${FUZZ_BUILD_DIR:-build/fuzz}
cxx=${FUZZ_CXX:-$(command -v clang++-14 || command -v clang++ || true)}
if [ -z "$cxx" ]; then
    echo "fuzz.sh: clang++ not found (scripts/install-deps.sh installs it)" >&2
    exit 1
fi

echo "=== fuzz: configure and build ($cxx)"
cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
cmake --build "$build" -j2

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in tests/fuzz/*_fuzz.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi

failed=0
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    findings="$root/$build/findings/$target/"
    log="$build/logs/$target.log"
    mkdir -p "$corpus" "$findings" "$(dirname "$log")"
    echo "=== fuzz: $target for ${seconds}s"
    status=0
    # The targets move the current directory (the OBJ reader makes each file's
    # folder current), so every path handed to libFuzzer is absolute.
    ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:allocator_may_return_null=1" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
        "$build/$target" "$root/$corpus" "$root/tests/fuzz/corpus/$target" \
            -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
            -artifact_prefix="$findings" -print_final_stats=1 -close_fd_mask=1 \
            >"$log" 2>&1 || status=$?
    grep -aE '^(stat::number_of_executed_units|stat::peak_rss_mb|stat::new_units_added)|#[0-9]+[[:space:]]+DONE' "$log" || true
    if [ "$status" -ne 0 ]; then
        echo "FAILED: $target found a fault (status $status); see $log and $findings" >&2
        tail -n 40 "$log" >&2
        failed=1
    fi
done
exit "$failed"
