#include "support/target.hpp"

#include <cstdlib>

namespace quillet_test {
namespace {

constexpr const char* WINDOWS_PROGRAMS_VARIABLE = "QUILLET_TEST_WINDOWS_PROGRAMS";
constexpr const char* WINDOWS_PROGRAM_SUFFIX = ".exe";
constexpr const char* POSIX_NULL_DEVICE = "/dev/null";
constexpr const char* WINDOWS_NULL_DEVICE = "NUL";

const char* windows_programs() {
    const char* directory = std::getenv(WINDOWS_PROGRAMS_VARIABLE);
    return directory && *directory ? directory : nullptr;
}

}  // namespace

// QUILLET_TEST_BUILT_FOR_WINDOWS is 1 in the tests of a Windows build.
bool windows_target() { return QUILLET_TEST_BUILT_FOR_WINDOWS || windows_programs(); }

std::string program_under_test(const std::string& built_path) {
    const char* directory = windows_programs();
    if (!directory) return built_path;
    const std::size_t slash = built_path.rfind('/');
    const std::string name = slash == std::string::npos ? built_path : built_path.substr(slash + 1);
    return std::string(directory) + "/" + name + WINDOWS_PROGRAM_SUFFIX;
}

std::string null_device() { return windows_target() ? WINDOWS_NULL_DEVICE : POSIX_NULL_DEVICE; }

std::string native_text(const std::string& text) {
    if (!windows_target()) return text;
    std::string native;
    for (const char c : text) {
        if (c == '\n') native += '\r';
        native += c;
    }
    return native;
}

::testing::AssertionResult from_native_text(const std::string& output, std::string* text) {
    if (!windows_target()) {
        *text = output;
        return ::testing::AssertionSuccess();
    }
    text->clear();
    for (std::size_t i = 0; i < output.size(); ++i) {
        if (output.compare(i, 2, "\r\n") == 0) {
            *text += '\n';
            ++i;
        } else if (output[i] == '\n' || output[i] == '\r') {
            return ::testing::AssertionFailure() << "a line end other than CRLF at offset " << i << " of "
                                                 << ::testing::PrintToString(output);
        } else {
            *text += output[i];
        }
    }
    return ::testing::AssertionSuccess();
}

const char* lacking(Facility facility) {
    if (!windows_target()) return nullptr;
    switch (facility) {
    case Facility::PERMISSION_BITS:
        return "Windows has no POSIX permission bits and no umask, only a read-only attribute";
    case Facility::SYMBOLIC_LINKS:
        return "symbolic links need a privilege on Windows, and Wine cannot make them";
    case Facility::DEVICE_FILES:
        return "Windows has no /dev/full, /dev/zero, /dev/null or /dev/stdout (its null device NUL is tested "
               "on its own)";
    case Facility::RESOURCE_LIMITS:
        return "Windows has no resource limits (setrlimit) to make a write or an allocation fail";
    case Facility::NAMED_PIPES:
        return "Windows has no POSIX pipes named by a path";
    case Facility::ANY_NAME_CHARACTER:
        return "Windows file names cannot hold '\"' or '\\'";
    }
    return nullptr;
}

}  // namespace quillet_test
