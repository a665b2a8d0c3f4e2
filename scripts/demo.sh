#!/usr/bin/env bash
# Builds the release preset, converts the example pair and prints its report.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --native >/dev/null
cmake --preset release >/dev/null
cmake --build --preset release --target quandrelistaphor
tool=build/release/cli/quandrelistaphor
mkdir -p build/demo
"$tool" convert examples/original.obj examples/matching.obj build/demo/new.obj
echo "wrote build/demo/new.obj and build/demo/new.mtl"
"$tool" report examples/original.obj examples/matching.obj --output build/demo/report.txt
