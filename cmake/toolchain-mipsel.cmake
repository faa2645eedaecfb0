# Cross build for the router's processor, 32-bit little-endian MIPS, with
# Debian's g++-mipsel-linux-gnu and its glibc.  Target programs (the tests
# among them) run under qemu-mipsel.
set(SW53115_CROSS_PREFIX mipsel-linux-gnu-)
set(SW53115_EMULATOR qemu-mipsel -L /usr/mipsel-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-cross.cmake)
set(CMAKE_FIND_ROOT_PATH /usr/mipsel-linux-gnu)
