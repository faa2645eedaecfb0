# Compile and link settings for the project's own code.  Options that only
# newer compilers know are given only where the compiler takes them, so that
# a vendor SDK's gcc 4.x builds the product too.
include(CheckCXXCompilerFlag)
# Trace lines name the source file relative to the source tree (GCC 8).
check_cxx_compiler_flag(-fmacro-prefix-map=${PROJECT_SOURCE_DIR}/= SW53115_HAS_MACRO_PREFIX_MAP)
if(SW53115_MIPS_PLT)
  check_cxx_compiler_flag(-mplt SW53115_HAS_MPLT) # GCC 4.4
endif()

# Warnings as errors and the lean code generation of a program that must fit
# a router's flash: no exceptions, no RTTI, no unwind tables, unused code
# dropped at link time.
function(sw53115_code target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Werror
    -fno-exceptions -fno-rtti -fno-threadsafe-statics
    -fno-asynchronous-unwind-tables -fno-unwind-tables
    -ffunction-sections -fdata-sections
    -U_FORTIFY_SOURCE)
  if(SW53115_HAS_MACRO_PREFIX_MAP)
    target_compile_options(${target} PRIVATE -fmacro-prefix-map=${PROJECT_SOURCE_DIR}/=)
  endif()
  get_target_property(type ${target} TYPE)
  get_target_property(pic ${target} POSITION_INDEPENDENT_CODE)
  if(SW53115_MIPS16)
    target_compile_options(${target} PRIVATE -mips16)
  endif()
  if(NOT type STREQUAL "SHARED_LIBRARY" AND NOT pic)
    target_compile_options(${target} PRIVATE -fno-pie)
    if(SW53115_MIPS_PLT AND SW53115_HAS_MPLT)
      target_compile_options(${target} PRIVATE -mplt)
    endif()
  endif()
endfunction()

# Programs and shared libraries link against the C library alone: a use of
# anything from libstdc++ or libgcc_s fails the link instead of turning into
# a run-time dependency.  libgcc.a stays, for helpers the compiler may call.
function(sw53115_lean_link target)
  if(SW53115_LEAN_LINK AND NOT SW53115_SANITIZE)
    target_link_options(${target} PRIVATE -nodefaultlibs "LINKER:--gc-sections" "LINKER:-O1"
                        "LINKER:--build-id=none")
  endif()
endfunction()

# The C library and libgcc.a, after everything else on the link line.
function(sw53115_lean_link_tail target)
  if(SW53115_LEAN_LINK AND NOT SW53115_SANITIZE)
    target_link_libraries(${target} PRIVATE c gcc)
  endif()
endfunction()
