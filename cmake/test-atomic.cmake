# SPDX-License-Identifier: MIT
# The test programs' std::atomic (GoogleTest's headers use it) is inlined
# where the processor has atomic instructions; where it has none, as on
# armel's ARMv5TE, it is calls into libatomic, which the programs must then
# link.  Sets mstring_test_atomic to "atomic" there and to nothing
# elsewhere.  The library itself uses no atomics and imports libc alone.
include(CheckCXXSourceCompiles)
set(mstring_atomic_program "#include <atomic>
std::atomic<int> counter;
int main() { return counter.fetch_add(1); }")
check_cxx_source_compiles("${mstring_atomic_program}" MSTRING_ATOMIC_INLINE)
set(mstring_test_atomic "")
if(NOT MSTRING_ATOMIC_INLINE)
  set(CMAKE_REQUIRED_LIBRARIES atomic)
  check_cxx_source_compiles("${mstring_atomic_program}" MSTRING_ATOMIC_LIBATOMIC)
  unset(CMAKE_REQUIRED_LIBRARIES)
  if(NOT MSTRING_ATOMIC_LIBATOMIC)
    message(FATAL_ERROR "std::atomic links neither inline nor with libatomic")
  endif()
  set(mstring_test_atomic atomic)
endif()
