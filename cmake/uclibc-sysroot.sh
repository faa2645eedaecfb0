#!/bin/bash
# Builds the router's C library as a sysroot: uClibc-ng for 32-bit
# little-endian MIPS (MIPS32r2, o32), soft float, shared libraries, with
# Debian's cross compiler, uClibc-ng sources and kernel headers only.
#
# Debian's mipsel libgcc.a is hard float: its floating-point helpers take
# their arguments in FPU registers, so soft-float code calling them computes
# garbage.  The sysroot gets its own libgcc.a: Debian's integer members and
# GCC's soft-fp routines compiled with -msoft-float.
#
# usage: uclibc-sysroot.sh [DIR]   (default out/uclibc-sysroot; the sysroot
# is DIR/sysroot, kept until this script changes)
set -euo pipefail
cd "$(dirname "$0")/.."
. cmake/deps.sh
dir=$(realpath -m "${1:-out/uclibc-sysroot}")
sysroot=$dir/sysroot
stamp=$(sha256sum cmake/uclibc-sysroot.sh | cut -c1-16)
if [ "$(cat "$sysroot/.built" 2>/dev/null)" = "$stamp" ]; then
    echo "uClibc-ng sysroot: $sysroot (cached)"
    exit 0
fi
need_packages make gcc-mipsel-linux-gnu uclibc-source gcc-12-source linux-libc-dev-mipsel-cross xz-utils
cross=mipsel-linux-gnu-
cpu=(-march=mips32r2 -mabi=32 -EL -msoft-float)
jobs=$(nproc)
rm -rf "$dir"
mkdir -p "$dir/work" "$sysroot/usr/include" "$sysroot/usr/lib"
cd "$dir/work"
log=$dir/build.log
step() { echo "uClibc-ng sysroot: $*"; }
fail() { echo "uClibc-ng sysroot: $1 failed; the last lines of $log:" >&2; tail -n 30 "$log" >&2; exit 1; }

step "kernel headers"
dpkg -L linux-libc-dev-mipsel-cross | sed -n 's|^/usr/mipsel-linux-gnu/include/||p' | while read -r f; do
    src=/usr/mipsel-linux-gnu/include/$f
    if [ -d "$src" ]; then mkdir -p "$sysroot/usr/include/$f"; else cp "$src" "$sysroot/usr/include/$f"; fi
done

step "soft-float libgcc.a"
gcc_tar=$(ls /usr/src/gcc-12/gcc-12*.tar.*)
tar xf "$gcc_tar" --wildcards '*/libgcc/soft-fp/*' '*/libgcc/config/mips/sfp-machine.h' \
    '*/include/longlong.h' --strip-components=1
mkdir softfp
for src in libgcc/soft-fp/*.c; do
    name=$(basename "$src" .c)
    # single and double precision with 32- and 64-bit integers, as o32 uses
    [[ $name =~ (sf|df) && ! $name =~ (tf|xf|hf|ti) ]] || continue
    echo "${cross}gcc -O2 -fPIC ${cpu[*]} -Ilibgcc/soft-fp -Ilibgcc/config/mips -Iinclude -c $src -o softfp/$name.o"
done | xargs -P "$jobs" -I{} sh -c '{}' >>"$log" 2>&1 || fail "soft-fp routines"
libgcc=$("${cross}gcc" -print-libgcc-file-name)
mkdir gcc-int && (cd gcc-int && ar x "$libgcc")
# Drop every member that handles floating point, keep the integer ones.
# Those and the C++ start files hold no floating-point code, so their
# hard-float marks go: they link with soft-float code without a warning.
find gcc-int -name '*.o' | grep -E '(sf|df|xf|tf|SF|DF|_m16|c3\.o|_powi)' | xargs rm
for crt in crtbegin.o crtend.o crtbeginS.o crtendS.o crtbeginT.o; do
    cp "$(dirname "$libgcc")/$crt" gcc-int/
done
for o in gcc-int/*.o; do
    "${cross}objcopy" -R .gnu.attributes -R .MIPS.abiflags "$o" || fail "unmarking $o"
done
mv gcc-int/crt*.o "$sysroot/usr/lib/"
"${cross}ar" rcs "$sysroot/usr/lib/libgcc.a" gcc-int/*.o softfp/*.o

step "uClibc-ng sources and configuration"
tar xf /usr/src/uClibc-ng-*.tar.xz
cd uClibc-ng-*
make ARCH=mips defconfig >>"$log" 2>&1 || fail "defconfig"
set_opt() { # NAME VALUE (y, n, or a quoted string)
    sed -i -e "/^$1=/d" -e "/^# $1 is not set/d" .config
    if [ "$2" = n ]; then echo "# $1 is not set" >>.config; else echo "$1=$2" >>.config; fi
}
set_opt CONFIG_MIPS_O32_ABI y
set_opt ARCH_WANTS_BIG_ENDIAN n
set_opt ARCH_WANTS_LITTLE_ENDIAN y
set_opt UCLIBC_HAS_FPU n
set_opt HAVE_SHARED y
set_opt UCLIBC_HAS_THREADS y
set_opt UCLIBC_HAS_THREADS_NATIVE y
set_opt UCLIBC_HAS_REALTIME y
set_opt UCLIBC_SUSV3_LEGACY y
set_opt UCLIBC_HAS_SSP n
set_opt DOPIC y
set_opt KERNEL_HEADERS "\"$sysroot/usr/include\""
set_opt CROSS_COMPILER_PREFIX "\"$cross\""
set_opt UCLIBC_EXTRA_CFLAGS "\"${cpu[*]}\""
set_opt RUNTIME_PREFIX '"/"'
set_opt DEVEL_PREFIX '"/usr/"'
make ARCH=mips olddefconfig >>"$log" 2>&1 || fail "olddefconfig"
for want in CONFIG_MIPS_O32_ABI=y ARCH_LITTLE_ENDIAN=y HAVE_SHARED=y UCLIBC_HAS_THREADS_NATIVE=y \
    UCLIBC_HAS_REALTIME=y UCLIBC_SUSV3_LEGACY=y '# UCLIBC_HAS_FPU is not set'; do
    grep -qxF "$want" .config || { echo "uClibc-ng sysroot: the configuration lacks $want" >&2; exit 1; }
done

step "building uClibc-ng (a few minutes)"
make ARCH=mips -j "$jobs" LIBGCC_A="$sysroot/usr/lib/libgcc.a" >>"$log" 2>&1 || fail "the build"
make ARCH=mips PREFIX="$sysroot" LIBGCC_A="$sysroot/usr/lib/libgcc.a" install >>"$log" 2>&1 ||
    fail "the install"
# The dynamic linker reads etc/ld.so.cache under the sysroot that qemu-mipsel
# -L gives it; without one of its own it would read the host's glibc cache.
make ARCH=mips -j "$jobs" hostutils >>"$log" 2>&1 || fail "the host utilities"
mkdir -p "$sysroot/etc"
utils/ldconfig.host -r "$sysroot" >>"$log" 2>&1 || fail "ldconfig"
[ -s "$sysroot/etc/ld.so.cache" ] || fail "ldconfig (no cache)"

cd "$dir"
rm -rf work
echo "$stamp" >"$sysroot/.built"
step "done: $sysroot"
