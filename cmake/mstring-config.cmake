# SPDX-License-Identifier: MIT
# find_package(mstring) gives the imported target mstring::mstring: the
# 32-bit shared library and the directory of mstring.h and mstring.hpp.
include("${CMAKE_CURRENT_LIST_DIR}/mstring-targets.cmake")
