# Cross build for the router as it is: uClibc-ng, soft float, MIPS32r2, from
# the sysroot that cmake/uclibc-sysroot.sh builds (out/uclibc-sysroot, or
# SW53115_SYSROOT).  Debian's mipsel gcc drives it: its own headers are left
# out for the sysroot's, and gcc (not g++) links, as there is no libstdc++
# for this C library.  Target programs run under qemu-mipsel on a 24KEc,
# MIPS32r2 without an FPU, like the router's cores.
if(NOT SW53115_SYSROOT)
  get_filename_component(SW53115_SYSROOT ${CMAKE_CURRENT_LIST_DIR}/../out/uclibc-sysroot/sysroot
                         ABSOLUTE)
endif()
set(SW53115_CROSS_PREFIX mipsel-linux-gnu-)
set(SW53115_CXX_DRIVER gcc)
execute_process(COMMAND mipsel-linux-gnu-gcc -print-file-name=include OUTPUT_VARIABLE gcc_include
                OUTPUT_STRIP_TRAILING_WHITESPACE)
set(SW53115_CROSS_FLAGS "-march=mips32r2 -msoft-float -nostdinc -isystem ${gcc_include} \
-isystem ${gcc_include}-fixed -isystem ${SW53115_SYSROOT}/usr/include")
set(SW53115_LINK_FLAGS "-msoft-float -B${SW53115_SYSROOT}/usr/lib -L${SW53115_SYSROOT}/usr/lib -L${SW53115_SYSROOT}/lib \
-Wl,--dynamic-linker=/lib/ld-uClibc.so.0")
set(SW53115_EMULATOR qemu-mipsel -cpu 24KEc -L ${SW53115_SYSROOT})
set(SW53115_UNIT_TESTS OFF CACHE BOOL "googletest needs libstdc++, which this target lacks")
# uClibc-ng's ld.so expands $ORIGIN only in the RPATH of a library.
set(CMAKE_BUILD_RPATH_USE_ORIGIN OFF)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-cross.cmake)
