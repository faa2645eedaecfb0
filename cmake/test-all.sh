#!/bin/bash
# Builds sw53115 and runs every test: on this machine, for the router's
# mipsel processor under qemu, and built by clang with the address and
# undefined-behaviour sanitizers (where the fuzzer runs too).
set -euo pipefail
cd "$(dirname "$0")/.."
. cmake/deps.sh
need_packages cmake make g++ googletest g++-mipsel-linux-gnu qemu-user clang libclang-rt-14-dev
jobs=$(nproc)

for target in host mipsel sanitize; do
    echo "=== $target: build and test"
    args=()
    case $target in
    mipsel) args=(-DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mipsel.cmake) ;;
    sanitize) args=(-DCMAKE_CXX_COMPILER=clang++ -DSW53115_SANITIZE=ON) ;;
    esac
    cmake -S . -B out/$target "${args[@]}" >/dev/null
    cmake --build out/$target -j "$jobs" >/dev/null
    ctest --test-dir out/$target -j "$jobs" --output-on-failure --timeout 300
done
