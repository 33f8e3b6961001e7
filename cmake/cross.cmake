# SPDX-License-Identifier: MIT
# Cross-building with clang for another Linux architecture:
#   -DCMAKE_TOOLCHAIN_FILE=cmake/cross.cmake -DMSTRING_CROSS_ARCH=ARCH
# (scripts/cross ARCH passes these), ARCH being Debian's name for it.  The
# target's GNU triple, its linker (lld, or bfd for binutils'
# <triple>-ld.bfd where lld cannot link the target), the compiler flags of
# its baseline where clang's default is not Debian's, and qemu-user's name
# for it come from ARCH's line in cmake/architectures.txt.
# Clang finds Debian's libc6-dev-<arch>-cross, libstdc++-12-dev-<arch>-cross
# and libgcc-12-dev-<arch>-cross under /usr/<triple> and
# /usr/lib/gcc-cross by itself.  The target is given in the flags, not
# only to CMake, so that the tests' own compiler commands build for it too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MSTRING_CROSS_ARCH)
include(${CMAKE_CURRENT_LIST_DIR}/architectures.cmake)
mstring_architecture(debian "${MSTRING_CROSS_ARCH}")
if(NOT mstring_arch_linker)
  message(FATAL_ERROR "cmake/cross.cmake needs -DMSTRING_CROSS_ARCH=ARCH, an architecture of "
                      "cmake/architectures.txt other than i386 and amd64 (see scripts/cross)")
endif()
string(REGEX REPLACE "-.*" "" processor "${mstring_arch_triple}")
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${processor})
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_FLAGS_INIT "--target=${mstring_arch_triple} ${mstring_arch_flags}")
set(CMAKE_CXX_FLAGS_INIT "--target=${mstring_arch_triple} ${mstring_arch_flags}")
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=${mstring_arch_linker}")
endforeach()
# Debian's packages for the architecture (GoogleTest) keep their libraries
# here.
set(CMAKE_LIBRARY_ARCHITECTURE ${mstring_arch_triple})
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${mstring_arch_qemu} -L /usr/${mstring_arch_triple})
