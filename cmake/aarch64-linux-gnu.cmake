# SPDX-License-Identifier: MIT
# Cross-building for arm64 with clang (scripts/cross-arm64): Debian's
# arm64 C and C++ libraries (libc6-dev-arm64-cross,
# libstdc++-12-dev-arm64-cross, libgcc-12-dev-arm64-cross), which clang
# finds by itself, and lld.  The target is given in the flags, not only to
# CMake, so that the tests' own compiler commands build for arm64 too.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_FLAGS_INIT "--target=aarch64-linux-gnu")
set(CMAKE_CXX_FLAGS_INIT "--target=aarch64-linux-gnu")
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-fuse-ld=lld")
endforeach()
# Debian's arm64 packages (GoogleTest) keep their libraries here.
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/aarch64-linux-gnu)
