#!/usr/bin/env bash
# A mutation sample: plants one small fault at a time in the product code,
# rebuilds the tests of the release build incrementally and runs them. A
# fault the tests notice is killed; one they miss survives. Run it before and
# after a change to the tests to see that they still catch as much.
#
#   scripts/mutation_sample.sh [MUTATIONS_FILE]   (default scripts/mutations.txt)
#
# Each line of the file: FILE<TAB>EXACT TEXT<TAB>REPLACEMENT, the text found
# exactly once in FILE. The file is restored after every mutation, and on
# any exit. Environment: TEST_TIMEOUT (seconds a test, default 120).
set -euo pipefail
cd "$(dirname "$0")/.."

list=${1:-scripts/mutations.txt}
build=build/release
timeout=${TEST_TIMEOUT:-120}
targets=(platform_tests model_tests wavefront_tests gltf_tests pairing_tests morph_tests app_tests cli_tests quandrelistaphor)

mapfile -t rows < <(grep -v -e '^#' -e '^[[:space:]]*$' "$list")

# Every mutation must name one place, or the sample means nothing.
python3 - "${rows[@]}" <<'EOF'
import sys
bad = 0
for row in sys.argv[1:]:
    parts = row.split('\t')
    if len(parts) != 3:
        print(f"not FILE<TAB>TEXT<TAB>REPLACEMENT: {row}", file=sys.stderr); bad += 1; continue
    path, text, _ = parts
    try:
        count = open(path).read().count(text)
    except OSError as error:
        print(f"{path}: {error}", file=sys.stderr); bad += 1; continue
    if count != 1:
        print(f"{path}: found {count} times, not once: {text}", file=sys.stderr); bad += 1
sys.exit(1 if bad else 0)
EOF

saved=$(mktemp -d)
current=""
restore() {
    if [ -n "$current" ]; then cp "$saved/original" "$current"; current=""; fi
}
trap 'restore; rm -rf "$saved"' EXIT
trap 'exit 130' INT TERM

# The slowest tests (a fault at every byte, the longest-line reason) run last,
# only when the rest passed: most faults are found sooner.
slow='WriteFaults\.|ALineTooLong'
build_and_test() {
    cmake --build "$build" -j2 --target "${targets[@]}" >"$saved/build.log" 2>&1 || return 2
    ctest --test-dir "$build" -j2 --timeout "$timeout" --stop-on-failure -E "$slow" >"$saved/test.log" 2>&1 || return 1
    ctest --test-dir "$build" -j2 --timeout "$timeout" --stop-on-failure -R "$slow" >>"$saved/test.log" 2>&1 || return 1
    return 0
}

[ -f "$build/build.ninja" ] || cmake --preset release >/dev/null
echo "unmutated build and tests..."
if ! build_and_test; then
    echo "the unmutated tests do not pass; see $saved/build.log and $saved/test.log" >&2
    trap - EXIT
    exit 1
fi

killed=0 survived=0 unbuilt=0 n=0
survivors=()
for row in "${rows[@]}"; do
    IFS=$'\t' read -r path text replacement <<<"$row"
    n=$((n + 1))
    cp "$path" "$saved/original"
    current=$path
    python3 - "$path" "$text" "$replacement" <<'EOF'
import sys
path, text, replacement = sys.argv[1:]
source = open(path).read()
open(path, 'w').write(source.replace(text, replacement, 1))
EOF
    status=0
    build_and_test || status=$?
    restore
    case $status in
        0) survived=$((survived + 1)); survivors+=("$path: $text  ->  $replacement"); verdict=SURVIVED ;;
        1) killed=$((killed + 1)); verdict=killed ;;
        *) unbuilt=$((unbuilt + 1)); verdict="does not build" ;;
    esac
    printf '%3d %-15s %s: %s\n' "$n" "$verdict" "$path" "$text"
done

# Leave the build as the sources are.
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null

echo
echo "killed $killed of $((killed + survived)) (not built: $unbuilt)"
if [ ${#survivors[@]} -gt 0 ]; then
    echo "survivors:"
    printf '  %s\n' "${survivors[@]}"
fi
