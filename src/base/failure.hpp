// Failure codes, their one message table, and the reporter through which
// the library hands failures and progress lines to its caller.
//
// Every failure is a negative code. The place that detects it reports it
// once, with its full message text, and returns the code; callers pass it
// upward unchanged. The library never prints: what a reporter does with a
// text is the caller's business.
#pragma once

namespace quillet {

enum FailureCode : int {
    USAGE_REQUESTED = -1,  // not a failure: the command line asks for its usage screen
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

constexpr int FIRST_FAILURE_CODE = ERR_OUT_OF_MEMORY;
constexpr int LAST_FAILURE_CODE = ERR_HEXSTRING_TOO_LONG;

// The printf-style format of the message of `code`, or null for a code
// outside -2..-29. The formats use only %s (a text) and %d (a number).
const char* failure_format(int code);

// A number written in decimal, for messages that show a value as text.
class DecimalText {
public:
    explicit DecimalText(long number);
    const char* c_str() const { return start_; }

private:
    static constexpr int SIZE = 24;  // a sign and the digits of any long
    char text_[SIZE];
    const char* start_;
};

// Code 0 marks a progress line; a negative code a failure.
constexpr int PROGRESS = 0;

using ReportFunction = void (*)(void* user, int code, const char* text);

// Where failures and progress lines go. A null function drops them.
struct Reporter {
    ReportFunction function = nullptr;
    void* user = nullptr;
};

// Hands the message of `code`, formatted with `first` and `second` (texts;
// either may be null where the message takes fewer), to `reporter`.
// Returns `code`, so that a caller can report and return in one step.
int report_failure(const Reporter& reporter, int code, const char* first = nullptr,
                   const char* second = nullptr);

// The same for the messages whose number argument is a number (-8, -13,
// -25, -26, -29): the number fills the %d, `first` the %s.
int report_failure(const Reporter& reporter, int code, const char* first, long number);

// Hands a progress line, `format` (with %s and %d only) filled with `text`
// and `number` in the order the format names them, to `reporter`.
void report_progress(const Reporter& reporter, const char* format, const char* text, long number);

}  // namespace quillet
