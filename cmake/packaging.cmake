# Debian packages of the install tree: `cpack -G DEB` in the build directory
# writes one package per install component (see cmake/install.cmake):
#   tools        quillet_<version>_<arch>.deb: the programs, their manual
#                pages and completions, the documents and the examples
#   runtime      libquillet1_<version>_<arch>.deb: the shared library
#   development  libquillet-dev_<version>_<arch>.deb: the header, the static
#                library, the link libquillet.so and the CMake and
#                pkg-config files
# A Windows build makes one zip instead (cmake/windows-package.cmake).
if(WIN32)
  include(CPack)
  return()
endif()

set(QUILLET_MAINTAINER "Quillet developers <quillet@example.org>"
    CACHE STRING "Maintainer field of the Debian packages")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUILLET_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tools runtime development)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Every package names itself in its Description; no project-wide summary is
# set, as CPack would put that in front of each of them.

# Debian names a shared library's package after its SONAME, libquillet.so.1.
set(QUILLET_DEBIAN_RUNTIME_PACKAGE libquillet${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME quillet)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${QUILLET_DEBIAN_RUNTIME_PACKAGE})
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libquillet-dev)

set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)

set(CPACK_DEBIAN_TOOLS_DESCRIPTION
    "ZVK snapshot builder and inspector for PMD 85 emulators\n"
    "quillet puts an assembled 8080 program, hexadecimal patch bytes, a ROM module\n"
    "image, register values, the computer model and the add-on hardware into one\n"
    "ZVK snapshot that a PMD 85 emulator starts from, optionally on top of a\n"
    "template snapshot and with packed memory blocks. quillet-info shows,\n"
    "validates and extracts what a snapshot holds. quillet-tape makes, lists,\n"
    "extracts and converts PMD 85 tapes (PTP, PMD, WAV).")
set(quillet_library_text
    "libquillet builds ZVK snapshots for PMD 85 emulators from program bytes,\n"
    "memory pages, a ROM module image, register values, the computer model and\n"
    "the add-on hardware, optionally on top of a template snapshot, and reads\n"
    "snapshots back, through a C interface. It never writes to the console:\n"
    "failures reach the caller as codes and message texts.\n"
    "\n")
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
    "ZVK snapshot library for PMD 85 emulators - runtime\n"
    ${quillet_library_text}
    "This package holds the shared library.")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "ZVK snapshot library for PMD 85 emulators - development\n"
    ${quillet_library_text}
    "This package holds the header, the static library and the files that\n"
    "pkg-config and CMake's find_package(quillet) read to build against it.")
foreach(component TOOLS RUNTIME DEVELOPMENT)
  string(REPLACE ";" "" CPACK_DEBIAN_${component}_DESCRIPTION "${CPACK_DEBIAN_${component}_DESCRIPTION}")
endforeach()

# Dependencies. The programs link the C++ runtime statically and not the
# library's shared form, so the tools need only the C library. The library
# package's dependencies are found by cmake/debian_layout.cmake: CPack would
# find them too, but would then also give the package maintainer scripts
# that run ldconfig, which the ldconfig trigger below replaces. The
# development files need the shared library of the very same version.
# dpkg-shlibdeps (package dpkg-dev) finds the dependencies; without it the
# shared libraries are named directly: the C library, and the C++ runtime
# where it is not linked in (see quillet_static_runtime).
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SHLIBDEPS OFF)
set(CPACK_QUILLET_CXX_RUNTIME_DEPENDS "libc6, libgcc-s1, libstdc++6")
find_program(QUILLET_DPKG_SHLIBDEPS dpkg-shlibdeps)
set(CPACK_QUILLET_DPKG_SHLIBDEPS "${QUILLET_DPKG_SHLIBDEPS}")
if(QUILLET_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_TOOLS_PACKAGE_SHLIBDEPS ON)
elseif(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang" AND NOT QUILLET_SANITIZE AND NOT QUILLET_FUZZ)
  set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "libc6")
else()
  set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "${CPACK_QUILLET_CXX_RUNTIME_DEPENDS}")
endif()
set(CPACK_DEBIAN_TOOLS_PACKAGE_SUGGESTS bash-completion)

# The shared library's package tells dpkg-shlibdeps which package a program
# linking libquillet.so.1 needs (shlibs), and has ldconfig run once dpkg has
# unpacked it (triggers).
set(quillet_control ${PROJECT_BINARY_DIR}/debian/${QUILLET_DEBIAN_RUNTIME_PACKAGE})
file(WRITE ${quillet_control}/shlibs
  "libquillet ${PROJECT_VERSION_MAJOR} ${QUILLET_DEBIAN_RUNTIME_PACKAGE} (>= ${PROJECT_VERSION})\n")
file(WRITE ${quillet_control}/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${quillet_control}/shlibs ${quillet_control}/triggers)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# What Debian asks of a package beyond the install tree: in each package's
# doc dir, usr/share/doc/<package>, the licence as copyright in Debian's
# machine-readable format and the change log as changelog.gz; compressed
# manual pages. The copyright file is made here from LICENSE;
# cmake/debian_layout.cmake rearranges the staged trees before the packages
# are built.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE quillet_license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" quillet_copyright_line "${quillet_license}")
set(quillet_copyright "${CMAKE_MATCH_1}")
string(FIND "${quillet_license}" "Permission is hereby granted" quillet_terms_start)
if(NOT quillet_copyright OR quillet_terms_start LESS 0)
  message(FATAL_ERROR "LICENSE has no \"Copyright (c)\" line or no MIT permission text")
endif()
string(SUBSTRING "${quillet_license}" ${quillet_terms_start} -1 quillet_terms)
string(STRIP "${quillet_terms}" quillet_terms)
# A field's continuation lines start with a space; an empty line is " .".
string(REPLACE "\n\n" "\n.\n" quillet_terms "${quillet_terms}")
string(REPLACE "\n" "\n " quillet_terms "${quillet_terms}")
file(WRITE ${PROJECT_BINARY_DIR}/debian/copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: ${PROJECT_NAME}\n"
  "\n"
  "Files: *\n"
  "Copyright: ${quillet_copyright}\n"
  "License: Expat\n"
  "\n"
  "License: Expat\n"
  " ${quillet_terms}\n")
set(CPACK_QUILLET_DEBIAN_COPYRIGHT ${PROJECT_BINARY_DIR}/debian/copyright)
set(CPACK_QUILLET_CHANGELOG ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
set(CPACK_QUILLET_DOCDIR ${CMAKE_INSTALL_DOCDIR})
set(CPACK_QUILLET_LIBDIR ${CMAKE_INSTALL_LIBDIR})
set(CPACK_QUILLET_MANDIR ${CMAKE_INSTALL_MANDIR})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian_layout.cmake)

include(CPack)
