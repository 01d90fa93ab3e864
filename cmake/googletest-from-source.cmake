# GoogleTest for a cross build: no copy is installed for the target system,
# so it is built from the sources of Debian's googletest package, when they
# are there. GTest_FOUND tells whether they were.
set(QUILLET_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for cross builds")
if(NOT EXISTS ${QUILLET_GOOGLETEST_SOURCE}/CMakeLists.txt)
  return()
endif()

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(${QUILLET_GOOGLETEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Its code and headers are not ours to keep free of warnings. Its own
# build names them GTest::gtest and GTest::gtest_main, as an installed copy.
foreach(library gtest gtest_main)
  target_compile_options(${library} PRIVATE -w)
  get_target_property(headers ${library} INTERFACE_INCLUDE_DIRECTORIES)
  set_target_properties(${library} PROPERTIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${headers}")
endforeach()
set(GTest_FOUND TRUE)
