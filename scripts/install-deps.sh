#!/usr/bin/env bash
# Installs what a fresh Debian machine of this project's kind lacks. Does
# nothing when everything is there already.
set -euo pipefail

# clang and libclang-rt-14-dev: libFuzzer for scripts/fuzz.sh.
packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
