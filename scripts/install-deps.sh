#!/usr/bin/env bash
# Installs what a fresh Debian machine of this project's kind lacks. Does
# nothing when everything is there already. With --build, only what building
# and running the program needs (the demo); with --native, also what the
# native tests need; otherwise also the Windows cross builds, Wine and the
# fuzzing compiler.
set -euo pipefail

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
updated=0

# install [--with-recommends] PACKAGE...: installs those of the packages that are missing.
install() {
    local options=(--no-install-recommends)
    if [ "$1" = --with-recommends ]; then
        options=()
        shift
    fi
    local missing=()
    for p in "$@"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    if [ $updated -eq 0 ]; then
        $SUDO apt-get update
        updated=1
    fi
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "${options[@]}" "${missing[@]}"
}

case "${1:-}" in --build | --native | "") ;; *) echo "usage: install-deps.sh [--build|--native]" >&2; exit 64 ;; esac
install cmake ninja-build g++
# The glTF writer: tinygltf (header only) and its JSON library, nlohmann-json.
install libtinygltf-dev nlohmann-json3-dev
[ "${1:-}" = --build ] && exit 0
install libgtest-dev libgmock-dev libbenchmark-dev
# The install test renders the man page; the Blender add-on is tested in
# Blender itself, headless.
install man-db python3 blender zsh
# The independent reader the round trips of exporters' files are checked with.
install python3-tinyobjloader
# Debian's test models (the spider, regr01, the Collada duck), round-tripped by
# Blender and paired by connectivity in the tests.
install assimp-testmodels
# The glTF files' checks: the Khronos glTF-Validator, npm's gltf-validator at
# a pinned version, installed under build/node where the tests look for it;
# Blender's glTF importer needs numpy. A node that is there already (with
# its npm) is used as it is.
install python3-numpy
command -v node >/dev/null && command -v npm >/dev/null || install nodejs npm
validator=2.0.0-dev.3.10
modules="$(cd "$(dirname "$0")/.." && pwd)/build/node"
grep -qs "\"version\": \"$validator\"" "$modules/node_modules/gltf-validator/package.json" ||
    npm install --prefix "$modules" --no-audit --no-fund "gltf-validator@$validator"
[ "${1:-}" = --native ] && exit 0

# The fuzz targets: clang with libFuzzer and the sanitizer runtimes.
install clang libclang-rt-14-dev

# The Windows builds: mingw-w64 (its GoogleTest is built from Debian's source
# package), and Wine with a virtual display for the win64 tests. Only the
# 64-bit Wine: 32-bit programs cannot run on these machines. Wine's
# recommended packages bring the fonts its dialogs draw with.
install g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools googletest
install --with-recommends wine64 xvfb xauth
