#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/failure.hpp"
#include "unit/snapshot_test_support.hpp"

namespace quillet {
namespace {

using quillet_test::ReportLog;
using quillet_test::Reports;

// Distinct arguments, so that a swapped or dropped argument shows.
constexpr const char* FIRST = "first.bin";
constexpr const char* SECOND = "second.bin";
constexpr long NUMBER = 4242;

// The codes the library raises; the other numbers up to -29 are a program's,
// the tape's are apart from those (-40 on).
constexpr int LIBRARY_CODES[] = {ERR_OUT_OF_MEMORY, ERR_MISSING_VALUE, ERR_SOURCE_OPEN, ERR_SOURCE_ACCESS,
                                 ERR_SOURCE_LENGTH, ERR_SOURCE_TOO_LONG, ERR_SOURCE_READ, ERR_OUTPUT_OPEN,
                                 ERR_OUTPUT_WRITE, ERR_VALUE_RANGE, ERR_BAD_MODEL, ERR_BAD_REGISTER,
                                 ERR_BAD_PAGE, ERR_BAD_MAPPER, ERR_BAD_STATE, ERR_BAD_HEADER,
                                 ERR_BAD_VERSION, ERR_UNKNOWN_MODEL, ERR_BAD_BLOCK_SIZE, ERR_BAD_HEXSTRING,
                                 ERR_HEXSTRING_TOO_LONG, ERR_TAPE_FORMAT, ERR_TAPE_DAMAGED, ERR_TAPE_CHECKSUM,
                                 ERR_BAD_TAPE_FIELD, ERR_BAD_RECORDING, ERR_BAD_KEY,
                                 ERR_BAD_MACHINE_STATE};
constexpr int PROGRAM_CODES[] = {-1, -3, -11, -14, -15, -16, -17, -18};

// The messages that show a number, with report_failure(..., text, number).
bool takes_number(int code) {
    return code == ERR_SOURCE_TOO_LONG || code == ERR_VALUE_RANGE || code == ERR_BAD_VERSION ||
           code == ERR_UNKNOWN_MODEL || code == ERR_HEXSTRING_TOO_LONG;
}

int count_of(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// `format` with its %s filled by `first`, then `second`, and %d by `number`.
std::string filled(const std::string& format, const char* first, const char* second, long number) {
    std::string text;
    const char* texts[] = {first, second};
    int next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's') {
            text += texts[next++];
            ++i;
        } else if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 'd') {
            text += std::to_string(number);
            ++i;
        } else {
            text += format[i];
        }
    }
    return text;
}

// Runs report_failure in the form that `code` takes.
Reports report(int code, int* result) {
    ReportLog log;
    *result = takes_number(code) ? report_failure(log.reporter(), code, FIRST, NUMBER)
                                 : report_failure(log.reporter(), code, FIRST, SECOND);
    return log.reports;
}

TEST(FailureFormat, EveryFailureCodeHasItsOwnMessageWithTextAndNumberFieldsOnly) {
    std::set<std::string> seen;
    for (const int code : LIBRARY_CODES) {
        ASSERT_NE(failure_format(code), nullptr) << code;
        const std::string format = failure_format(code);
        EXPECT_FALSE(format.empty()) << code;
        EXPECT_TRUE(seen.insert(format).second) << code << " repeats " << format;
        EXPECT_EQ(count_of(format, "%d"), takes_number(code) ? 1 : 0) << code;
        EXPECT_LE(count_of(format, "%s"), 2) << code;
        EXPECT_EQ(count_of(format, "%"), count_of(format, "%s") + count_of(format, "%d")) << code;
    }
}

TEST(FailureFormat, NoneForAProgramsCodesAndOutsideTheFailureCodes) {
    for (const int code : PROGRAM_CODES) EXPECT_EQ(failure_format(code), nullptr) << code;
    for (const int code : {0, -30, 5}) EXPECT_EQ(failure_format(code), nullptr) << code;
}

