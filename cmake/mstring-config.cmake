# SPDX-License-Identifier: MIT
# find_package(mstring) gives the imported targets mstring::mstring, the
# shared library, and mstring::mstring_static, the static archive;
# both carry the directory of mstring.h and mstring.hpp.
include("${CMAKE_CURRENT_LIST_DIR}/mstring-targets.cmake")
# The archive's C++ is built without the C++ runtime: link it as C, so that
# a C program gets no libstdc++.
get_target_property(mstring_configs mstring::mstring_static IMPORTED_CONFIGURATIONS)
foreach(config IN LISTS mstring_configs)
  set_property(TARGET mstring::mstring_static PROPERTY IMPORTED_LINK_INTERFACE_LANGUAGES_${config} C)
endforeach()
