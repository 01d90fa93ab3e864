# Renders a manual page as plain text with CRLF line ends, for the Windows
# package: no overstrikes (groff's ASCII output draws a bullet as '+',
# backspace, 'o'; the last character stays), no escape sequences:
#   cmake -DGROFF=groff -DINPUT=docs/quillet.1 -DOUTPUT=quillet.txt -P render-manual.cmake
execute_process(COMMAND ${GROFF} -man -Tascii -P-c -P-b -P-u ${INPUT}
                OUTPUT_VARIABLE text ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT errors STREQUAL "")
  message(FATAL_ERROR "groff could not render ${INPUT}: ${errors}")
endif()
string(ASCII 8 backspace)
string(REGEX REPLACE "[^\n]${backspace}" "" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUTPUT} "${text}")
