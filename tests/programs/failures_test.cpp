// The programs' failure table: their own texts where the command line words
// a failure, the library's elsewhere, and the report that fills them.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "failures.hpp"
#include "unit/snapshot_test_support.hpp"

namespace quillet::common {
namespace {

using quillet_test::ReportLog;
using quillet_test::Reports;

TEST(ProgramMessages, EveryExitStatusHasOneAndOnlyTheCommandLinesDifferFromTheLibrary) {
    // The codes whose text names an option or the text given on the command line.
    const int own[] = {ERR_BAD_COMBINATION, QUILLET_ERR_MISSING_VALUE, ERR_OUTPUT_ACCESS, QUILLET_ERR_VALUE_RANGE,
                       ERR_NO_INPUT, ERR_NO_OUTPUT, ERR_SECOND_OUTPUT, ERR_SECOND_ROM, ERR_SECOND_TEMPLATE,
                       QUILLET_ERR_BAD_MODEL, QUILLET_ERR_BAD_REGISTER, QUILLET_ERR_BAD_PAGE, QUILLET_ERR_BAD_MAPPER,
                       QUILLET_ERR_BAD_STATE};
    for (int code = FIRST_FAILURE_CODE; code >= LAST_FAILURE_CODE; --code) {
        ASSERT_NE(message_format(code), nullptr) << code;
        const bool is_own = std::find(std::begin(own), std::end(own), code) != std::end(own);
        if (!is_own) {
            EXPECT_EQ(message_format(code), quillet_message(code)) << code;
        }
    }
    EXPECT_STREQ(message_format(QUILLET_ERR_MISSING_VALUE), "Missing option value(s) '%s'!");
    EXPECT_STREQ(message_format(QUILLET_ERR_BAD_STATE), "Bad option value: %s %s");
    EXPECT_EQ(message_format(USAGE_REQUESTED), nullptr);
    EXPECT_EQ(message_format(0), nullptr);
    EXPECT_EQ(message_format(LAST_FAILURE_CODE - 1), nullptr);
}

TEST(ProgramReport, FillsTheArgumentsInTheOrderOfTheFormatAndReturnsTheCode) {
    ReportLog log;
    const ReportSink sink{ReportLog::take, &log};
    const std::string long_name(3000, 'n');
    EXPECT_EQ(report_failure(sink, QUILLET_ERR_VALUE_RANGE, -1, "-reg"), QUILLET_ERR_VALUE_RANGE);
    EXPECT_EQ(report_failure(sink, ERR_SECOND_ROM, "a.rom", "b.rom"), ERR_SECOND_ROM);
    EXPECT_EQ(report_failure(sink, QUILLET_ERR_BAD_VERSION, 7, "t.zvk"), QUILLET_ERR_BAD_VERSION);
    EXPECT_EQ(report_failure(sink, QUILLET_ERR_SOURCE_OPEN, long_name.c_str()), QUILLET_ERR_SOURCE_OPEN);
    EXPECT_EQ(report_failure(ReportSink{}, ERR_NO_INPUT), ERR_NO_INPUT);  // nowhere to go
    EXPECT_EQ(log.reports, (Reports{{QUILLET_ERR_VALUE_RANGE, "Value -1 is out of range <0, 65535>: -reg"},
                                    {ERR_SECOND_ROM, "Only one ROM file can be specified! `a.rom` or `b.rom`?"},
                                    {QUILLET_ERR_BAD_VERSION, "Bad ZVK version `7` in file: 't.zvk'!"},
                                    {QUILLET_ERR_SOURCE_OPEN, "Can't open source file '" + long_name + "'!"}}));
}

}  // namespace
}  // namespace quillet::common
