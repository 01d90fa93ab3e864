// The system that the code under test runs on, and what follows from it
// for the tests: where its programs are, the line ends of its text output,
// and the facilities it lacks.
//
// The unit tests of a Windows build are Windows programs themselves. The
// end-to-end suites stay host programs and drive the Windows programs
// (through Wine, given as QUILLET_TEST_WRAPPER) when the environment
// variable QUILLET_TEST_WINDOWS_PROGRAMS names the directory that holds
// quillet.exe and quillet-info.exe.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace quillet_test {

// True when the code under test runs on Windows.
bool windows_target();

// The program to run for the one built at `built_path`: that path itself,
// or its Windows counterpart (the same name with ".exe").
std::string program_under_test(const std::string& built_path);

// `text`, whose lines end in "\n", with the line ends that the system
// under test writes to a text stream ("\r\n" on Windows).
std::string native_text(const std::string& text);

// Checks that every line end of `output` is the system's own (no bare
// "\n" and no stray "\r" on Windows) and gives the text with "\n" line ends
// in `text`, for comparison with expected texts.
::testing::AssertionResult from_native_text(const std::string& output, std::string* text);

// The null device of the system under test: /dev/null, or NUL.
std::string null_device();

// What a test may need that not every system under test has.
enum class Facility {
    PERMISSION_BITS,   // POSIX permission bits and the umask
    SYMBOLIC_LINKS,
    DEVICE_FILES,      // /dev/full, /dev/zero, /dev/null, /dev/stdout
    RESOURCE_LIMITS,   // setrlimit: file size, address space
    NAMED_PIPES,       // POSIX pipes named by a path
    ANY_NAME_CHARACTER,  // file names with quotes and backslashes
};

// Null when the system under test has `facility`, else the reason why a
// test that needs it cannot run there.
const char* lacking(Facility facility);

}  // namespace quillet_test

// Skips the current test, with the reason printed, unless the system under
// test has `facility`.
#define QUILLET_REQUIRE(facility)                                                \
    if (const char* quillet_lacking = ::quillet_test::lacking(facility))         \
    GTEST_SKIP() << quillet_lacking
