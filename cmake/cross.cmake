# SPDX-License-Identifier: MIT
# Cross-building with clang for another Linux architecture (scripts/cross
# ARCH passes these):
#   MSTRING_CROSS_TRIPLE  the target's GNU triple, as Debian's multiarch
#                         directories name it (s390x-linux-gnu, ...)
#   MSTRING_CROSS_LINKER  lld, or bfd for binutils' <triple>-ld.bfd where
#                         lld cannot link the target (default lld)
#   MSTRING_CROSS_FLAGS   further compiler flags: the architecture's
#                         baseline where clang's default is not Debian's
#   MSTRING_CROSS_QEMU    qemu-user's name for it (ppc64le, arm, ...)
# Clang finds Debian's libc6-dev-<arch>-cross, libstdc++-12-dev-<arch>-cross
# and libgcc-12-dev-<arch>-cross under /usr/<triple> and
# /usr/lib/gcc-cross by itself.  The target is given in the flags, not
# only to CMake, so that the tests' own compiler commands build for it too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES
  MSTRING_CROSS_TRIPLE MSTRING_CROSS_LINKER MSTRING_CROSS_FLAGS MSTRING_CROSS_QEMU)
if(NOT MSTRING_CROSS_TRIPLE)
  message(FATAL_ERROR "cmake/cross.cmake needs -DMSTRING_CROSS_TRIPLE=<triple> (see scripts/cross)")
endif()
if(NOT MSTRING_CROSS_LINKER)
  set(MSTRING_CROSS_LINKER lld)
endif()
string(REGEX REPLACE "-.*" "" processor "${MSTRING_CROSS_TRIPLE}")
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${processor})
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_FLAGS_INIT "--target=${MSTRING_CROSS_TRIPLE} ${MSTRING_CROSS_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "--target=${MSTRING_CROSS_TRIPLE} ${MSTRING_CROSS_FLAGS}")
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=${MSTRING_CROSS_LINKER}")
endforeach()
# Debian's packages for the architecture (GoogleTest) keep their libraries
# here.
set(CMAKE_LIBRARY_ARCHITECTURE ${MSTRING_CROSS_TRIPLE})
if(MSTRING_CROSS_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR qemu-${MSTRING_CROSS_QEMU} -L /usr/${MSTRING_CROSS_TRIPLE})
endif()
