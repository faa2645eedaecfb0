#!/bin/bash
# The firmware build: sw53115 linked against stand-ins for the router's
# libshared.so and libnvram.so needs exactly those and the C library, and
# runs against them.  On this machine it is built by a compiler that takes
# no more than gcc 4.2 does (gcc42.sh), as an old vendor SDK's.
# The simulator's build of sw53115 takes its platform functions from a
# preloaded library too.
# Installed into a firmware tree, lib53115 serves a C program that includes
# its header and links lib53115.a, found by hand, by pkg-config and by CMake.
# usage: firmware_link.sh SOURCE_DIR "CC [FLAGS]" READELF SIM_SW53115 TOOLCHAIN_FILE|"" [EMULATOR]
SRC=$1 CC=$2 READELF=$3 SIM_SW=$4 TOOLCHAIN=$5 EMU=${6:-}
[ -z "$TOOLCHAIN" ] || [[ $TOOLCHAIN = /* ]] || TOOLCHAIN=$SRC/$TOOLCHAIN # as cmake finds it
. "$(dirname "$0")/../lib.sh"

# Environment for the program, not for the emulator running it.
guest_env() { # VAR=VALUE... PROGRAM ARGS...
    local qemu_env=() vars=()
    while [[ $1 == *=* ]]; do qemu_env+=(-E "$1") vars+=("$1"); shift; done
    if [ -n "$EMU" ]; then $EMU "${qemu_env[@]}" "$@"; else env "${vars[@]}" "$@"; fi
}
mkdir "$tmp/lib"
for lib in shared nvram; do
    $CC -shared -fPIC -nodefaultlibs -Wl,-soname,lib$lib.so -o "$tmp/lib/lib$lib.so" \
        "$SRC/tests/firmware/lib$lib.cpp" -lc || exit 1
done
cmake -S "$SRC" -B "$tmp/nolib" -DSW53115_FIRMWARE=ON >"$tmp/log" 2>&1
[ $? != 0 ] && grep -q "SW53115_FIRMWARE=ON needs -DSW53115_FIRMWARE_LIBDIR=DIR" "$tmp/log"
check "firmware build without its libraries named" $? "$(cat "$tmp/log")"
args=(-DSW53115_FIRMWARE=ON -DSW53115_FIRMWARE_LIBDIR="$tmp/lib")
if [ -n "$TOOLCHAIN" ]; then
    args+=(-DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN")
else
    mkdir "$tmp/gcc42" && for cc in gcc g++; do ln -s "$SRC/tests/firmware/gcc42.sh" "$tmp/gcc42/$cc"; done
    args+=(-DCMAKE_C_COMPILER="$tmp/gcc42/gcc" -DCMAKE_CXX_COMPILER="$tmp/gcc42/g++")
fi
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

# --- Installed into a firmware tree. ---
DESTDIR=$tmp/root cmake --install "$tmp/build" --prefix /usr --strip >"$tmp/log" 2>&1
check "install" $? "$(cat "$tmp/log")"
root=$tmp/root/usr
for f in sbin/sw53115 lib/lib53115.a include/lib53115.h lib/pkgconfig/lib53115.pc \
    lib/cmake/lib53115/lib53115Config.cmake share/man/man8/sw53115.8; do
    [ -f "$root/$f" ]
    check "installed $f" $? "$(cd "$tmp/root" && find . -type f)"
done
[ ! -e "$root/bin/switchsim" ] && [ ! -e "$root/share/man/man1/switchsim.1" ] && ! "$READELF" -S "$root/sbin/sw53115" | grep -q '\.symtab'
check "sw53115 installed stripped, no simulator" $? "$(cd "$tmp/root" && find . -type f)"
# With SW53115_INIT=sysv, the init script (0755) and its settings (0644) in
# sysconfdir, /etc unless given, the script reading its settings there;
# without it (above), neither.
[ ! -e "$tmp/root/etc" ] && [ ! -e "$root/etc" ]
check "no init script by default" $? "$(cd "$tmp/root" && find . -path '*etc*')"
for etc in "" /opt/etc; do
    cmake -S "$SRC" -B "$tmp/build" -DSW53115_INIT=sysv ${etc:+-DCMAKE_INSTALL_SYSCONFDIR=$etc} >"$tmp/log" 2>&1 &&
        DESTDIR=$tmp/init$etc cmake --install "$tmp/build" --prefix /usr >>"$tmp/log" 2>&1 &&
        [ "$(stat -c %a "$tmp/init$etc${etc:-/etc}/init.d/sw53115")" = 755 ] &&
        [ "$(stat -c %a "$tmp/init$etc${etc:-/etc}/default/sw53115")" = 644 ] &&
        grep -qx "SETTINGS=${etc:-/etc}/default/sw53115" "$tmp/init$etc${etc:-/etc}/init.d/sw53115"
    check "init script installed in ${etc:-/etc}" $? "$(cat "$tmp/log"; cd "$tmp/init$etc" && find . -path '*etc*')"
done

client() { # HOW BINARY: runs the C client and checks it put its entry
    guest_env LD_LIBRARY_PATH="$tmp/lib" "$2" >"$tmp/out" 2>"$tmp/err"
    [ "$(cat "$tmp/out")" = "update 0 entry 0" ] && grep -q '^libshared: set 5 16 8$' "$tmp/err"
    check "C client built $1 runs" $? "$(cat "$tmp/out" "$tmp/err")"
}
$CC -x c -std=c99 -pedantic -Wall -Wextra -Werror -I"$root/include" -o "$tmp/client" \
    "$SRC/tests/firmware/arl_client.c" -x none "$root/lib/lib53115.a" -L"$tmp/lib" -lshared >"$tmp/log" 2>&1
check "C client builds by hand" $? "$(cat "$tmp/log")"
client "by hand" "$tmp/client"
flags=$(PKG_CONFIG_PATH= PKG_CONFIG_LIBDIR=$root/lib/pkgconfig PKG_CONFIG_SYSROOT_DIR=$tmp/root \
    pkg-config --cflags --libs lib53115)
$CC -x c -I/nonexistent -o "$tmp/client-pc" "$SRC/tests/firmware/arl_client.c" -x none $flags -L"$tmp/lib" -lshared \
    >"$tmp/log" 2>&1
check "C client builds with pkg-config ($flags)" $? "$(cat "$tmp/log")"
client "with pkg-config" "$tmp/client-pc"
mkdir "$tmp/consumer"
cp "$SRC/tests/firmware/arl_client.c" "$tmp/consumer/"
cat >"$tmp/consumer/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(arl_client LANGUAGES C)
find_package(lib53115 1.0 REQUIRED)
add_executable(arl_client arl_client.c)
target_link_libraries(arl_client PRIVATE lib53115::lib53115 $tmp/lib/libshared.so)
CMAKE
cargs=(-Dlib53115_DIR="$root/lib/cmake/lib53115")
[ -z "$TOOLCHAIN" ] || cargs+=(-DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN")
cmake -S "$tmp/consumer" -B "$tmp/consumer/build" "${cargs[@]}" >"$tmp/log" 2>&1 &&
    cmake --build "$tmp/consumer/build" >>"$tmp/log" 2>&1
check "C client builds with find_package(lib53115)" $? "$(cat "$tmp/log")"
client "with find_package" "$tmp/consumer/build/arl_client"

finish
