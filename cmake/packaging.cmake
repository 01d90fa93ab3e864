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

include(CPack)
