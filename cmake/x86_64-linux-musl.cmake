# SPDX-License-Identifier: MIT
# Building for amd64 against musl instead of glibc (scripts/musl), with
# Debian's musl-tools: musl-gcc for C; for C++, g++ with musl-gcc's specs
# file, which drops the default include path, so libstdc++'s header
# directories are named again behind cmake/musl (features.h with the
# version test libstdc++ asks of glibc, valgrind's header alone).  Debian
# has no C++ runtime for musl: C++ compiles, but only programs that need
# none of it (the library itself) can be linked and run.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER musl-gcc)
set(CMAKE_CXX_COMPILER g++)
set(mstring_musl /usr/lib/x86_64-linux-musl)
set(mstring_cxx /usr/include/c++/12)
set(CMAKE_C_FLAGS_INIT "-isystem ${CMAKE_CURRENT_LIST_DIR}/musl")
set(CMAKE_CXX_FLAGS_INIT "-specs=${mstring_musl}/musl-gcc.specs -isystem ${CMAKE_CURRENT_LIST_DIR}/musl \
-isystem ${mstring_cxx} -isystem /usr/include/x86_64-linux-gnu/c++/12 -isystem ${mstring_cxx}/backward")
set(CMAKE_LIBRARY_ARCHITECTURE x86_64-linux-musl)
set(CMAKE_FIND_ROOT_PATH ${mstring_musl})
