# Cross build with any GCC cross toolchain for the router, such as a vendor
# SDK's.  Set on the command line (or in a toolchain file that includes this
# one):
#   SW53115_CROSS_PREFIX   the tools' prefix, e.g. mipsel-uclibc- (required)
#   SW53115_SYSROOT        the target's sysroot, where the tools need one
#   SW53115_CROSS_FLAGS    further compile flags, e.g. -msoft-float
#   SW53115_LINK_FLAGS     further link flags, e.g. the dynamic linker
#   SW53115_CXX_DRIVER     g++ (default), or gcc where the target has no
#                          libstdc++ (the tool needs none)
#   SW53115_PROCESSOR      the target processor (default mipsel)
#   SW53115_EMULATOR       how to run target programs here, for the tests
set(CMAKE_SYSTEM_NAME Linux)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SW53115_CROSS_PREFIX SW53115_SYSROOT
     SW53115_CROSS_FLAGS SW53115_LINK_FLAGS SW53115_CXX_DRIVER SW53115_PROCESSOR)
if(NOT SW53115_CROSS_PREFIX)
  message(FATAL_ERROR "toolchain-cross.cmake: set SW53115_CROSS_PREFIX to the cross tools' prefix, "
                      "e.g. -DSW53115_CROSS_PREFIX=mipsel-uclibc-")
endif()
if(NOT SW53115_PROCESSOR)
  set(SW53115_PROCESSOR mipsel)
endif()
if(NOT SW53115_CXX_DRIVER)
  set(SW53115_CXX_DRIVER g++)
endif()
set(CMAKE_SYSTEM_PROCESSOR ${SW53115_PROCESSOR})
set(CMAKE_C_COMPILER ${SW53115_CROSS_PREFIX}gcc)
set(CMAKE_CXX_COMPILER ${SW53115_CROSS_PREFIX}${SW53115_CXX_DRIVER})
if(SW53115_SYSROOT)
  set(CMAKE_SYSROOT ${SW53115_SYSROOT})
  set(CMAKE_FIND_ROOT_PATH ${SW53115_SYSROOT})
endif()
set(CMAKE_C_FLAGS_INIT "${SW53115_CROSS_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${SW53115_CROSS_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${SW53115_LINK_FLAGS}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${SW53115_LINK_FLAGS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(SW53115_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SW53115_EMULATOR})
endif()
