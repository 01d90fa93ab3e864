# Copies a text file with CRLF line ends, for the Windows package:
#   cmake -DINPUT=README.md -DOUTPUT=README.md -P crlf-text.cmake
file(READ ${INPUT} text)
string(REPLACE "\r\n" "\n" text "${text}")
string(REPLACE "\n" "\r\n" text "${text}")
file(WRITE ${OUTPUT} "${text}")
