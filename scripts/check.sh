#!/usr/bin/env bash
# Builds every configuration and runs every test suite. Exits non-zero when any
# build fails, any test fails, or any test is skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/line_ratio.sh

bash scripts/install-deps.sh

run_suite() {
    local preset=$1
    echo "=== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    echo "=== $preset: test"
    local log="build/$preset/ctest.log"
    ctest --preset "$preset" 2>&1 | tee "$log"
    if grep -E -q '\((Skipped|Not Run|Disabled)\)|tests were skipped' "$log"; then
        echo "FAILED: $preset has skipped tests" >&2
        exit 1
    fi
}

build_only() {
    local preset=$1
    echo "=== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
}

run_suite dev
run_suite release
# Windows: the 64-bit build's tests run under Wine; the 32-bit build has to
# compile and link (its programs cannot run here).
run_suite win64
build_only win32
# The 32-bit program can't start here: its resources, imports and start-up
# are held to the 64-bit one's, which the Wine tests ran.
bash scripts/check_win32.sh build/win64 build/win32
# The fuzz targets, each for a bounded time (FUZZ_SECONDS, default 60).
bash scripts/fuzz.sh
echo "=== all suites passed"
