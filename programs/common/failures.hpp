// The programs' failure codes and messages: the library's codes, with
// quillet's own wording for those its command line raises, and the codes
// that only a program raises. A code is also an exit status: its absolute
// value.
#pragma once

#include "console.hpp"

namespace quillet::common {

enum ProgramCode : int {
    USAGE_REQUESTED = -1,  // not a failure: quillet shows its usage screen
    ERR_BAD_COMBINATION = -3,
    ERR_OUTPUT_ACCESS = -11,  // an output path that may not be written (quillet-info -x)
    ERR_NO_INPUT = -14,
    ERR_NO_OUTPUT = -15,
    ERR_SECOND_OUTPUT = -16,
    ERR_SECOND_ROM = -17,
    ERR_SECOND_TEMPLATE = -18,
};

// Every failure code: -2 down to -29.
constexpr int FIRST_FAILURE_CODE = QUILLET_ERR_OUT_OF_MEMORY;
constexpr int LAST_FAILURE_CODE = QUILLET_ERR_HEXSTRING_TOO_LONG;

// The printf-style format of the programs' message for `code` (%s a text,
// %d an int): their own for the codes of the command line and those only a
// program raises, the library's for the rest. Null for another code.
const char* message_format(int code);

// Hands the message of `code`, filled with the arguments in the order its
// format names them, to `sink`. Returns `code`.
int report_failure(const ReportSink& sink, int code, ...);

}  // namespace quillet::common
