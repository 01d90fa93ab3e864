# Install layout: the programs in bin/, their manual pages in man1/, bash
# completions where bash-completion loads them on demand (one file per
# program, named after it), and the README, the licence and the change log
# with the example in the doc dir.
include(GNUInstallDirs)

set(QUILLET_COMPLETIONS_DIR ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Installs program NAME with its manual page and its completion script; on
# Windows with the manual page as plain text instead.
if(WIN32)
  include(cmake/windows-package.cmake)
endif()
function(quillet_install_program name)
  install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
  if(WIN32)
    quillet_install_manual_text(${name})
    return()
  endif()
  install(FILES docs/${name}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)
  install(FILES completions/${name}.bash DESTINATION ${QUILLET_COMPLETIONS_DIR} RENAME ${name} COMPONENT tools)
endfunction()

quillet_install_program(quillet)
if(TARGET quillet-info)
  quillet_install_program(quillet-info)
endif()
quillet_install_program(quillet-run)
quillet_install_program(quillet-tape)

if(WIN32)
  quillet_install_text_documents(README.md LICENSE CHANGELOG.md)
else()
  install(FILES README.md LICENSE CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT tools)
endif()
install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples COMPONENT tools)

# The library for other programs: the public header, the shared and the
# static library, a CMake package (find_package(quillet) gives
# quillet::quillet, the shared library, and quillet::quillet_static) and a
# pkg-config file. Both package files find the tree from where they lie, so
# an installed tree may be moved.
include(CMakePackageConfigHelpers)
set(QUILLET_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/quillet)
set_target_properties(quillet_shared PROPERTIES EXPORT_NAME quillet)
set_target_properties(quillet_static PROPERTIES EXPORT_NAME quillet_static)
install(TARGETS quillet_shared quillet_static EXPORT quilletTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
install(FILES include/quillet/quillet.h include/quillet/quillet_layout.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quillet COMPONENT development)
install(EXPORT quilletTargets NAMESPACE quillet:: DESTINATION ${QUILLET_CMAKE_DIR} COMPONENT development)
configure_package_config_file(cmake/quilletConfig.cmake.in ${CMAKE_CURRENT_BINARY_DIR}/quilletConfig.cmake
  INSTALL_DESTINATION ${QUILLET_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/quilletConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/quilletConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/quilletConfigVersion.cmake
  DESTINATION ${QUILLET_CMAKE_DIR} COMPONENT development)

file(RELATIVE_PATH QUILLET_PC_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" QUILLET_PC_PREFIX "${QUILLET_PC_PREFIX}")
configure_file(cmake/quillet.pc.in ${CMAKE_CURRENT_BINARY_DIR}/quillet.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/quillet.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT development)
