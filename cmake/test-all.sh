#!/bin/bash
# Builds sw53115 and runs every test, for each target in turn:
#   demo      the README's first command, cmake/demo.sh, whose listings must
#             show the demo's entries and whose save must end whole;
#   host      this machine;
#   release   this machine, -DCMAKE_BUILD_TYPE=Release;
#   mipsel    the router's processor with Debian's glibc, under qemu-mipsel;
#   uclibc    the router's C library: uClibc-ng, soft float, on a 24KEc
#             under qemu-mipsel (the sysroot is built once, into out/);
#   sanitize  clang with the address and undefined-behaviour sanitizers
#             (where the fuzzer runs too).
# usage: test-all.sh [TARGET...]   (default: all of them)
set -euo pipefail
cd "$(dirname "$0")/.."
. cmake/deps.sh
need_packages cmake make g++ googletest g++-mipsel-linux-gnu qemu-user clang libclang-rt-14-dev \
    python3 pkg-config util-linux groff-base busybox-static shellcheck
jobs=$(nproc)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(demo host release mipsel uclibc sanitize)

mkdir -p out
times=()
for target in "${targets[@]}"; do
    start=$SECONDS
    echo "=== $target: build and test"
    args=()
    case $target in
    demo)
        bash cmake/demo.sh >out/demo.log 2>&1 || { cat out/demo.log; echo "demo failed" >&2; exit 1; }
        for row in "00:11:22:33:44:55   1    3      0   0     1  0" "02:00:00:00:00:05  17    4      0   0     1  0" \
            "01:00:5e:00:01:01 200    2      1   0     1  0" "# end: 1 static entries"; do
            grep -qxF "$row" out/demo.log || { cat out/demo.log; echo "demo: arl show lacks '$row'" >&2; exit 1; }
        done
        # It leaves the table that cmake/demo-table.sh lays, where the README starts.
        SWITCHSIM_STATE=$PWD/out/demo.state out/demo/switchsim/switchsim show --all >out/demo.left
        SWITCHSIM_STATE=$PWD/out/demo-table.state bash cmake/demo-table.sh
        SWITCHSIM_STATE=$PWD/out/demo-table.state out/demo/switchsim/switchsim show --all |
            cmp -s - out/demo.left || { echo "demo: it does not leave the README's table" >&2; exit 1; }
        times+=("demo $((SECONDS - start)) s")
        continue
        ;;
    host) ;;
    release) args=(-DCMAKE_BUILD_TYPE=Release) ;;
    mipsel) args=(-DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mipsel.cmake) ;;
    uclibc)
        bash cmake/uclibc-sysroot.sh
        args=(-DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mipsel-uclibc.cmake)
        ;;
    sanitize) args=(-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DSW53115_SANITIZE=ON) ;;
    *)
        echo "test-all.sh: unknown target '$target': expected demo, host, release, mipsel, uclibc or sanitize" >&2
        exit 2
        ;;
    esac
    cmake -S . -B "out/$target" "${args[@]}" >/dev/null
    cmake --build "out/$target" -j "$jobs" >/dev/null
    ctest --test-dir "out/$target" -j "$jobs" --output-on-failure --no-tests=error --timeout 300
    times+=("$target $((SECONDS - start)) s")
done
echo "=== all passed: ${times[*]}"
