#!/usr/bin/env bash
# Builds the release preset, converts the example pair and prints its report.
# It needs only what building the program needs: no test suites or
# benchmarks (scripts/check.sh turns them on again), but everything that
# `cmake --install build/release` installs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --build >/dev/null
cmake --preset release -DQUANDRE_TESTS=OFF -DQUANDRE_BENCH=OFF >/dev/null
cmake --build --preset release
tool=build/release/cli/quandrelistaphor
mkdir -p build/demo
"$tool" convert examples/original.obj examples/matching.obj build/demo/new.obj
echo "wrote build/demo/new.obj and build/demo/new.mtl"
"$tool" report examples/original.obj examples/matching.obj --output build/demo/report.txt
