// Failure codes and their reporting.
//
// Every failure in quillet is a negative code. The place that detects a
// failure prints its message once with report_failure() and returns the code;
// callers pass it upward unchanged. The exit status is the code's absolute
// value.
#pragma once

namespace quillet {

enum FailureCode : int {
    USAGE_REQUESTED = -1,         // not a failure: show the usage screen
    ERR_OUT_OF_MEMORY = -2,
    ERR_BAD_COMBINATION = -3,
    ERR_MISSING_VALUE = -4,
    ERR_SOURCE_OPEN = -5,
    ERR_SOURCE_ACCESS = -6,
    ERR_SOURCE_LENGTH = -7,
    ERR_SOURCE_TOO_LONG = -8,
    ERR_SOURCE_READ = -9,
    ERR_OUTPUT_OPEN = -10,
    ERR_OUTPUT_ACCESS = -11,
    ERR_OUTPUT_WRITE = -12,
    ERR_VALUE_RANGE = -13,
    ERR_NO_INPUT = -14,
    ERR_NO_OUTPUT = -15,
    ERR_SECOND_OUTPUT = -16,
    ERR_SECOND_ROM = -17,
    ERR_SECOND_TEMPLATE = -18,
    ERR_BAD_MODEL = -19,
    ERR_BAD_REGISTER = -20,
    ERR_BAD_PAGE = -21,
    ERR_BAD_MAPPER = -22,
    ERR_BAD_OPTION_VALUE = -23,
    ERR_BAD_HEADER = -24,
    ERR_BAD_VERSION = -25,
    ERR_UNKNOWN_MODEL = -26,
    ERR_BAD_BLOCK_SIZE = -27,
    ERR_BAD_HEXSTRING = -28,
    ERR_HEXSTRING_TOO_LONG = -29,
};

// Prints the message of `code` to standard error, formatted with `first` and
// `second` (texts; either may be null where the message takes fewer), then
// two line ends. A code without a message prints only the line ends.
// Returns `code`.
int report_failure(int code, const char* first = nullptr, const char* second = nullptr);

// The same for the messages whose second argument is a number (-8, -13, -25,
// -26, -29).
int report_failure(int code, const char* first, int number);

}  // namespace quillet
