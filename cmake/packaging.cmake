# Everyday use of the library: the C++ header, examples and their tests.
if(BUILD_TESTING)
  add_subdirectory(tests/packaging)
endif()
