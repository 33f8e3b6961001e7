# SPDX-License-Identifier: MIT
# find_package(mstring) gives an imported target for each part of the
# library that is installed: mstring::mstring, the shared library, and
# mstring::mstring_static, the static archive; both carry the directory
# of mstring.h and mstring.hpp.  Each part comes with its own export file,
# so a package may leave either out.
foreach(mstring_part shared static)
  include("${CMAKE_CURRENT_LIST_DIR}/mstring-${mstring_part}-targets.cmake" OPTIONAL)
endforeach()
if(NOT TARGET mstring::mstring AND NOT TARGET mstring::mstring_static)
  set(mstring_FOUND FALSE)
  set(mstring_NOT_FOUND_MESSAGE "neither part of the library is installed: no mstring-shared-targets.cmake \
nor mstring-static-targets.cmake in ${CMAKE_CURRENT_LIST_DIR}")
  return()
endif()
# The archive's C++ is built without the C++ runtime: link it as C, so that
# a C program gets no libstdc++.
if(TARGET mstring::mstring_static)
  get_target_property(mstring_configs mstring::mstring_static IMPORTED_CONFIGURATIONS)
  foreach(config IN LISTS mstring_configs)
    set_property(TARGET mstring::mstring_static PROPERTY IMPORTED_LINK_INTERFACE_LANGUAGES_${config} C)
  endforeach()
endif()
