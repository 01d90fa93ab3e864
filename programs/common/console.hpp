// How the programs show what they and the library report: a failure message
// on standard error, on a line of its own (quillet adds the empty line its
// messages have always had after them), after whatever went to
// standard output so far (both streams may end up in one place); a progress
// line on standard output.
#pragma once

#include <cstddef>
#include <string>

#include "quillet/quillet.h"

namespace quillet::common {

// `length` bytes of what a file holds, as a terminal may be given them:
// printable ASCII as it is, every other byte (a control character, an
// escape sequence, a byte of 0x7F or above) as \xNN.
std::string shown_bytes(const char* data, std::size_t length);

// The most characters of a file's line that a message shows.
constexpr std::size_t SHOWN_LINE_MAX = 80;

// A line of an input file for a message: shown_bytes of it, cut after
// `most` characters with "..." after them.
std::string shown_line(const std::string& line, std::size_t most = SHOWN_LINE_MAX);

// Where a program's own reports go: a function of the library's reporter
// type and its `user`, so that one sink takes the reports of both.
struct ReportSink {
    quillet_report_fn function;
    void* user;
};

// Prints a usage error of `program` on standard error: "PROGRAM: MESSAGE
// 'DETAIL'" (without the detail when it is null) and the line that points
// to --help. With a `place` (a line of a file the words came from:
// "cases.txt:4"), it stands before the message: "PROGRAM: PLACE: MESSAGE".
void print_usage_error(const char* program, const char* message, const char* detail, const char* place = nullptr);

// Prints `text` as a failure message.
void print_failure(const char* text);

// A reporter for the library and the programs. `user` is null or points to
// a bool that says whether progress lines are shown.
void print_report(void* user, int code, const char* text);

// The sink that prints failures and no progress lines.
constexpr ReportSink CONSOLE_FAILURES = {print_report, nullptr};

}  // namespace quillet::common
