# SPDX-License-Identifier: MIT
# Installation: the headers, the library with its soname links, the
# static archive, a pkg-config file, a CMake package giving
# mstring::mstring and mstring::mstring_static, and the man pages (the
# library and the archive as MSTRING_SHARED and MSTRING_STATIC build
# them).  Prefix and DESTDIR are honoured as CMake does everywhere.
#
# Library directory: GNUInstallDirs gives Debian's multiarch directory
# when the prefix is /usr on Debian (lib/i386-linux-gnu for a -m32 build,
# whose CMAKE_LIBRARY_ARCHITECTURE is i386-linux-gnu; lib/x86_64-linux-gnu
# for amd64), and lib for any other prefix, unless CMAKE_INSTALL_LIBDIR is
# set.  The choice is made when configuring, so give the prefix then.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(FILES include/mstring.h include/mstring.hpp
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# The package carries no -m32: a consumer builds 32-bit by its own flags,
# and the version file turns the package down for a consumer of the other
# word size.  Each part has its own export file,
# mstring-shared-targets.cmake and mstring-static-targets.cmake (with
# their per-configuration files beside them), which mstring-config.cmake
# includes where present: a package that leaves out the archive, or
# ships it apart, leaves out or ships its export files with it.
set(mstring_cmakedir ${CMAKE_INSTALL_LIBDIR}/cmake/mstring)
function(mstring_install_part part target)
  install(TARGETS ${target} EXPORT mstring-${part}-targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
  install(EXPORT mstring-${part}-targets NAMESPACE mstring::
    DESTINATION ${mstring_cmakedir} FILE mstring-${part}-targets.cmake)
endfunction()
if(MSTRING_SHARED)
  mstring_install_part(shared mstring)
endif()
if(MSTRING_STATIC)
  mstring_install_part(static mstring_static)
endif()
write_basic_package_version_file(
  ${CMAKE_CURRENT_BINARY_DIR}/mstring-config-version.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES cmake/mstring-config.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/mstring-config-version.cmake
  DESTINATION ${mstring_cmakedir})

# mstring.pc: its prefix line is written at install time, so that the
# prefix given to cmake --install --prefix is the one it names.
foreach(dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(mstring_pc_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(mstring_pc_${dir} "\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
configure_file(cmake/mstring.pc.in mstring.pc.body @ONLY)
install(CODE "
  file(READ \"${CMAKE_CURRENT_BINARY_DIR}/mstring.pc.body\" body)
  file(WRITE \"${CMAKE_CURRENT_BINARY_DIR}/mstring.pc\" \"prefix=\${CMAKE_INSTALL_PREFIX}\\n\${body}\")")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/mstring.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Section 3 pages; the names of functions that share a page are symbolic
# links to it, as Debian installs them.
file(GLOB mstring_man_pages LIST_DIRECTORIES false man/*.3)
install(FILES ${mstring_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man3)

if(MSTRING_TESTS AND BUILD_TESTING)
  add_subdirectory(tests/packaging)
endif()
