# The programs need only a C++17 compiler, CMake and Ninja. The parts that
# need more are built when their tools are found (quillet-info's PNG
# pictures with stb_image_write.h):
#   QUILLET_TESTS  the test suite: its GoogleTest programs with GoogleTest,
#                  the manual page checks with groff, the Makefile recipe
#                  check with make; the fuzz replays, the README checks and
#                  the completion checks need nothing more.
#   QUILLET_BENCH  the codec benchmark, with Google Benchmark.
# Each option is AUTO (the default: built when found), ON (configure stops
# when the tool is missing) or OFF. One status line names whatever was left
# out for want of its tool and the Debian packages that bring it.
set(QUILLET_TESTS AUTO CACHE STRING "Build the test suite: AUTO (when GoogleTest is found), ON or OFF")
set(QUILLET_BENCH AUTO CACHE STRING "Build the benchmark: AUTO (when Google Benchmark is found), ON or OFF")
set_property(CACHE QUILLET_TESTS PROPERTY STRINGS AUTO ON OFF)
set_property(CACHE QUILLET_BENCH PROPERTY STRINGS AUTO ON OFF)

set(quillet_left_out "")
set(quillet_packages "")

# Looks for PACKAGE (TOOL to the user) when OPTION asks for PART; sets
# QUILLET_WITH_<WHAT> to whether PART is built.
macro(quillet_optional_package option package what part tool debian_package)
  string(TOUPPER "${${option}}" quillet_choice)
  set(QUILLET_WITH_${what} OFF)
  if(quillet_choice)
    if(NOT ${package}_FOUND)
      find_package(${package} QUIET)
    endif()
    if(${package}_FOUND)
      set(QUILLET_WITH_${what} ON)
    elseif(quillet_choice STREQUAL "AUTO")
      list(APPEND quillet_left_out "${part} (no ${tool})")
      list(APPEND quillet_packages ${debian_package})
    else()
      message(FATAL_ERROR "${option} is ON, but ${tool} was not found: install it "
        "(sudo apt-get install ${debian_package}) or configure with -D${option}=AUTO or OFF.")
    endif()
  endif()
endmacro()

# A cross build finds no GoogleTest for its target system: it builds one
# from the sources of the googletest package instead.
set(quillet_gtest_package libgtest-dev)
if(CMAKE_CROSSCOMPILING AND QUILLET_TESTS)
  include(cmake/googletest-from-source.cmake)
  set(quillet_gtest_package googletest)
endif()
quillet_optional_package(QUILLET_TESTS GTest GTEST "tests" GoogleTest ${quillet_gtest_package})
quillet_optional_package(QUILLET_BENCH benchmark BENCHMARK "benchmark" "Google Benchmark" libbenchmark-dev)

# The PNG encoder of quillet-info --screen, a header of the build machine
# that any target compiles (so a cross build looks outside its sysroot too).
find_path(QUILLET_STB_INCLUDE_DIR stb_image_write.h PATH_SUFFIXES stb NO_CMAKE_FIND_ROOT_PATH)
if(NOT QUILLET_STB_INCLUDE_DIR)
  list(APPEND quillet_left_out "PNG pictures of quillet-info --screen (no stb)")
  list(APPEND quillet_packages libstb-dev)
endif()

# Programs the document checks run, looked for on the PATH the checks run
# with; only with the test suite.
if(QUILLET_TESTS)
  find_program(QUILLET_GROFF groff NO_CMAKE_SYSTEM_PATH)
  find_program(QUILLET_MAKE NAMES make gmake NO_CMAKE_SYSTEM_PATH)
  if(NOT QUILLET_GROFF)
    list(APPEND quillet_left_out "manual page checks (no groff)")
    list(APPEND quillet_packages groff-base)
  endif()
  if(NOT QUILLET_MAKE)
    list(APPEND quillet_left_out "Makefile recipe check (no make)")
    list(APPEND quillet_packages make)
  endif()
endif()

if(quillet_left_out)
  list(JOIN quillet_left_out ", " quillet_left_out)
  list(JOIN quillet_packages " " quillet_packages)
  message(STATUS "Left out: ${quillet_left_out}; to build them: sudo apt-get install ${quillet_packages}")
endif()
