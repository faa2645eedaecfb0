#!/bin/bash
# The firmware build: sw53115 linked against stand-ins for the router's
# libshared.so and libnvram.so needs exactly those and the C library, and
# runs against them.
# The simulator's build of sw53115 takes its platform functions from a
# preloaded library too.
# usage: firmware_link.sh SOURCE_DIR CXX READELF SIM_SW53115 TOOLCHAIN_FILE|"" [EMULATOR]
SRC=$1 CXX=$2 READELF=$3 SIM_SW=$4 TOOLCHAIN=$5 EMU=${6:-}
. "$(dirname "$0")/../lib.sh"

# Environment for the program, not for the emulator running it.
guest_env() { # VAR=VALUE... PROGRAM ARGS...
    local qemu_env=() vars=()
    while [[ $1 == *=* ]]; do qemu_env+=(-E "$1") vars+=("$1"); shift; done
    if [ -n "$EMU" ]; then $EMU "${qemu_env[@]}" "$@"; else env "${vars[@]}" "$@"; fi
}
mkdir "$tmp/lib"
for lib in shared nvram; do
    "$CXX" -shared -fPIC -nodefaultlibs -Wl,-soname,lib$lib.so -o "$tmp/lib/lib$lib.so" \
        "$SRC/tests/firmware/lib$lib.cpp" -lc || exit 1
done
args=(-DSW53115_FIRMWARE=ON -DSW53115_FIRMWARE_LIBDIR="$tmp/lib")
[ -z "$TOOLCHAIN" ] || args+=(-DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN")
cmake -S "$SRC" -B "$tmp/build" "${args[@]}" >"$tmp/log" 2>&1 &&
    cmake --build "$tmp/build" >>"$tmp/log" 2>&1 || { cat "$tmp/log"; exit 1; }
SW=$tmp/build/sw53115
[ ! -e "$tmp/build/switchsim" ]
check "no simulator built" $? "$(ls "$tmp/build")"

needed=$("$READELF" -d "$SW" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort | tr '\n' ' ')
[[ $needed =~ ^libc\.so(\.[0-9]+)?\ libnvram\.so\ libshared\.so\ $ ]]
check "NEEDED entries" $? "$needed"

guest_env LD_LIBRARY_PATH="$tmp/lib" "$SW" arl write 1 001122334455 1 0 0 0 3 >"$tmp/out" 2>"$tmp/err"
check "write runs" $? "$(cat "$tmp/err")"
# 4 sets to read the bucket, 6 to write the entry
[ "$(grep -c '^libshared: set 5 ' "$tmp/err")" = 10 ] && grep -q '^libshared: get 5 0 1$' "$tmp/err"
check "write reaches libshared.so" $? "$(cat "$tmp/err")"
guest_env LD_LIBRARY_PATH="$tmp/lib" "$SW" >"$tmp/out" 2>&1 && grep -q 'ARL Usage:' "$tmp/out"
check "usage" $? "$(cat "$tmp/out")"

guest_env LD_LIBRARY_PATH="$tmp/lib" LIBSHARED_TRACE=2 "$SW" arl read 7 001122334455 >"$tmp/out" 2>&1
[ "$(grep -c -- '--->read_arl\[i:[01]\],\[val:0\]$' "$tmp/out")" = 2 ]
check "trace mask set by name from a library" $? "$(cat "$tmp/out")"
guest_env LD_PRELOAD="$tmp/lib/libshared.so" "$SIM_SW" arl read 001122334455 >"$tmp/out" 2>&1
grep -q '^libshared: get 5 16 8$' "$tmp/out"
check "preloaded library answers for the simulator" $? "$(cat "$tmp/out")"

finish
