# CPack runs this after it has installed the package's files into its
# staging tree and before it builds the package (CPACK_PRE_BUILD_SCRIPTS).
# For a Debian package it puts the documents where Debian wants them:
#   LICENSE       replaced by copyright (made from it by packaging.cmake)
#   CHANGELOG.md  its released versions, in Debian's change log format, as
#                 changelog.gz (a package without a Debian revision keeps
#                 its one change log there)
#   man pages     compressed
# Every other generator gets the install tree as it is.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

find_program(QUILLET_GZIP gzip)
if(NOT QUILLET_GZIP)
  message(FATAL_ERROR "The Debian package needs gzip to compress its manual pages and change log")
endif()

set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(doc "${root}/${CPACK_QUILLET_DOCDIR}")

# Compresses FILE in place to FILE.gz, with neither name nor time stamp in
# the header, so the same input always gives the same bytes.
function(quillet_gzip file)
  execute_process(COMMAND "${QUILLET_GZIP}" -9n "${file}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${file}: ${status}")
  endif()
endfunction()

file(REMOVE "${doc}/LICENSE")
file(COPY "${CPACK_QUILLET_DEBIAN_COPYRIGHT}" DESTINATION "${doc}"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# CHANGELOG.md: "## [VERSION] - YYYY-MM-DD" opens a version (Unreleased is
# left out), "### Kind" a kind of change, "- " an entry, and indented lines
# continue it. Each version becomes one entry of the Debian change log:
#   quillet (VERSION) unstable; urgency=medium
#
#     * Kind
#       - entry
#
#    -- Maintainer  RFC 5322 date of the release
file(STRINGS "${doc}/CHANGELOG.md" lines)
set(debian_log "")
set(version "")
foreach(line IN LISTS lines)
  if(line MATCHES "^## ")
    if(version)
      string(APPEND debian_log "\n -- ${CPACK_PACKAGE_CONTACT}  ${release_date}\n\n")
    endif()
    set(version "")
    if(line MATCHES "^## \\[([0-9][^]]*)\\] - ([0-9-]+)$")
      set(version "${CMAKE_MATCH_1}")
      execute_process(COMMAND date -u -R -d "${CMAKE_MATCH_2}" OUTPUT_VARIABLE release_date
                      OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE status)
      if(NOT status EQUAL 0)
        message(FATAL_ERROR "CHANGELOG.md: cannot read the date of ${version}: ${CMAKE_MATCH_2}")
      endif()
      string(APPEND debian_log "${CPACK_PACKAGE_NAME} (${version}) unstable; urgency=medium\n\n")
    endif()
  elseif(version AND line MATCHES "^### (.+)$")
    string(APPEND debian_log "  * ${CMAKE_MATCH_1}\n")
  elseif(version AND line MATCHES "^- (.+)$")
    string(APPEND debian_log "    - ${CMAKE_MATCH_1}\n")
  elseif(version AND line MATCHES "^  +(.+)$")
    string(APPEND debian_log "      ${CMAKE_MATCH_1}\n")
  endif()
endforeach()
if(version)
  string(APPEND debian_log "\n -- ${CPACK_PACKAGE_CONTACT}  ${release_date}\n")
endif()
if(NOT debian_log)
  message(FATAL_ERROR "CHANGELOG.md names no released version")
endif()
file(REMOVE "${doc}/CHANGELOG.md")
file(WRITE "${doc}/changelog" "${debian_log}")
quillet_gzip("${doc}/changelog")

file(GLOB pages "${root}/${CPACK_QUILLET_MANDIR}/man*/*")
foreach(page IN LISTS pages)
  if(NOT page MATCHES "\\.gz$")
    quillet_gzip("${page}")
  endif()
endforeach()
