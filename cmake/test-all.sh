#!/bin/bash
# Builds sw53115 and runs every test: on this machine, and for the router's
# mipsel processor under qemu.
set -euo pipefail
cd "$(dirname "$0")/.."
. cmake/deps.sh
need_packages cmake make g++ googletest g++-mipsel-linux-gnu qemu-user
jobs=$(nproc)

for target in host mipsel; do
    echo "=== $target: build and test"
    args=()
    [ $target = mipsel ] && args=(-DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mipsel.cmake)
    cmake -S . -B out/$target "${args[@]}" >/dev/null
    cmake --build out/$target -j "$jobs" >/dev/null
    ctest --test-dir out/$target -j "$jobs" --output-on-failure
done
