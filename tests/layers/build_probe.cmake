# Builds one layer probe (see CMakeLists.txt) and checks the outcome: with
# ALLOWED it compiles; without, it fails because HEADER is not found.
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BUILD_DIR} --target ${TARGET}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(ALLOWED)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${HEADER} should be reachable from ${TARGET}:\n${output}")
  endif()
elseif(result EQUAL 0)
  message(FATAL_ERROR "${TARGET} compiled an include of ${HEADER} that points against the layers")
elseif(NOT output MATCHES "${HEADER}.*(No such file|not found)")
  message(FATAL_ERROR "${TARGET} failed, but not for want of ${HEADER}:\n${output}")
endif()
