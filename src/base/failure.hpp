// The library's failure codes, its one message table, and the reporter
// through which the library hands failures and progress lines to its caller.
//
// Every failure is a negative code. The place that detects it reports it
// once, with its full message text, and returns the code; callers pass it
// upward unchanged. The library never prints: what a reporter does with a
// text is the caller's business. Its messages name the caller's parameters
// and data, never a program's options; a program words its own failures,
// and the codes that only a program raises are its own.
#pragma once

#include <cstddef>

#include "quillet/quillet.h"

namespace quillet {

// The codes of quillet.h, by the names the library uses inside.
enum FailureCode : int {
    ERR_OUT_OF_MEMORY = QUILLET_ERR_OUT_OF_MEMORY,
    ERR_MISSING_VALUE = QUILLET_ERR_MISSING_VALUE,
    ERR_SOURCE_OPEN = QUILLET_ERR_SOURCE_OPEN,
    ERR_SOURCE_ACCESS = QUILLET_ERR_SOURCE_ACCESS,
    ERR_SOURCE_LENGTH = QUILLET_ERR_SOURCE_LENGTH,
    ERR_SOURCE_TOO_LONG = QUILLET_ERR_SOURCE_TOO_LONG,
    ERR_SOURCE_READ = QUILLET_ERR_SOURCE_READ,
    ERR_OUTPUT_OPEN = QUILLET_ERR_OUTPUT_OPEN,
    ERR_OUTPUT_WRITE = QUILLET_ERR_OUTPUT_WRITE,
    ERR_VALUE_RANGE = QUILLET_ERR_VALUE_RANGE,
    ERR_BAD_MODEL = QUILLET_ERR_BAD_MODEL,
    ERR_BAD_REGISTER = QUILLET_ERR_BAD_REGISTER,
    ERR_BAD_PAGE = QUILLET_ERR_BAD_PAGE,
    ERR_BAD_MAPPER = QUILLET_ERR_BAD_MAPPER,
    ERR_BAD_STATE = QUILLET_ERR_BAD_STATE,
    ERR_BAD_HEADER = QUILLET_ERR_BAD_HEADER,
    ERR_BAD_VERSION = QUILLET_ERR_BAD_VERSION,
    ERR_UNKNOWN_MODEL = QUILLET_ERR_UNKNOWN_MODEL,
    ERR_BAD_BLOCK_SIZE = QUILLET_ERR_BAD_BLOCK_SIZE,
    ERR_BAD_HEXSTRING = QUILLET_ERR_BAD_HEXSTRING,
    ERR_HEXSTRING_TOO_LONG = QUILLET_ERR_HEXSTRING_TOO_LONG,
    ERR_TAPE_FORMAT = QUILLET_ERR_TAPE_FORMAT,
    ERR_TAPE_DAMAGED = QUILLET_ERR_TAPE_DAMAGED,
    ERR_TAPE_CHECKSUM = QUILLET_ERR_TAPE_CHECKSUM,
    ERR_BAD_TAPE_FIELD = QUILLET_ERR_BAD_TAPE_FIELD,
    ERR_BAD_RECORDING = QUILLET_ERR_BAD_RECORDING,
    ERR_BAD_KEY = QUILLET_ERR_BAD_KEY,
    ERR_BAD_MACHINE_STATE = QUILLET_ERR_BAD_MACHINE_STATE,
};

// The printf-style format of the message of `code`, or null for a code that
// is not the library's. The formats use only %s (a text) and %d (a number).
const char* failure_format(int code);

// A number written in decimal, for messages that show a value as text.
class DecimalText {
public:
    explicit DecimalText(long number);
    // A size or count, all of whose values are shown as they are.
    static DecimalText of_size(std::size_t number);
    const char* c_str() const { return start_; }

private:
    DecimalText() = default;
    void set(unsigned long long magnitude, bool negative);

    static constexpr int SIZE = 24;  // a sign and the digits of any long or size
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

// The same for the messages that show a number (-8, -13, -25, -26, -29):
// the number fills the %d, `first` the %s.
int report_failure(const Reporter& reporter, int code, const char* first, long number);

// The same with a size or count as the number, shown whole even where it is
// beyond the range of a long.
int report_size_failure(const Reporter& reporter, int code, const char* first, std::size_t number);

// Hands a progress line, `format` (with %s and %d only) filled with `text`
// and `number` in the order the format names them, to `reporter`.
void report_progress(const Reporter& reporter, const char* format, const char* text, long number);

}  // namespace quillet
