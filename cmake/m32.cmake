# SPDX-License-Identifier: MIT
# Included before project() in an -m32 build: can the compilers CMake will
# take compile and link a 32-bit x86 program in C and in C++?  CMake's own
# compiler checks would fail on a machine without a 32-bit toolchain, but
# with a message that names neither it nor MSTRING_M32.  So they run first
# in a project of their own (cmake/m32/), given what this configure was
# given to choose the compilers and their flags, and a failure stops here
# with one line that says what is missing.  A success is kept in the cache.
if(MSTRING_M32_LINKS)
  return()
endif()
set(mstring_m32_dir "${CMAKE_BINARY_DIR}/CMakeFiles/mstring-m32")
set(mstring_m32_args -G "${CMAKE_GENERATOR}")
foreach(var CMAKE_TOOLCHAIN_FILE CMAKE_C_COMPILER CMAKE_CXX_COMPILER CMAKE_C_FLAGS CMAKE_CXX_FLAGS
            CMAKE_EXE_LINKER_FLAGS CMAKE_MAKE_PROGRAM)
  if(DEFINED ${var})
    list(APPEND mstring_m32_args "-D${var}=${${var}}")
  endif()
endforeach()
file(REMOVE_RECURSE "${mstring_m32_dir}")
execute_process(
  COMMAND ${CMAKE_COMMAND} ${mstring_m32_args} -S "${CMAKE_CURRENT_LIST_DIR}/m32" -B "${mstring_m32_dir}"
  RESULT_VARIABLE mstring_m32_status
  OUTPUT_FILE "${mstring_m32_dir}.log"
  ERROR_FILE "${mstring_m32_dir}.log")
if(NOT mstring_m32_status EQUAL 0)
  # The leading space keeps CMake from wrapping the line.
  message(FATAL_ERROR " -m32 does not link: no 32-bit x86 toolchain (Debian: g++-multilib; Fedora: "
    "glibc-devel.i686 libstdc++-devel.i686); install it, or configure with -DMSTRING_M32=OFF to build "
    "for the compiler's own target (log: ${mstring_m32_dir}.log)")
endif()
file(REMOVE_RECURSE "${mstring_m32_dir}")
set(MSTRING_M32_LINKS ON CACHE INTERNAL "The compilers link -m32 programs")
