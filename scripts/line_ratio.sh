#!/usr/bin/env bash
# Test lines against product lines (non-blank lines of .h and .cpp files;
# tests/data and bench/ are left out). Exits 1 when the tests pass 0.40 of
# the product: the suite is kept to few, dense tests.
set -euo pipefail
cd "$(dirname "$0")/.."

count() {
    find "$@" \( -path tests/data -prune \) -o -type f \( -name '*.h' -o -name '*.cpp' \) -print0 |
        xargs -0 cat | grep -c -v '^[[:space:]]*$'
}

product=$(count platform model wavefront pairing morph app cli)
tests=$(count tests)
ratio=$(awk -v t="$tests" -v p="$product" 'BEGIN { printf "%.3f", t / p }')
echo "test lines: $tests, product lines: $product, ratio: $ratio (at most 0.40)"
awk -v t="$tests" -v p="$product" 'BEGIN { exit !(t <= 0.40 * p) }'
