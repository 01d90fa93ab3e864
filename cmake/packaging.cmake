# Debian package of the install tree: `cpack -G DEB` in the build directory
# writes quillet_<version>_<architecture>.deb.
set(QUILLET_MAINTAINER "Quillet developers <quillet@example.org>"
    CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${QUILLET_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ZVK snapshot builder and inspector for PMD 85 emulators")
set(CPACK_PACKAGE_DESCRIPTION
    "quillet puts an assembled 8080 program, hexadecimal patch bytes, a ROM module\n"
    "image, register values, the computer model and the add-on hardware into one\n"
    "ZVK snapshot that a PMD 85 emulator starts from, optionally on top of a\n"
    "template snapshot and with packed memory blocks. quillet-info shows,\n"
    "validates and extracts what a snapshot holds.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS bash-completion)
# The dependencies come from dpkg-shlibdeps (package dpkg-dev); without it
# the shared libraries the programs link are named directly: the C library,
# and the C++ runtime where it is not linked in (see quillet_static_runtime).
find_program(QUILLET_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(QUILLET_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
elseif(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang" AND NOT QUILLET_SANITIZE AND NOT QUILLET_FUZZ)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libgcc-s1, libstdc++6")
endif()

# What Debian asks of a package beyond the install tree: the licence as
# usr/share/doc/quillet/copyright in Debian's machine-readable format, the
# change log as changelog.gz and compressed manual pages. The copyright file
# is made here from LICENSE; cmake/debian_layout.cmake rearranges the staged
# tree before the package is built.
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
set(CPACK_QUILLET_DOCDIR ${CMAKE_INSTALL_DOCDIR})
set(CPACK_QUILLET_MANDIR ${CMAKE_INSTALL_MANDIR})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian_layout.cmake)

include(CPack)
