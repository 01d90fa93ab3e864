# Install layout: the programs in bin/, their manual pages in man1/, bash
# completions where bash-completion loads them on demand (one file per
# program, named after it), and the README, the licence and the change log
# with the example in the doc dir.
include(GNUInstallDirs)

set(QUILLET_COMPLETIONS_DIR ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# Installs program NAME with its manual page and its completion script.
function(quillet_install_program name)
  install(TARGETS ${name} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES docs/${name}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES completions/${name}.bash DESTINATION ${QUILLET_COMPLETIONS_DIR} RENAME ${name})
endfunction()

quillet_install_program(quillet)
if(TARGET quillet-info)
  quillet_install_program(quillet-info)
endif()

install(FILES README.md LICENSE CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
