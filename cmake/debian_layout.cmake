# CPack runs this after it has installed the files of every package into
# its staging tree (one per install component, under
# CPACK_TEMPORARY_INSTALL_DIRECTORY/<component>) and before it builds the
# packages (CPACK_PRE_BUILD_SCRIPTS). For the Debian packages it
#   - gives every package a doc dir, usr/share/doc/<package>, with
#       copyright     made from LICENSE by packaging.cmake (the tools'
#                     LICENSE is left out)
#       changelog.gz  the released versions of CHANGELOG.md in Debian's
#                     change log format (the tools' CHANGELOG.md is left
#                     out; a package without a Debian revision keeps its
#                     one change log there)
#   - compresses the manual pages
#   - finds the shared library's dependencies with dpkg-shlibdeps.
# Every other generator gets the install tree as it is.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

find_program(QUILLET_GZIP gzip)
if(NOT QUILLET_GZIP)
  message(FATAL_ERROR "The Debian packages need gzip to compress their manual pages and change logs")
endif()

# Compresses FILE in place to FILE.gz, with neither name nor time stamp in
# the header, so the same input always gives the same bytes.
function(quillet_gzip file)
  execute_process(COMMAND "${QUILLET_GZIP}" -9n "${file}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip failed on ${file}: ${status}")
  endif()
endfunction()

# CHANGELOG.md: "## [VERSION] - YYYY-MM-DD" opens a version (Unreleased is
# left out), "### Kind" a kind of change, "- " an entry, and indented lines
# continue it. Each version becomes one entry of the Debian change log:
#   quillet (VERSION) unstable; urgency=medium
#
#     * Kind
#       - entry
#
#    -- Maintainer  RFC 5322 date of the release
file(STRINGS "${CPACK_QUILLET_CHANGELOG}" lines)
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

foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER "${component}" upper)
  set(package "${CPACK_DEBIAN_${upper}_PACKAGE_NAME}")
  set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/${component}${CPACK_PACKAGING_INSTALL_PREFIX}")
  if(NOT package OR NOT IS_DIRECTORY "${root}")
    message(FATAL_ERROR "No package name or no staging tree (${root}) for the component ${component}")
  endif()
  set(doc "${root}/share/doc/${package}")

  file(REMOVE "${root}/${CPACK_QUILLET_DOCDIR}/LICENSE" "${root}/${CPACK_QUILLET_DOCDIR}/CHANGELOG.md")
  file(COPY "${CPACK_QUILLET_DEBIAN_COPYRIGHT}" DESTINATION "${doc}"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  file(WRITE "${doc}/changelog" "${debian_log}")
  quillet_gzip("${doc}/changelog")

  file(GLOB pages "${root}/${CPACK_QUILLET_MANDIR}/man*/*")
  foreach(page IN LISTS pages)
    if(NOT page MATCHES "\\.gz$")
      quillet_gzip("${page}")
    endif()
  endforeach()
endforeach()

# The shared library's dependencies. CPack's own search would also give the
# package maintainer scripts that run ldconfig, which its ldconfig trigger
# makes needless (see packaging.cmake); the Depends set here is read when
# CPack builds the package, after this script.
list(FIND CPACK_COMPONENTS_ALL runtime runtime_index)
if(runtime_index LESS 0)
  return()
endif()
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/runtime${CPACK_PACKAGING_INSTALL_PREFIX}")
file(GLOB candidates "${root}/${CPACK_QUILLET_LIBDIR}/libquillet.so.*")
set(libraries "")
foreach(candidate IN LISTS candidates)
  if(NOT IS_SYMLINK "${candidate}")
    list(APPEND libraries "${candidate}")
  endif()
endforeach()
if(NOT libraries)
  message(FATAL_ERROR "The runtime package holds no libquillet.so.* in ${root}/${CPACK_QUILLET_LIBDIR}")
endif()
if(NOT CPACK_QUILLET_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "${CPACK_QUILLET_CXX_RUNTIME_DEPENDS}")
  return()
endif()
# dpkg-shlibdeps reads debian/control below its working directory.
set(work "${CPACK_TOPLEVEL_DIRECTORY}/quillet-shlibdeps")
file(REMOVE_RECURSE "${work}")
file(WRITE "${work}/debian/control" "")
execute_process(COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C "${CPACK_QUILLET_DPKG_SHLIBDEPS}" -O ${libraries}
                WORKING_DIRECTORY "${work}"
                OUTPUT_VARIABLE found ERROR_VARIABLE warnings RESULT_VARIABLE status
                OUTPUT_STRIP_TRAILING_WHITESPACE)
file(REMOVE_RECURSE "${work}")
if(NOT status EQUAL 0 OR NOT found MATCHES "(^|\n)shlibs:Depends=([^\n]+)")
  message(FATAL_ERROR "dpkg-shlibdeps found no dependencies of ${libraries} (${status}): ${found} ${warnings}")
endif()
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "${CMAKE_MATCH_2}")