TEST(FailureFormat, NoMessageNamesAnOption) {
    for (const int code : LIBRARY_CODES) {
        const std::string format = failure_format(code);
        EXPECT_EQ(format.find("option"), std::string::npos) << format;
        EXPECT_EQ(format.find(" -"), std::string::npos) << format;
    }
}

TEST(ReportFailure, HandsTheFilledMessageOnceWithItsCodeAndReturnsTheCode) {
    for (const int code : LIBRARY_CODES) {
        int result = 0;
        const Reports reports = report(code, &result);
        EXPECT_EQ(result, code);
        const char* second = takes_number(code) ? nullptr : SECOND;
        EXPECT_EQ(reports, (Reports{{code, filled(failure_format(code), FIRST, second, NUMBER)}}));
    }
}

TEST(ReportFailure, ExactTexts) {
    const struct {
        int code;
        const char* text;
    } cases[] = {
        {ERR_OUT_OF_MEMORY, "Out of memory!"},
        {ERR_MISSING_VALUE, "Null pointer given for 'first.bin'!"},
        {ERR_SOURCE_TOO_LONG, "Source file 'first.bin' is too long! Max length 4242 bytes."},
        {ERR_VALUE_RANGE, "Value 4242 is out of range for first.bin"},
        {ERR_BAD_STATE, "Bad first.bin state 'second.bin'!"},
        {ERR_BAD_PAGE, "Bad page number `first.bin`!"},
        {ERR_UNKNOWN_MODEL, "Unknown computer model `4242` in ZVK file: 'first.bin'!"},
        {ERR_HEXSTRING_TOO_LONG, "Bytes from hexstring 'first.bin' do not fit into memory from address 4242."},
    };
    for (const auto& c : cases) {
        int result = 0;
        EXPECT_EQ(report(c.code, &result), (Reports{{c.code, c.text}}));
    }
}

TEST(ReportFailure, NegativeNumbersMissingTextsAndLongTexts) {
    ReportLog log;
    report_failure(log.reporter(), ERR_VALUE_RANGE, "register PC (0 to 65535)", -1L);
    report_failure(log.reporter(), ERR_BAD_STATE, "MIF 85");
    const std::string long_name(3000, 'n');  // longer than any text kept on the stack
    report_failure(log.reporter(), ERR_SOURCE_OPEN, long_name.c_str());
    EXPECT_EQ(log.reports, (Reports{{ERR_VALUE_RANGE, "Value -1 is out of range for register PC (0 to 65535)"},
                                    {ERR_BAD_STATE, "Bad MIF 85 state ''!"},
                                    {ERR_SOURCE_OPEN, "Can't open source file '" + long_name + "'!"}}));
}

TEST(ReportFailure, OutsideTheFailureCodesHandsAnEmptyTextAndReturnsTheCode) {
    for (const int code : {-3, 0, -30, 5}) {
        ReportLog log;
        EXPECT_EQ(report_failure(log.reporter(), code, FIRST, SECOND), code);
        EXPECT_EQ(report_failure(log.reporter(), code, FIRST, NUMBER), code);
        EXPECT_EQ(log.reports, (Reports{{code, ""}, {code, ""}})) << code;
    }
}

TEST(ReportFailure, WithoutAReportFunctionOnlyReturnsTheCode) {
    EXPECT_EQ(report_failure(Reporter{}, ERR_SOURCE_OPEN, FIRST), ERR_SOURCE_OPEN);
    EXPECT_EQ(report_failure(Reporter{}, ERR_VALUE_RANGE, FIRST, NUMBER), ERR_VALUE_RANGE);
    report_progress(Reporter{}, "Loading file `%s` into page %d", FIRST, 3);
}

TEST(ReportProgress, HandsTheFilledLineWithCodeZero) {
    ReportLog log;
    report_progress(log.reporter(), "Loading file `%s` from address %d", FIRST, 16384);
    report_progress(log.reporter(), "Loading ROM file `%s`", SECOND, 0);
    EXPECT_EQ(log.reports, (Reports{{PROGRESS, "Loading file `first.bin` from address 16384"},
                                    {PROGRESS, "Loading ROM file `second.bin`"}}));
}

}  // namespace
}  // namespace quillet
