#!/usr/bin/env bash
# An install into a temporary prefix, and runs from there: the program
# converts and pairs the example pair, the man page renders without warnings
# and lists exactly the options --help lists, each command's completion
# offers the options its usage line names, the add-on zip holds the add-on,
# and cpack's .deb and .zip hold the install.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd) source=$(cd "$2" && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "install_test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
program=$prefix/bin/quandrelistaphor
for file in bin/quandrelistaphor share/man/man1/quandrelistaphor.1 share/bash-completion/completions/quandrelistaphor \
    share/zsh/site-functions/_quandrelistaphor share/quandrelistaphor/quandrelistaphor_blender.zip \
    share/doc/quandrelistaphor/json.md; do
    [ -f "$prefix/$file" ] || fail "$file is not installed"
done

cd "$prefix"
"$program" convert "$source/examples/original.obj" "$source/examples/matching.obj" new.obj --quiet >/dev/null 2>&1
cmp <(grep '^v ' new.obj | tr -d '\r') <(grep '^v ' "$source/examples/original.obj") ||
    fail "the installed program's new file lacks the original's vertices in order"
"$program" pair "$source/examples/original.obj" "$source/examples/matching.obj" --quiet |
    python3 -c 'import json, sys; d = json.load(sys.stdin); sys.exit(not (d["success"] and len(d["partner"]) == 3000))' ||
    fail "pair from the install"

page=$prefix/share/man/man1/quandrelistaphor.1
warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null) || fail "man -l failed"
[ -z "$warnings" ] || fail "man -l warns: $warnings"
rendered=$(MANWIDTH=80 man -E UTF-8 -l "$page" 2>/dev/null | col -b)
grep -q '^NAME' <<<"$rendered" || fail "the man page has no NAME section"
options_of() { grep -o -- '--[a-z][a-z-]*[a-z]' | sort -u; }
diff <(sed -n '/^OPTIONS/,/^EXIT STATUS/p' <<<"$rendered" | options_of) <("$program" --help | options_of) ||
    fail "the man page's options are not those of --help"
statuses_of() { grep -oE '^ {0,8}[0-9]{1,3}( |$)' | tr -d ' ' | sort -u; }
diff <(sed -n '/^EXIT STATUS/,/^EXAMPLES/p' <<<"$rendered" | statuses_of) \
    <("$program" --help | sed -n '/^Exit status/,$p' | sed 's/; \([0-9]\{3\}\) /\n  \1 /' | statuses_of) ||
    fail "the man page's exit statuses are not those of --help"

source "$prefix/share/bash-completion/completions/quandrelistaphor"
for command in convert pair report shapes batch; do
    COMP_WORDS=(quandrelistaphor "$command" --) COMP_CWORD=2
    _quandrelistaphor
    diff <(printf '%s\n' "${COMPREPLY[@]}" | grep -v -- --help | sort -u) \
        <("$program" help "$command" | sed -n '2,/^$/p' | options_of | grep -v -- --help) ||
        fail "bash completion of $command differs from its usage"
    COMP_WORDS=(quandrelistaphor "$command" -) COMP_CWORD=2
    _quandrelistaphor
    [[ " ${COMPREPLY[*]} " == *" -q "* ]] || fail "bash completion of $command lacks -q"
done

zsh_file=$prefix/share/zsh/site-functions/_quandrelistaphor
zsh -n "$zsh_file" || fail "the zsh completion does not parse"
# Every command's option is offered (--help and --version stand alone).
diff <(options_of <"$zsh_file" | grep -v -- --help) <("$program" --help | options_of | grep -v -- '--help\|--version') ||
    fail "the zsh completion's options are not those of --help"
# The short form is offered as --quiet's other spelling: each command's specs, as zsh expands them.
for command in convert pair report shapes batch; do
    zsh -c '_arguments() { print -rl -- "$@"; }; _values() { :; }; words=(quandrelistaphor $2); CURRENT=3; source "$1"' \
        zsh "$zsh_file" "$command" | grep -qx -- '(-q --quiet)-q\[.*' || fail "the zsh completion of $command lacks -q"
done

python3 -c 'import sys, zipfile; names = zipfile.ZipFile(sys.argv[1]).namelist(); sys.exit(not (
    "quandrelistaphor_blender/__init__.py" in names and all(n.startswith("quandrelistaphor_blender/") for n in names)))' \
    "$prefix/share/quandrelistaphor/quandrelistaphor_blender.zip" || fail "the add-on zip"
# The packages cpack makes hold the same install.
cpack --config "$build/CPackConfig.cmake" -B "$prefix/packages" >/dev/null 2>&1 || fail "cpack failed"
contents=$(dpkg-deb -c "$prefix"/packages/quandrelistaphor_*.deb)
grep -q ' ./usr/share/man/man1/quandrelistaphor.1$' <<<"$contents" || fail "the .deb lacks the man page"
python3 -c 'import glob, sys, zipfile; names = zipfile.ZipFile(glob.glob(sys.argv[1])[0]).namelist(); sys.exit(not any(
    n.endswith("/bin/quandrelistaphor") for n in names))' "$prefix/packages/quandrelistaphor-*.zip" || fail "the .zip"
echo "install_test: passed"
