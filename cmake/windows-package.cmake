# The Windows package: `cpack -G ZIP` in a Windows build writes
# quillet-<version>-win64.zip with the programs and the DLL in bin/, the
# import and static libraries (and the CMake and pkg-config files) in lib/,
# the header in include/quillet/, and in doc/ the README, the licence, the
# change log, the manual pages as plain text and the examples.
find_program(QUILLET_GROFF groff REQUIRED)

# Each program's manual page as doc/<name>.txt.
function(quillet_install_manual_text name)
  set(text ${PROJECT_BINARY_DIR}/doc/${name}.txt)
  add_custom_command(OUTPUT ${text}
    COMMAND ${CMAKE_COMMAND} -DGROFF=${QUILLET_GROFF} -DINPUT=${PROJECT_SOURCE_DIR}/docs/${name}.1
            -DOUTPUT=${text} -P ${PROJECT_SOURCE_DIR}/cmake/render-manual.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/${name}.1 ${PROJECT_SOURCE_DIR}/cmake/render-manual.cmake
    VERBATIM)
  add_custom_target(${name}_manual_text ALL DEPENDS ${text})
  install(FILES ${text} DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT tools)
endfunction()

# Text documents (the README, the licence, the change log) with CRLF line
# ends in doc/, as every Windows editor shows them.
function(quillet_install_text_documents)
  foreach(name IN LISTS ARGN)
    set(text ${PROJECT_BINARY_DIR}/doc/${name})
    add_custom_command(OUTPUT ${text}
      COMMAND ${CMAKE_COMMAND} -DINPUT=${PROJECT_SOURCE_DIR}/${name} -DOUTPUT=${text}
              -P ${PROJECT_SOURCE_DIR}/cmake/crlf-text.cmake
      DEPENDS ${PROJECT_SOURCE_DIR}/${name} ${PROJECT_SOURCE_DIR}/cmake/crlf-text.cmake
      VERBATIM)
    string(MAKE_C_IDENTIFIER ${name} target)
    add_custom_target(${target}_crlf ALL DEPENDS ${text})
    install(FILES ${text} DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT tools)
  endforeach()
endfunction()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME quillet-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
